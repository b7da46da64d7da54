// The address-book page on generated files: loading (with and without the
// group file, cut short at 500 contacts), choosing a contact, the change
// handlers of all 34 edits, the group list, dialling through the
// number-choice dialog on a pseudo-terminal, and saving as vCard.

#include "addressbookpage.h"
#include "adresargen.h"
#include "comport.h"
#include "cp1250.h"
#include "labellededit.h"
#include "pty.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "vcard.h"
#include "zavolatseznam.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace AdresarGen;

namespace {

const QString GroupFile = QStringLiteral("DATA/GrpDList ver 01.db");

struct Fixture
{
    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    PtyPair pty;
    TComPort port{QStringLiteral("ComPort1")};
    bool portOpens = true;
    QList<bool> openRequests;
    TZavolatSeznam zavolat{nullptr, &port};
    AddressBookPage page;
    QString status = QStringLiteral("Práce Offline - Nenalezen telefon !");

    Fixture()
    {
        port.setPort(pty.slavePath());
        const auto open = [this](bool on) {
            openRequests << on;
            if (portOpens && on)
                port.OpenPort();
            return portOpens;
        };
        page.setLink({folder.path() + QLatin1Char('/'), &port, open, &zavolat, nullptr,
                      [this] { return status; }, [this](const QString &t) { status = t; }, {}});
        page.resize(700, 400);
        page.show();
    }

    QString path(const QString &name) const { return folder.filePath(name); }

