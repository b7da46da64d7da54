// The language loader on the real main window: every text of a language
// file reaches its control (and only that one), missing keys take the
// built-in Czech defaults, the list-like controls are refilled and lose
// their choice, and the language list offers the files of the program
// folder.

#include "clock.h"
#include "cp1250.h"
#include "hlavni.h"
#include "infopage.h"
#include "inifile.h"
#include "labellededit.h"
#include "language.h"
#include "nastaveni.h"
#include "radiogroup.h"
#include "scripteddialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>
#include <optional>

using Overrides = QHash<QString, QString>; // "section/key" -> expected text
Q_DECLARE_METATYPE(Overrides)

namespace {

QString shippedFile(const char *name)
{
    return QStringLiteral(LANGUAGE_DIR "/") + QLatin1String(name) + QStringLiteral(".lng");
}

QString keyOf(const LanguageText &entry)
{
    return QStringLiteral("%1/%2").arg(QLatin1String(entry.section)).arg(entry.key);
}

// The main window on a program folder of its own.
struct Window
{
    QTemporaryDir folder;
    FixedClock clock{QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7))};
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> form;

    Window() { form = std::make_unique<TForm1>(folder.path(), clock); }

    QString path(const QString &name) const { return QDir(folder.path()).filePath(name); }

    void write(const QString &name, const QByteArray &content) const
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    void load(const QString &fileName)
    {
        LoadLanguage(fileName, form.get(), form->nastaveni(), form->messageTexts());
    }
    // No language chosen: ".lng" in the program folder.
    void loadNone() { load(LanguageFileName(form->programFolder(), QString())); }

    QWidget *scopeOf(const LanguageText &entry) const
    {
        for (const LanguageSection &section : LanguageSections) {
            if (qstrcmp(section.name, entry.section) != 0)
                continue;
            if (qstrcmp(section.scope, SettingsScope) == 0)
                return form->nastaveni();
            if (!*section.scope)
                return form.get();
            return form->findChild<QWidget *>(QLatin1String(section.scope));
        }
        return nullptr;
    }

    // The text an entry shows now; nothing when its control is missing or
    // not unique in its part of the window.
    std::optional<QString> shown(const LanguageText &entry) const
    {
        if (entry.target == Target::Message)
            return Cp1250::toUnicode(form->messageTexts().*entry.message);
        QWidget *scope = scopeOf(entry);
        if (!scope)
            return {};
        const QList<QObject *> found = scope->findChildren<QObject *>(QLatin1String(entry.control));
        if (found.size() != 1)
            return {};
        QObject *control = found.first();
        switch (entry.target) {
        case Target::Message:
            break;
        case Target::Menu:
            if (auto menu = qobject_cast<QMenu *>(control))
                return menu->title();
            if (auto action = qobject_cast<QAction *>(control))
                return action->text();
            break;
        case Target::Title:
            if (auto group = qobject_cast<QGroupBox *>(control))
                return group->title();
            break;
        case Target::Text:
            if (auto button = qobject_cast<QAbstractButton *>(control))
                return button->text();
            if (auto label = qobject_cast<QLabel *>(control))
                return label->text();
            break;
        case Target::Caption:
            if (auto edit = qobject_cast<LabelledEdit *>(control))
                return edit->caption();
            break;
        case Target::Tab:
            if (auto tabs = qobject_cast<QTabWidget *>(control); tabs && entry.index < tabs->count())
                return tabs->tabText(entry.index);
            break;
        case Target::Column:
            if (auto tree = qobject_cast<QTreeWidget *>(control); tree && entry.index < tree->columnCount())
                return tree->headerItem()->text(entry.index);
            break;
        case Target::RadioItem:
            if (auto group = qobject_cast<RadioGroup *>(control); group && entry.index < group->itemCount())
                return group->itemText(entry.index);
            break;
        case Target::OptionItem:
            if (auto list = qobject_cast<QListWidget *>(control); list && entry.index < list->count())
                return list->item(entry.index)->text();
            break;
        case Target::ComboItem:
            if (auto box = qobject_cast<QComboBox *>(control); box && entry.index < box->count())
                return box->itemText(entry.index);
            break;
        case Target::AccessibleName:
            if (auto widget = qobject_cast<QWidget *>(control))
                return widget->accessibleName();
            break;
        }
        return {};
    }

    // Every entry that does not show its expected text (default unless overridden).
    QStringList mismatches(const Overrides &overrides = {}) const
    {
        QStringList faults;
        for (const LanguageText &entry : LanguageTexts) {
            const QString expected = overrides.value(keyOf(entry), QString::fromUtf8(entry.text));
            const std::optional<QString> text = shown(entry);
            if (!text || *text != expected)
                faults << QStringLiteral("[%1]: \"%2\" instead of \"%3\"")
                              .arg(keyOf(entry), text ? *text : QStringLiteral("<no control>"),
                                   expected);
        }
        return faults;
    }

    template<typename T>
    T *find(const char *name) const
    {
        return form->findChild<T *>(QLatin1String(name));
    }

    // Every text, item and choice of the main window and of the windows it
    // owns, in a fixed order: two equal snapshots mean nothing visible differs.
    QStringList snapshot() const
    {
        // Items removed by a reload go away once the event loop runs.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QStringList lines;
        const auto add = [&lines](const QObject *o, const QString &what) {
            QString path;
            for (const QObject *p = o; p; p = p->parent())
                path.prepend(QLatin1Char('/') + (p->objectName().isEmpty()
                                                    ? QLatin1String(p->metaObject()->className())
                                                    : p->objectName()));
            lines << path + QLatin1Char(' ') + what;
        };
        const QList<QObject *> all = form->findChildren<QObject *>();
        for (const QObject *o : all) {
            if (auto w = qobject_cast<const QWidget *>(o); w && w->isWindow())
                add(o, QStringLiteral("window=") + w->windowTitle());
            if (auto b = qobject_cast<const QAbstractButton *>(o))
                add(o, QStringLiteral("text=%1 checked=%2").arg(b->text()).arg(b->isChecked()));
            if (auto l = qobject_cast<const QLabel *>(o))
                add(o, QStringLiteral("text=") + l->text());
            if (auto g = qobject_cast<const QGroupBox *>(o))
                add(o, QStringLiteral("title=") + g->title());
            if (auto r = qobject_cast<const RadioGroup *>(o))
                add(o, QStringLiteral("choice=%1").arg(r->itemIndex()));
            if (auto t = qobject_cast<const QTabWidget *>(o)) {
                for (int i = 0; i < t->count(); ++i)
                    add(o, QStringLiteral("tab%1=").arg(i) + t->tabText(i));
            }
            if (auto t = qobject_cast<const QTreeWidget *>(o)) {
                for (int i = 0; i < t->columnCount(); ++i)
                    add(o, QStringLiteral("column%1=").arg(i) + t->headerItem()->text(i));
                add(o, QStringLiteral("rows=%1").arg(t->topLevelItemCount()));
            }
            if (auto c = qobject_cast<const QComboBox *>(o)) {
                for (int i = 0; i < c->count(); ++i)
                    add(o, QStringLiteral("item%1=").arg(i) + c->itemText(i));
                add(o, QStringLiteral("current=%1").arg(c->currentIndex()));
            }
            if (auto l = qobject_cast<const QListWidget *>(o)) {
                for (int i = 0; i < l->count(); ++i)
                    add(o, QStringLiteral("item%1=%2 check=%3")
                               .arg(i).arg(l->item(i)->text()).arg(int(l->item(i)->checkState())));
            }
            if (auto m = qobject_cast<const QMenu *>(o))
                add(o, QStringLiteral("title=") + m->title());
            if (auto a = qobject_cast<const QAction *>(o))
                add(o, QStringLiteral("text=%1 checked=%2").arg(a->text()).arg(a->isChecked()));
        }
        return lines;
    }
};

