// Where the program's files live: beside an unpacked program, or split into
// the configuration, data and documents folders for an installed one.

#include "programfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestProgramFolder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void places_data();
    void places();

private:
    QTemporaryDir m_root;
};

void TestProgramFolder::initTestCase()
{
    QVERIFY(m_root.isValid());
    // A fresh user, so nothing is looked up in the real home.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_root.filePath("config")));
    qputenv("HOME", QFile::encodeName(m_root.filePath("home")));
    QDir().mkpath(m_root.filePath("home"));
    for (const char *folder : {"unpacked/bin", "installed/bin", "installed/share/torvane",
                               "noshare/bin", "noshare/share", "other/lib/torvane/share/torvane"})
        QVERIFY(QDir().mkpath(m_root.filePath(folder)));
}

void TestProgramFolder::places_data()
{
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("settings");   // relative to the test's root
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("smsFolder");
    QTest::addColumn<QString>("ossik");

    // The build's bin/ and a folder of its own: everything beside the program.
    QTest::newRow("unpacked bin") << "unpacked/bin/" << false << "unpacked/bin/torvane.ini"
                                  << "unpacked/bin/" << "unpacked/bin/SMS/" << "unpacked/bin/explorer/ossik";
    QTest::newRow("unpacked bin, no separator")
        << "unpacked/bin" << false << "unpacked/bin/torvane.ini" << "unpacked/bin/"
        << "unpacked/bin/SMS/" << "unpacked/bin/explorer/ossik";
    // bin with ../share/torvane: an installed program.
    QTest::newRow("installed") << "installed/bin/" << true << "config/torvane/torvane.ini"
                               << "installed/share/torvane/" << "home/Documents/Torvane/SMS/"
                               << "installed/bin/ossik";
    // share without torvane/ in it is somebody else's.
    QTest::newRow("share without torvane") << "noshare/bin/" << false << "noshare/bin/torvane.ini"
                                           << "noshare/bin/" << "noshare/bin/SMS/"
                                           << "noshare/bin/explorer/ossik";
    // Only a folder named bin counts.
    QTest::newRow("not a bin folder") << "other/lib/torvane/" << false
                                      << "other/lib/torvane/torvane.ini" << "other/lib/torvane/"
                                      << "other/lib/torvane/SMS/" << "other/lib/torvane/explorer/ossik";
}

void TestProgramFolder::places()
{
    QFETCH(QString, programFolder);
    QFETCH(bool, installed);
    QFETCH(QString, settings);
    QFETCH(QString, data);
    QFETCH(QString, smsFolder);
    QFETCH(QString, ossik);

    const QString folder = m_root.filePath(programFolder) + (programFolder.endsWith('/') ? "/" : "");
    const auto at = [this](const QString &relative) {
        return QDir::cleanPath(m_root.filePath(relative)) + (relative.endsWith('/') ? "/" : "");
    };
    QCOMPARE(isInstalledLayout(folder), installed);
    QCOMPARE(QDir::cleanPath(settingsFilePath(folder)), at(settings));
    // The settings folder exists for the first write to succeed.
    QVERIFY(QFileInfo(QFileInfo(settingsFilePath(folder)).path()).isDir());
    QCOMPARE(QDir::cleanPath(dataFolder(folder)) + '/', at(data));
    const QString sms = userFilesFolder(folder, QStringLiteral("SMS"));
    QCOMPARE(QDir::cleanPath(sms) + '/', at(smsFolder));
    QVERIFY(QFileInfo(sms).isDir());
    QCOMPARE(QDir::cleanPath(companionProgramPath(folder)), at(ossik));

    // Language files: the data folder, and when installed also the user's
    // configuration folder; ossik's own below each.
    QStringList expected{at(data)};
    if (installed)
        expected << at(QStringLiteral("config/torvane/"));
    QStringList found;
    for (const QString &f : languageFolders(folder))
        found << QDir::cleanPath(f) + '/';
    QCOMPARE(found, expected);
    QCOMPARE(QDir::cleanPath(dataFolder(folder, QStringLiteral("explorer"))) + '/',
             installed ? at(data + "explorer/") : at(data));
}

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_programfolder.moc"