    void write(const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // Loads with the given database file (as the open dialog's answer).
    void load(const QString &databaseName)
    {
        dialogs.fileNames.push_back(databaseName.isEmpty() ? QString() : path(databaseName));
        page.NactiADRClick();
    }

    void loadSample()
    {
        write(GroupFile, groupFile(sampleGroups()));
        write(QStringLiteral("DATA/pbm_master_v_20.dat"), databaseFile(sampleContacts()));
        load(QStringLiteral("DATA/pbm_master_v_20.dat"));
    }

    template<typename T = QWidget>
    T *control(const char *name) const
    {
        return page.findChild<T *>(QLatin1String(name));
    }
    LabelledEdit *edit(const QString &name) const { return page.findChild<LabelledEdit *>(name); }
    QTreeWidget *list() const { return control<QTreeWidget>("lvAdresar"); }

    // A left click on row `row` of a list (or, with -1, below its last row).
    void click(QTreeWidget *tree, int row)
    {
        QPoint at(10, tree->viewport()->height() - 2);
        if (row >= 0) {
            tree->scrollToItem(tree->topLevelItem(row));
            at = tree->visualItemRect(tree->topLevelItem(row)).center();
        }
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    }

    QStringList rows() const
    {
        QStringList out;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            out << list()->topLevelItem(i)->text(0) + u' ' + list()->topLevelItem(i)->text(1);
        return out;
    }

    // The six controls a chosen contact switches on.
    QList<bool> contactControls() const
    {
        QList<bool> out;
        for (const char *name : {"SmazatAdr", "ZavolatADR", "ZavesitADR"})
            out << control(name)->isEnabled();
        for (const char *name : {"PAdrSmazat", "PAdrZavolat", "PAdrZavesit"})
            out << page.findChild<QAction *>(QLatin1String(name))->isEnabled();
        return out;
    }

    QStringList messageTexts() const
    {
        QStringList out;
        for (const auto &m : dialogs.messages())
            out << m.text;
        return out;
    }
};

const QList<bool> AllOn{true, true, true, true, true, true};
const QList<bool> AllOff{false, false, false, false, false, false};

} // namespace

class TestAddressBookPage : public QObject
{
    Q_OBJECT

private slots:
    void loadAndChoose();
    void editsFollowTheirFields_data();
    void editsFollowTheirFields();
    void displayNameFollowsIntoList();
    void loading_data();
    void loading();
    void moreThan500();
    void groupRows_data();
    void groupRows();
    void dialling_data();
    void dialling();
    void hangUp();
    void saveAsVCard();
    void saveFailure();
    void deleteFromList_data();
    void deleteFromList();
};

void TestAddressBookPage::loadAndChoose()
{
    Fixture f;
    f.loadSample();
    QVERIFY(f.messageTexts().isEmpty());
    QCOMPARE(f.rows(), (QStringList{u"001 Jan Novák"_qs, u"002 Šárka Dvořáková"_qs, u"003 Petr Černý"_qs,
                                    u"004 Úplný Kontakt"_qs}));
    QCOMPARE(f.page.AdresarCount(), 4);
    QCOMPARE(f.contactControls(), AllOff);

    f.click(f.list(), 2);
    QCOMPARE(f.page.AdresarIndex(), 3);
    QCOMPARE(f.edit(u"adrZobrjmeno"_qs)->text(), u"Petr Černý"_qs);
    QCOMPARE(f.edit(u"adrSouktel"_qs)->text(), u"112"_qs);
    QCOMPARE(f.edit(u"adrSUlice"_qs)->text(), u"Dlouhá 12"_qs);
    QCOMPARE(f.control<QComboBox>("adrOskupina")->currentText(), u"Přátelé"_qs);
    QCOMPARE(f.edit(u"adrOnarozky"_qs)->text(), QString());
    QCOMPARE(f.contactControls(), AllOn);

    // Group number 5 is the third entry of the group file; the birthday is the contact's own.
    f.click(f.list(), 0);
    QCOMPARE(f.control<QComboBox>("adrOskupina")->currentText(), u"Kolegové"_qs);
    QCOMPARE(f.edit(u"adrOnarozky"_qs)->text(), u"15.02.1980"_qs);
    f.click(f.list(), 1); // no group
    QCOMPARE(f.control<QComboBox>("adrOskupina")->currentText(), QString());
    QCOMPARE(f.edit(u"adrOnarozky"_qs)->text(), QString());
    QCOMPARE(f.edit(u"adrOFirma"_qs)->text(), u"Žlutý kůň, s.r.o."_qs);

    // The arrow keys choose like a click.
    QTest::keyClick(f.list(), Qt::Key_Down);
    QCOMPARE(f.page.AdresarIndex(), 3);
    QCOMPARE(f.edit(u"adrZobrjmeno"_qs)->text(), u"Petr Černý"_qs);

    f.click(f.list(), -1); // empty space
    QVERIFY(f.list()->selectedItems().isEmpty());
    QCOMPARE(f.contactControls(), AllOff);
    QCOMPARE(f.page.AdresarIndex(), 3);

    // Choosing another group in the combo box changes no record.
    f.click(f.list(), 2);
    f.control<QComboBox>("adrOskupina")->setCurrentIndex(1);
    QCOMPARE(f.page.AdresarList()[3].SkupinaCislo, 2);
}

void TestAddressBookPage::editsFollowTheirFields_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QByteArray>("field");
    const char *bindings[][2] = {
        {"adrZobrjmeno", "ZobrJmeno"}, {"adrjmeno", "Krestni"},     {"adrPrijmeni", "Prijmeni"},
        {"adrSouktel", "SoukTel"},     {"adrObchTel", "ObchTel"},   {"adrSoukMobil", "SoukMobil"},
        {"adrObchMobil", "ObchMobil"}, {"adrSEmail1", "SEmail1"},   {"adrSEmail2", "SEmail2"},
        {"adrSWWW", "SWWW"},           {"adrSfax", "SFax"},         {"adrSUlice", "SUlice"},
        {"adrSmesto", "SMesto"},       {"adrSPSC", "SPSC"},         {"adrSZeme1", "SZeme1"},
        {"adrSZeme2", "SZeme2"},       {"adrSDodatek", "SDodatek"}, {"adrSpoznamka", "SPoznamka"},
        {"adrOEmail1", "OEmail1"},     {"adrOEmail2", "OEmail2"},   {"adrOWWW", "OWWW"},
        {"adrOfax", "OFax"},           {"adrOFirma", "OFirma"},     {"adrOpozice", "OPozice"},
        {"adrOulice", "OUlice"},       {"adrOmesto", "OMesto"},     {"adrOPSC", "OPSC"},
        {"adrOzeme1", "OZeme1"},       {"adrOzeme2", "OZeme2"},     {"adrODodatek", "ODodatek"},
        {"adrOpoznamka", "OPoznamka"}, {"adrOZvuk", "OZvuk"},       {"adrOobrazek", "OObrazek"},
        {"adrOnarozky", "ONarozky"},
    };
    for (const auto &b : bindings)
        QTest::newRow(b[0]) << QString::fromLatin1(b[0]) << QByteArray(b[1]);
}