// Lines of a that b lacks, for a readable failure.
QString difference(const QStringList &a, const QStringList &b)
{
    QStringList out;
    for (const QString &line : a) {
        if (!b.contains(line))
            out << QStringLiteral("- ") + line;
    }
    for (const QString &line : b) {
        if (!a.contains(line))
            out << QStringLiteral("+ ") + line;
    }
    return out.join(QLatin1Char('\n'));
}

QByteArray cp1250(const char *utf8)
{
    return Cp1250::fromUnicode(QString::fromUtf8(utf8));
}

// Every accented letter of Czech, small and capital.
const char AccentedLetters[] = "áčďéěíňóřšťúůýž ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ";

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void defaultsWithoutFile();
    void files_data();
    void files();
    void shippedEnglish();
    void backToDefaults_data();
    void backToDefaults();
    void listControlsLoseTheirChoice();
    void messagesWithoutWindows();
    void languageList_data();
    void languageList();
    void chosenLanguageTakesEffect();
};

// With no language chosen the window looks exactly as designed: the
// built-in defaults are the texts the window was built with, each on its
// own control, and the message texts are the shell's defaults.
void TestLanguage::defaultsWithoutFile()
{
    Window w;
    const QStringList before = w.snapshot();
    w.form->messageTexts() = MessageTexts();
    w.loadNone();

    const QStringList faults = w.mismatches();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    const QStringList after = w.snapshot();
    QVERIFY2(after == before, qPrintable(difference(before, after)));

    const MessageTexts expected = MessageTexts::defaults();
    for (const LanguageText &entry : LanguageTexts) {
        if (entry.message)
            QCOMPARE(w.form->messageTexts().*entry.message, expected.*entry.message);
    }
}

