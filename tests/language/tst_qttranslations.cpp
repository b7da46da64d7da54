// The buttons and texts that Qt draws itself follow the user's language:
// the phone manager's application object, started on a Czech system,
// installs Qt's own Czech translation, so a question box reads "Ano"/"Ne";
// the language file chosen in the window then decides, and a change of it
// switches Qt's texts at once.

#include "application.h"
#include "clock.h"
#include "hlavni.h"
#include "nastaveni.h"
#include "scripteddialogs.h"

#include <QDialogButtonBox>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

class TestQtTranslations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void standardButtons_data();
    void standardButtons();
    void followsChosenLanguage();
};

void TestQtTranslations::initTestCase()
{
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    QVERIFY2(QFile::exists(dir + QStringLiteral("/qtbase_cs.qm")),
             "Qt's Czech translation is missing: scripts/install-deps installs it");
    QCOMPARE(QLocale::system().language(), QLocale::Czech);
}

void TestQtTranslations::standardButtons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("text");
    QTest::newRow("Yes") << int(QMessageBox::Yes) << QStringLiteral("Ano");
    QTest::newRow("No") << int(QMessageBox::No) << QStringLiteral("Ne");
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << QStringLiteral("Zrušit");
}

void TestQtTranslations::standardButtons()
{
    QFETCH(int, button);
    QFETCH(QString, text);

    QMessageBox box(QMessageBox::Question, QStringLiteral("Upozornění"),
                    QStringLiteral("Chcete process ukončit"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QAbstractButton *shown = box.button(QMessageBox::StandardButton(button));
    QVERIFY(shown);
    QCOMPARE(shown->text().remove(QLatin1Char('&')), text);

    const auto standard = QDialogButtonBox::StandardButton(button);
    QDialogButtonBox buttons{standard};
    QCOMPARE(buttons.button(standard)->text().remove(QLatin1Char('&')), text);
}

// On this Czech system an English window gets English buttons, and going
// back to Czech brings Czech ones.
void TestQtTranslations::followsChosenLanguage()
{
    QTemporaryDir folder;
    for (const char *name : {"cs", "en"})
        QVERIFY(QFile::copy(QStringLiteral(LANGUAGE_DIR "/%1.lng").arg(QLatin1String(name)),
                            folder.filePath(QStringLiteral("%1.lng").arg(QLatin1String(name)))));
    FixedClock clock{QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7))};
    ScriptedDialogs dialogs;
    TForm1 form(folder.path(), clock);
    form.BuildLanguageList();
    QComboBox *languages = form.nastaveni()->cbJazyk();

    const std::pair<const char *, const char *> steps[] = {{"en", "Yes"}, {"cs", "Ano"}, {"en", "Yes"}};
    for (const auto &[language, yes] : steps) {
        languages->setCurrentIndex(languages->findText(QLatin1String(language)));
        form.LoadLanguage();
        QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QLatin1String(yes));
    }
}

// The system language is the user's environment, read when the application
// object is made: set a Czech one first.
int main(int argc, char **argv)
{
    setenv("LC_ALL", "cs_CZ.UTF-8", 1);
    setenv("LANG", "cs_CZ.UTF-8", 1);
    setenv("LANGUAGE", "cs", 1);
    TorvaneApplication app(argc, argv);
    TestQtTranslations test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qttranslations.moc"