// Every edit shows its own field of the chosen contact and stores into it
// at once; before any contact is chosen typing changes nothing.
void TestAddressBookPage::editsFollowTheirFields()
{
    QFETCH(QString, edit);
    QFETCH(QByteArray, field);
    Fixture f;
    f.loadSample();
    LabelledEdit *e = f.edit(edit);
    QVERIFY(e);
    const auto value = [&](int k) {
        for (const AdresarField &def : AdresarFields)
            if (field == def.name)
                return f.page.AdresarList()[k].*def.text;
        return QStringLiteral("<no field>");
    };
    const QList<TAdresar> before = f.page.loadedContacts();
    e->setText(u"před volbou"_qs);
    QCOMPARE(f.page.loadedContacts(), before);

    f.click(f.list(), 3); // the contact with every field
    QCOMPARE(e->text(), value(4));
    QVERIFY(!e->text().isEmpty());
    // Kept as typed, also what Windows-1250 lacks.
    const QString typed = u"nový text ř Жанна Łukasz 😀"_qs;
    e->setText(typed);
    QCOMPARE(value(4), typed);
    QCOMPARE(f.page.loadedContacts()[2], before[2]);
    f.click(f.list(), 0);
    f.click(f.list(), 3);
    QCOMPARE(e->text(), typed);
}

void TestAddressBookPage::displayNameFollowsIntoList()
{
    Fixture f;
    f.loadSample();
    f.click(f.list(), 2);
    QTest::keyClicks(f.edit(u"adrZobrjmeno"_qs)->lineEdit(), u" ml."_qs);
    QCOMPARE(f.list()->topLevelItem(2)->text(1), u"Petr Černý ml."_qs);
    QCOMPARE(f.page.loadedContacts()[2].ZobrJmeno, u"Petr Černý ml."_qs);

    // A new load replaces the list and leaves no contact in the edits, so
    // typing changes no contact of the new list.
    f.load(QStringLiteral("DATA/pbm_master_v_20.dat"));
    QCOMPARE(f.page.AdresarIndex(), 0);
    QCOMPARE(f.edit(u"adrZobrjmeno"_qs)->text(), QString());
    const QList<TAdresar> loaded = f.page.loadedContacts();
    QCOMPARE(loaded[2].ZobrJmeno, u"Petr Černý"_qs);
    f.edit(u"adrZobrjmeno"_qs)->setText(u"x"_qs);
    QCOMPARE(f.page.loadedContacts(), loaded);
}

void TestAddressBookPage::loading_data()
{
    QTest::addColumn<bool>("groupFile");
    QTest::addColumn<QString>("chosen"); // empty: the user cancels
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("groupRows");
    QTest::addColumn<QStringList>("messages");

    const QStringList old{u"001 Jan Novák"_qs, u"002 Šárka Dvořáková"_qs, u"003 Petr Černý"_qs,
                          u"004 Úplný Kontakt"_qs};
    const QStringList three{u"001 Anna"_qs, u"002 Anna"_qs, u"003 Anna"_qs};
    const QString groupsMissing = u"Skupiny nelze načíst ze souboru %1. Kontakty se načtou bez skupin."_qs;
    QTest::newRow("no group file: contacts without groups, told once")
        << false << u"three.dat"_qs << three << 0 << QStringList{groupsMissing};
    QTest::newRow("cancelled: groups loaded, contacts kept") << true << QString() << old << 5 << QStringList{};
    QTest::newRow("contact file missing: list kept")
        << true << u"missing.dat"_qs << old << 5 << QStringList{u"Soubor %1 nelze načíst."_qs};
}

void TestAddressBookPage::loading()
{
    QFETCH(bool, groupFile);
    QFETCH(QString, chosen);
    QFETCH(QStringList, rows);
    QFETCH(int, groupRows);
    QFETCH(QStringList, messages);

    Fixture f;
    f.loadSample();
    f.click(f.list(), 0);
    const QByteArray anna = QByteArray::fromHex("000500090000 01 0A00 41006E006E0061000000 3DFF");
    f.write(u"three.dat"_qs, anna + anna + anna + "trailing");
    if (!groupFile)
        QVERIFY(QFile::remove(f.path(GroupFile)));
    f.load(chosen);

    QCOMPARE(f.rows(), rows);
    QCOMPARE(f.control<QTreeWidget>("LVSkupiny")->topLevelItemCount(), groupRows);
    QCOMPARE(f.control<QComboBox>("adrOskupina")->count(), groupRows + 1);
    QStringList want;
    for (const QString &m : messages)
        want << m.arg(QDir::toNativeSeparators(m.contains(u"Skupiny") ? f.path(GroupFile) : f.path(chosen)));
    QStringList got = f.messageTexts();
    for (QString &g : got)
        g = g.section(u'\n', 0, 0); // the system's reason follows on a line of its own
    QCOMPARE(got, want);
    QCOMPARE(f.contactControls(), AllOn); // a load does not switch them off
}