void TestLanguage::files_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Overrides>("expected");
    // Only message texts change: the window must look as with the defaults.
    QTest::addColumn<bool>("windowAsDefault");

    QTest::newRow("only sms 5") << cp1250("[sms]\r\n5=Žádné zprávy\r\n")
                                << Overrides{{"sms/5", "Žádné zprávy"}} << true;
    QTest::newRow("empty value") << QByteArray("[sms]\r\n5=\r\n") << Overrides{{"sms/5", ""}}
                                 << true;
    QTest::newRow("blank value") << QByteArray("[menu]\r\n0=   \r\n[seznam]\r\n12=\r\n")
                                 << Overrides{{"menu/0", ""}, {"seznam/12", ""}} << false;
    QTest::newRow("names in any case")
        << QByteArray("[SMS]\r\n5=none\r\n[Menu]\r\n50=E&xit\r\n[INFO]\r\n54=Max\r\n")
        << Overrides{{"sms/5", "none"}, {"menu/50", "E&xit"}, {"info/54", "Max"}} << false;
    QTest::newRow("accented letters")
        << (QByteArray("[zalozky]\r\n3=") + cp1250(AccentedLetters) + "\r\n[nastaveni]\r\n1="
            + cp1250(AccentedLetters) + "\r\n[adresar]\r\n206=" + cp1250(AccentedLetters) + "\r\n")
        << Overrides{{"zalozky/3", QString::fromUtf8(AccentedLetters)},
                     {"nastaveni/1", QString::fromUtf8(AccentedLetters)},
                     {"adresar/206", QString::fromUtf8(AccentedLetters)}}
        << false;
    QTest::newRow("long value cut")
        << (QByteArray("[info]\r\n11=") + QByteArray(3000, 'x') + "\r\n")
        << Overrides{{"info/11", QString(IniFile::MaxValueLength, QLatin1Char('x'))}} << false;
    QTest::newRow("unknown keys and sections")
        << QByteArray("[sms]\r\n6=x\r\n500=y\r\n[hlavni]\r\n5=z\r\n") << Overrides{} << true;
    QTest::newRow("not a language file")
        << QByteArray("\x00\xff\x01[\r\n=\x9a\n\n]]", 14) << Overrides{} << true;
    QTest::newRow("empty file") << QByteArray() << Overrides{} << true;
}

// A file's texts land on their controls; every text it lacks keeps its
// default.
void TestLanguage::files()
{
    QFETCH(QByteArray, content);
    QFETCH(Overrides, expected);
    QFETCH(bool, windowAsDefault);

    Window w;
    w.loadNone();
    const QStringList defaults = w.snapshot();

    w.write(QStringLiteral("xx.lng"), content);
    w.load(LanguageFileName(w.form->programFolder(), QStringLiteral("xx")));

    const QStringList faults = w.mismatches(expected);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    if (windowAsDefault) {
        const QStringList after = w.snapshot();
        QVERIFY2(after == defaults, qPrintable(difference(defaults, after)));
    }
}

