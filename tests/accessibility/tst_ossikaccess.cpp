// ossik as a screen reader reads it: every list and edit of its window and
// its setup dialog has a name, in each shipped language, against the
// simulated handset.

#include "ossikform.h"
#include "processlist.h"
#include "scripteddialogs.h"
#include "simprocess.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include "diagfilesystem.h"

class TestOssikAccess : public QObject
{
    Q_OBJECT

private slots:
    void everyControlNamed_data();
    void everyControlNamed();
    void qtTextsFollowLanguage();
};

void TestOssikAccess::everyControlNamed_data()
{
    QTest::addColumn<int>("language");  // index into the language list: cs, en
    QTest::addColumn<QStringList>("paneNames");
    QTest::newRow("cs") << 0 << QStringList{"Soubory v PC", "Soubory v telefonu"};
    QTest::newRow("en") << 1 << QStringList{"Files on the PC", "Files on the handset"};
}

void TestOssikAccess::everyControlNamed()
{
    QFETCH(int, language);
    QFETCH(QStringList, paneNames);

    QTemporaryDir efs;
    SimProcess sim({QStringLiteral("--efs"), efs.path()});
    QVERIFY(sim.start());
    QTemporaryDir folder;
    for (const char *lng : {"cs.lng", "en.lng"})
        QVERIFY(QFile::copy(QStringLiteral(TORVANE_BIN_DIR "/explorer/") + QLatin1String(lng),
                            folder.filePath(QLatin1String(lng))));
    {
        QSettings key(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ZenkExplorer"));
        key.clear();
        key.setValue(QStringLiteral("Cesta"), 1);
        key.setValue(QStringLiteral("Jazyk"), language);
        key.setValue(QStringLiteral("ComPort1/Port"), sim.diagPath());
        key.setValue(QStringLiteral("ComPort1/BaudRate"), QStringLiteral("115200"));
    }
    ScriptedDialogs dialogs;
    ScriptedProcessList processes;
    TForm1 form(folder.path() + QLatin1Char('/'));
    form.StartUp(processes, QCoreApplication::applicationFilePath());
    form.show();
    QTRY_VERIFY_WITH_TIMEOUT(!form.fileSystem()->busy() && form.ZenkList()->isEnabled(), 15000);

    QStringList unnamed;
    const auto walk = [&](QWidget *window) {
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (!w->isVisible() || w->focusPolicy() == Qt::NoFocus)
                continue;
            // The edit inside a combo or spin box is named with it.
            const bool inner = qobject_cast<QComboBox *>(w->parentWidget())
                               || qobject_cast<QAbstractSpinBox *>(w->parentWidget());
            const auto *combo = qobject_cast<QComboBox *>(w);
            const bool wanted = (qobject_cast<QLineEdit *>(w) && !inner) || (combo && combo->isEditable())
                                || qobject_cast<QAbstractItemView *>(w) || qobject_cast<QAbstractSpinBox *>(w);
            if (!wanted)
                continue;
            if (w->accessibleName().isEmpty())
                unnamed << window->objectName() + u'/' + w->objectName() + u'('
                               + QString::fromLatin1(w->metaObject()->className()) + u')';
        }
    };
    walk(&form);
    for (QDialog *dialog : form.findChildren<QDialog *>()) {
        dialog->show();
        walk(dialog);
        dialog->hide();
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));
    QCOMPARE((QStringList{form.findChild<QWidget *>(QStringLiteral("PCList"))->accessibleName(),
                          form.ZenkList()->accessibleName()}),
             paneNames);
}

// The PC pane's headers come from Qt: they follow the language chosen in
// the window, back and forth.
void TestOssikAccess::qtTextsFollowLanguage()
{
    QTemporaryDir folder;
    for (const char *lng : {"cs.lng", "en.lng"})
        QVERIFY(QFile::copy(QStringLiteral(TORVANE_BIN_DIR "/explorer/") + QLatin1String(lng),
                            folder.filePath(QLatin1String(lng))));
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ZenkExplorer")).clear();
    ScriptedDialogs dialogs;
    ScriptedProcessList processes;
    TForm1 form(folder.path() + QLatin1Char('/'));
    form.StartUp(processes, QCoreApplication::applicationFilePath());
    auto *pcList = form.findChild<QTreeView *>(QStringLiteral("PCList"));
    auto *languages = form.findChild<QComboBox *>(QStringLiteral("cbJazyk"));
    QVERIFY(pcList && languages);
    const auto headers = [pcList] {
        QStringList texts;
        for (int c = 0; c < 4; ++c)
            texts << pcList->model()->headerData(c, Qt::Horizontal).toString();
        return texts;
    };
    const QStringList english{"Name", "Size", "Type", "Date Modified"};
    const QStringList czech{"Název", "Velikost", "Typ", "Datum změny"};
    const std::pair<const char *, QStringList> steps[] = {{"cs", czech}, {"en", english}, {"cs", czech}};
    for (const auto &[language, expected] : steps) {
        languages->setCurrentIndex(languages->findText(QLatin1String(language)));
        QCOMPARE(headers(), expected);
    }
}

int main(int argc, char **argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    TestOssikAccess test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ossikaccess.moc"