void TestAddressBookPage::moreThan500()
{
    Fixture f;
    QList<Contact> many;
    for (int i = 1; i <= 600; ++i)
        many << Contact{{{"ZobrJmeno", QStringLiteral("Kontakt %1").arg(i)}}, -1};
    f.write(GroupFile, groupFile(sampleGroups()));
    f.write(u"many.dat"_qs, databaseFile(many));
    f.load(u"many.dat"_qs);
    QCOMPARE(f.list()->topLevelItemCount(), 500);
    QCOMPARE(f.list()->topLevelItem(499)->text(0), u"500"_qs);
    QCOMPARE(f.status, u"Zobrazeno prvních 500 z 600 kontaktů, 100 nezobrazeno"_qs);

    // A file that fits puts back what the status bar showed before.
    f.write(u"few.dat"_qs, databaseFile(sampleContacts()));
    f.load(u"few.dat"_qs);
    QCOMPARE(f.list()->topLevelItemCount(), 4);
    QCOMPARE(f.status, u"Práce Offline - Nenalezen telefon !"_qs);
}

void TestAddressBookPage::groupRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("buttons");
    QTest::addColumn<QString>("edit");
    QTest::newRow("first") << 0 << false << QString();
    QTest::newRow("fourth") << 3 << false << QString();
    QTest::newRow("fifth") << 4 << true << u"Škola"_qs;
}

void TestAddressBookPage::groupRows()
{
    QFETCH(int, row);
    QFETCH(bool, buttons);
    QFETCH(QString, edit);
    Fixture f;
    f.loadSample();
    f.page.findChild<QTabWidget *>(u"pgAdresar"_qs)->setCurrentIndex(4);
    auto *groups = f.control<QTreeWidget>("LVSkupiny");
    f.click(groups, 4); // start from the fifth row
    f.click(groups, row);
    QCOMPARE(f.control("btnUprav")->isEnabled(), buttons);
    QCOMPARE(f.control("BtnSmazat")->isEnabled(), buttons);
    QCOMPARE(f.control<QLineEdit>("edSkupiny")->text(), edit);
}

void TestAddressBookPage::dialling_data()
{
    QTest::addColumn<int>("row");     // -1: no contact chosen
    QTest::addColumn<bool>("portOpens");
    QTest::addColumn<int>("clicked"); // item of the dialog
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QByteArray>("sent");

    const QStringList onlyMobile{QString(), QString(), u"420603123456"_qs, QString()};
    QTest::newRow("only a private mobile: third of four")
        << 0 << true << 2 << onlyMobile << QByteArray("ATD420603123456;\r");
    QTest::newRow("every number, the business mobile")
        << 3 << true << 3 << QStringList{u"420124"_qs, u"420117"_qs, u"420122"_qs, u"420125"_qs}
        << QByteArray("ATD420125;\r");
    QTest::newRow("no contact chosen") << -1 << true << 2 << QStringList() << QByteArray();
    QTest::newRow("port cannot be opened") << 0 << false << 2 << QStringList() << QByteArray();
}

void TestAddressBookPage::dialling()
{
    QFETCH(int, row);
    QFETCH(bool, portOpens);
    QFETCH(int, clicked);
    QFETCH(QStringList, items);
    QFETCH(QByteArray, sent);

    Fixture f;
    QVERIFY(f.pty.isValid());
    f.loadSample();
    if (row >= 0)
        f.click(f.list(), row);
    f.portOpens = portOpens;
    QStringList shown;
    f.dialogs.dialogActions.push_back([&](QDialog *d) {
        auto *cislo = d->findChild<RadioGroup *>(u"cislo"_qs);
        shown = cislo->items();
        d->findChild<QRadioButton *>(QStringLiteral("cislo_%1").arg(clicked))->click();
        return d->result();
    });
    f.page.findChild<QAction *>(u"PAdrZavolat"_qs)->setEnabled(true);
    f.page.findChild<QAction *>(u"PAdrZavolat"_qs)->trigger();

    QCOMPARE(shown, items);
    QCOMPARE(f.zavolat.cislo()->itemCount(), 0); // the items are taken out again
    if (sent.isEmpty())
        QCOMPARE(f.pty.read(300), QByteArray());
    else
        QCOMPARE(f.pty.readUntil(sent), sent);
}

void TestAddressBookPage::hangUp()
{
    Fixture f;
    QVERIFY(f.pty.isValid());
    f.loadSample();
    f.click(f.list(), 0);
    f.page.findChild<QAction *>(u"PAdrZavesit"_qs)->trigger();
    QCOMPARE(f.pty.readUntil("ATH\r"), QByteArray("ATH\r"));
    // The button beside the list does the same.
    QTest::mouseClick(f.control("ZavesitADR"), Qt::LeftButton);
    QCOMPARE(f.pty.readUntil("ATH\r"), QByteArray("ATH\r"));
    QCOMPARE(f.openRequests, (QList<bool>{true, true}));
}