// The shipped English file: every key it holds shows its value.
void TestLanguage::shippedEnglish()
{
    const QString path = shippedFile("en");
    QVERIFY2(QFile::exists(path), qPrintable(path));
    const IniFile file(path);
    Overrides expected;
    int translated = 0;
    for (const LanguageText &entry : LanguageTexts) {
        const QByteArray key = QByteArray::number(entry.key);
        QVERIFY2(file.hasKey(entry.section, key), qPrintable(keyOf(entry)));
        const QString text = Cp1250::toUnicode(file.readString(entry.section, key));
        expected.insert(keyOf(entry), text);
        if (text != QString::fromUtf8(entry.text))
            ++translated;
    }
    // Most texts differ from the Czech ones, so a text left at its default shows.
    QVERIFY(translated > int(std::size(LanguageTexts)) * 3 / 4);

    Window w;
    w.load(path);
    const QStringList faults = w.mismatches(expected);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    QCOMPARE(w.find<QMenu>("Funkce1")->title(), QStringLiteral("&Functions"));
    QCOMPARE(w.find<QAction>("Konec1")->text(), QStringLiteral("E&xit"));
    QCOMPARE(w.form->nastaveni()->GroupBox1()->title(), QStringLiteral("Port settings"));
    QCOMPARE(w.find<QComboBox>("Hlasitost_repro")->count(), 5);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(w.find<QComboBox>("Hlasitost_repro")->itemText(i),
                 w.find<QComboBox>("Hlasitost_zvoneni")->itemText(i));
}

void TestLanguage::backToDefaults_data()
{
    QTest::addColumn<QString>("second");
    QTest::newRow("cs.lng") << shippedFile("cs");
    QTest::newRow("no language") << QString();
}

// Another language after English replaces every text: nothing of the
// English one stays behind, no list item is left over or doubled.
void TestLanguage::backToDefaults()
{
    QFETCH(QString, second);

    Window w;
    w.loadNone();
    const QStringList defaults = w.snapshot();

    w.load(shippedFile("en"));
    QVERIFY(w.snapshot() != defaults);
    if (second.isEmpty())
        w.loadNone();
    else
        w.load(second);

    const QStringList faults = w.mismatches();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    const QStringList after = w.snapshot();
    QVERIFY2(after == defaults, qPrintable(difference(defaults, after)));
}

// The user's choices in the refilled controls are gone after a load (the
// SMS page then chooses its defaults again); listed rows stay.
void TestLanguage::listControlsLoseTheirChoice()
{
    Window w;
    w.loadNone();

    auto nacist = w.find<RadioGroup>("Nacist_SMS");
    auto typ = w.find<RadioGroup>("Typ_SMS");
    auto vybertypu = w.find<RadioGroup>("vybertypu");
    auto list = w.find<QTreeWidget>("ListSMS");
    auto options = w.find<QListWidget>("OstatniBox");
    QVERIFY(nacist && typ && vybertypu && list && options);
    const QList<QComboBox *> combos = {w.find<QComboBox>("Hlasitost_zvoneni"),
                                       w.find<QComboBox>("Umlceni"),
                                       w.find<QComboBox>("Hlasitost_repro")};
    QVERIFY(!combos.contains(nullptr));

    nacist->setItemIndex(1);
    typ->setItemIndex(4);
    vybertypu->setItemIndex(3);
    for (int i = 0; i < 4; ++i)
        w.form->infoPage()->setOption(i, true);
    for (QComboBox *box : combos)
        box->setCurrentIndex(2);
    for (int i = 1; i <= 3; ++i)
        list->addTopLevelItem(new QTreeWidgetItem(
            {QString::number(i), QStringLiteral("420777%1").arg(i), QStringLiteral("Jana"),
             QStringLiteral("08.12.2006 09:05"), QStringLiteral("Ahoj č. %1").arg(i)}));
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(4);

    w.load(shippedFile("en"));

    QCOMPARE(nacist->itemIndex(), -1);
    QCOMPARE(typ->itemIndex(), -1);
    QCOMPARE(vybertypu->itemIndex(), -1);
    QCOMPARE(nacist->itemCount(), 3);
    QCOMPARE(typ->itemCount(), 5);
    QCOMPARE(vybertypu->itemCount(), 12);
    QCOMPARE(options->count(), 4);
    for (int i = 0; i < 4; ++i)
        QVERIFY(!w.form->infoPage()->option(i));
    for (QComboBox *box : combos) {
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(box->count(), box == combos[1] ? 3 : 5);
    }
    QStringList rowsAfter;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rowsAfter << list->topLevelItem(i)->text(4);
    QCOMPARE(rowsAfter, rows);
    QCOMPARE(list->headerItem()->text(2), QStringLiteral("from"));

    // The new items are the ones the user can choose.
    typ->setEnabled(true);
    typ->findChild<QAbstractButton *>(QStringLiteral("Typ_SMS_2"))->click();
    QCOMPARE(typ->itemIndex(), 2);
}

