// The address book in the main window against the simulated handset:
// generated files loaded from the DATA folder, a contact chosen and dialled
// through the number-choice dialog, then hung up; the handset's call state
// shows what arrived.

#include "addressbookpage.h"
#include "adresargen.h"
#include "clock.h"
#include "hlavni.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "simprocess.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace AdresarGen;

class TestAddressBookDial : public QObject
{
    Q_OBJECT

private slots:
    void dialAndHangUp();
};

void TestAddressBookDial::dialAndHangUp()
{
    SimProcess sim;
    QVERIFY(sim.start());
    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    const FixedClock clock{QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7))};
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QDir().mkpath(QFileInfo(folder.filePath(name)).path());
        QFile f(folder.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    QVERIFY(write(u"torvane.ini"_qs, "[ComPort1]\nPort=" + sim.modemPath().toLocal8Bit() + "\n"));
    QVERIFY(write(u"DATA/GrpDList ver 01.db"_qs, groupFile(sampleGroups())));
    QVERIFY(write(u"DATA/pbm_master_v_20.dat"_qs, databaseFile(sampleContacts())));

    TForm1 form(folder.path(), clock);
    form.show();
    form.selectPage(TForm1::AddressBookPageIndex);
    AddressBookPage *page = form.addressBookPage();
    dialogs.fileNames.push_back(folder.filePath(u"DATA/pbm_master_v_20.dat"_qs));
    page->NactiADRClick();
    QVERIFY(dialogs.messages().isEmpty());
    QCOMPARE(page->AdresarCount(), 4);

    // Jan Novák has only a private mobile: the third of four items.
    QTreeWidget *list = page->lvAdresar();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(0)).center());
    QStringList items;
    dialogs.dialogActions.push_back([&](QDialog *d) {
        items = d->findChild<RadioGroup *>(u"cislo"_qs)->items();
        d->findChild<QRadioButton *>(u"cislo_2"_qs)->click();
        return d->result();
    });
    page->findChild<QAction *>(u"PAdrZavolat"_qs)->trigger();
    QCOMPARE(items, (QStringList{QString(), QString(), u"420603123456"_qs, QString()}));
    QTRY_COMPARE_WITH_TIMEOUT(sim.control("get call.state"), QByteArray("active\n"), 10000);
    QCOMPARE(sim.control("get call.number"), QByteArray("420603123456\n"));
    QCOMPARE(form.panelText(2), u"obsazen"_qs);

    page->findChild<QAction *>(u"PAdrZavesit"_qs)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(sim.control("get call.state"), QByteArray("idle\n"), 10000);
    QCOMPARE(sim.control("get call.log"), QByteArray("dial 420603123456;hangup 420603123456\n"));
    QVERIFY(dialogs.messages().isEmpty());
}

QTEST_MAIN(TestAddressBookDial)
#include "tst_addressbookdial.moc"