void TestAddressBookPage::saveAsVCard()
{
    Fixture f;
    f.loadSample();
    const QByteArray database = databaseFile(sampleContacts());
    f.click(f.list(), 1);
    f.edit(u"adrZobrjmeno"_qs)->setText(u"Šárka D. Жанна"_qs);
    f.write(u"DATA/adresar.vcf"_qs, "old contents");
    f.dialogs.fileNames.push_back(f.path(u"DATA/adresar.vcf"_qs));
    f.page.UlozADRClick();
    QVERIFY(f.messageTexts().isEmpty());

    QFile saved(f.path(u"DATA/adresar.vcf"_qs));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray vcard = saved.readAll();
    QCOMPARE(vcard, AdresarToVCard(f.page.loadedContacts(), f.page.SkupinyList()));
    QVERIFY(vcard.contains(u"FN:Šárka D. Жанна\r\n"_qs.toUtf8()));
    QVERIFY(vcard.contains("CATEGORIES:Kolegov\xC3\xA9\r\n"));
    QCOMPARE(f.status, QDir::toNativeSeparators(u"Adresář uložen do souboru %1"_qs.arg(saved.fileName())));

    // The handset's files are never written.
    QFile db(f.path(u"DATA/pbm_master_v_20.dat"_qs));
    QVERIFY(db.open(QIODevice::ReadOnly));
    QCOMPARE(db.readAll(), database);

    // A name without extension gets ".vcf".
    f.dialogs.fileNames.push_back(f.path(u"kontakty"_qs));
    f.page.UlozADRClick();
    QVERIFY(QFile::exists(f.path(u"kontakty.vcf"_qs)));
}

void TestAddressBookPage::saveFailure()
{
    Fixture f;
    f.page.UlozADRClick(); // nothing loaded
    QCOMPARE(f.messageTexts(), QStringList{u"Nejsou načteny žádné kontakty."_qs});
    QVERIFY(f.dialogs.requests.size() == 1);

    f.loadSample();
    const QString target = f.path(u"no/such/folder/adresar.vcf"_qs);
    f.dialogs.fileNames.push_back(target);
    f.page.UlozADRClick();
    QCOMPARE(f.dialogs.messages().size(), 2);
    QCOMPARE(f.dialogs.messages().last().icon, Dialogs::Icon::Error);
    QVERIFY(f.dialogs.messages().last().text.startsWith(
        u"Soubor %1 nelze uložit."_qs.arg(QDir::toNativeSeparators(target))));
    QVERIFY(!QFile::exists(target));
}

void TestAddressBookPage::deleteFromList_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("confirmed") << true
                               << QStringList{u"001 Jan Novák"_qs, u"002 Petr Černý"_qs, u"003 Úplný Kontakt"_qs};
    QTest::newRow("declined") << false
                              << QStringList{u"001 Jan Novák"_qs, u"002 Šárka Dvořáková"_qs,
                                             u"003 Petr Černý"_qs, u"004 Úplný Kontakt"_qs};
}

// "Smazat" takes the contact out of the loaded list only: the rows are
// numbered again and the vCard export leaves it out; the file stays.
void TestAddressBookPage::deleteFromList()
{
    QFETCH(bool, yes);
    QFETCH(QStringList, rows);
    Fixture f;
    f.loadSample();
    f.click(f.list(), 1);
    f.dialogs.answers.push_back(yes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    QTest::mouseClick(f.control("SmazatAdr"), Qt::LeftButton);
    QCOMPARE(f.messageTexts(),
             QStringList{u"Odstranit kontakt Šárka Dvořáková ze seznamu? Soubory telefonu se nezmění."_qs});
    QCOMPARE(f.rows(), rows);
    QCOMPARE(f.page.AdresarCount(), rows.size());
    if (!yes)
        return;
    QCOMPARE(f.page.AdresarIndex(), 0);
    QCOMPARE(f.contactControls(), AllOff);
    QCOMPARE(f.edit(u"adrZobrjmeno"_qs)->text(), QString());
    f.click(f.list(), 1);
    QCOMPARE(f.edit(u"adrSouktel"_qs)->text(), u"112"_qs);
    QVERIFY(!AdresarToVCard(f.page.loadedContacts(), f.page.SkupinyList()).contains("Dvo"));
    QFile db(f.path(u"DATA/pbm_master_v_20.dat"_qs));
    QVERIFY(db.open(QIODevice::ReadOnly));
    QCOMPARE(db.readAll(), databaseFile(sampleContacts()));
}

QTEST_MAIN(TestAddressBookPage)
#include "tst_addressbookpage.moc"