// The message texts are filled even where no window is at hand.
void TestLanguage::messagesWithoutWindows()
{
    MessageTexts texts;
    LoadLanguage(shippedFile("en"), nullptr, nullptr, texts);
    const IniFile file(shippedFile("en"));
    QCOMPARE(texts.noMessages, file.readString("sms", "5"));
    QCOMPARE(texts.guardCaption, file.readString("dialogy", "73"));
}

void TestLanguage::languageList_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("chosen");      // a name to load
    QTest::addColumn<QString>("loadedFile"); // the file it is read from

    QTest::newRow("none") << QStringList{QStringLiteral("torvane.ini")} << QStringList{}
                          << QStringList{} << QString() << QStringLiteral(".lng");
    QTest::newRow("cs and en, by name")
        << QStringList{QStringLiteral("en.lng"), QStringLiteral("cs.lng"), QStringLiteral("oprgl.txt")}
        << QStringList{} << QStringList{QStringLiteral("cs"), QStringLiteral("en")}
        << QStringLiteral("cs") << QStringLiteral("cs.lng");
    QTest::newRow("name up to the first dot")
        << QStringList{QStringLiteral("cs.lng"), QStringLiteral("de.old.lng")} << QStringList{}
        << QStringList{QStringLiteral("cs"), QStringLiteral("de")} << QStringLiteral("de")
        << QStringLiteral("de.lng");
    QTest::newRow("upper-case file")
        << QStringList{QStringLiteral("SK.LNG")} << QStringList{}
        << QStringList{QStringLiteral("SK")} << QStringLiteral("SK") << QStringLiteral("SK.LNG");
    QTest::newRow("folders and hidden files not offered")
        << QStringList{QStringLiteral(".lng"), QStringLiteral("pl.lng")}
        << QStringList{QStringLiteral("old.lng")} << QStringList{QStringLiteral("pl")}
        << QStringLiteral("pl") << QStringLiteral("pl.lng");
}

// The languages offered are the "*.lng" files of the program folder, and a
// chosen one is read from that folder under its own name.
void TestLanguage::languageList()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, expected);
    QFETCH(QString, chosen);
    QFETCH(QString, loadedFile);

    Window w;
    const QString marker = QStringLiteral("Načti záznamy – %1");
    for (const QString &name : files)
        w.write(name, QByteArray("[sms]\r\n30=") + Cp1250::fromUnicode(marker.arg(name)) + "\r\n");
    for (const QString &name : folders)
        QVERIFY(QDir(w.folder.path()).mkdir(name));

    QCOMPARE(LanguageList(w.form->programFolder()), expected);

    const QString fileName = LanguageFileName(w.form->programFolder(), chosen);
    QCOMPARE(QFileInfo(fileName).absoluteFilePath(), QFileInfo(w.path(loadedFile)).absoluteFilePath());
    w.load(fileName);
    QCOMPARE(w.find<RadioGroup>("Typ_SMS")->caption(),
             files.contains(loadedFile) ? marker.arg(loadedFile) : QStringLiteral("Načti záznamy"));
}


// The stored choice is applied at start-up, and picking another entry in the
// settings dialog applies it at once.
void TestLanguage::chosenLanguageTakesEffect()
{
    Window w;
    QVERIFY(QFile::copy(shippedFile("cs"), w.path(QStringLiteral("cs.lng"))));
    QVERIFY(QFile::copy(shippedFile("en"), w.path(QStringLiteral("en.lng"))));
    w.write(QStringLiteral("torvane.ini"), "[Info]\r\nJazyk=1\r\n");

    w.form->BuildLanguageList();
    w.form->ReadStartSettings();
    w.form->LoadLanguage();
    QComboBox *box = w.form->nastaveni()->cbJazyk();
    QCOMPARE(box->currentText(), QStringLiteral("en"));
    QCOMPARE(w.find<QMenu>("Funkce1")->title(), QStringLiteral("&Functions"));

    box->setCurrentIndex(0);
    emit box->activated(0);
    QCOMPARE(w.find<QMenu>("Funkce1")->title(), QStringLiteral("&Funkce"));
    QCOMPARE(Cp1250::toUnicode(w.form->messageTexts().statusReleased), QStringLiteral("uvolněn"));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
