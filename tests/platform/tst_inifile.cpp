#include "inifile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray fileContent(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(content), content.size());
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void readString_data();
    void readString();
    void readIntegerAndBool_data();
    void readIntegerAndBool();
    void write_data();
    void write();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();

private:
    QTemporaryDir m_dir;
};

void TestIniFile::readString_data()
{
    QTest::addColumn<QByteArray>("content");  // null: no file at all
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("expected");  // with the default "dflt"

    const QByteArray port = "[ComPort1]\r\nPort=COM3\r\nBaudRate=115200\r\n";
    QTest::newRow("missing file") << QByteArray() << QByteArray("ComPort1") << QByteArray("Port") << QByteArray("dflt");
    QTest::newRow("missing section") << port << QByteArray("GPSPort") << QByteArray("Port") << QByteArray("dflt");
    QTest::newRow("missing key") << port << QByteArray("ComPort1") << QByteArray("Parity") << QByteArray("dflt");
    QTest::newRow("names without regard to case")
        << port << QByteArray("COMPORT1") << QByteArray("baudrate") << QByteArray("115200");
    QTest::newRow("value and name trimmed")
        << QByteArray("  [ S ]  \r\n\t Key  =   two words \t\r\n") << QByteArray("s") << QByteArray("KEY")
        << QByteArray("two words");
    QTest::newRow("LF line ends") << QByteArray("[S]\nA=1\nB=2\n") << QByteArray("S") << QByteArray("B") << QByteArray("2");
    QTest::newRow("no line end at the end") << QByteArray("[S]\r\nB=2") << QByteArray("S") << QByteArray("B") << QByteArray("2");
    QTest::newRow("equals sign in value") << QByteArray("[S]\r\nK=a=b\r\n") << QByteArray("S") << QByteArray("K") << QByteArray("a=b");
    QTest::newRow("8-bit text kept as it is")
        << QByteArray("[S]\r\nK=\x8a\xe9\x9e\xed \xa0\r\n") << QByteArray("S") << QByteArray("K")
        << QByteArray("\x8a\xe9\x9e\xed \xa0");
    QTest::newRow("key of another section not taken")
        << QByteArray("[A]\r\nK=1\r\n[B]\r\nX=2\r\n") << QByteArray("B") << QByteArray("K") << QByteArray("dflt");
    QTest::newRow("empty value is a value") << QByteArray("[S]\r\nK=\r\n") << QByteArray("S") << QByteArray("K") << QByteArray("");
    QTest::newRow("comment line is no key") << QByteArray("[S]\r\n;K=1\r\n") << QByteArray("S") << QByteArray("K") << QByteArray("dflt");
    QTest::newRow("line without equals sign") << QByteArray("[S]\r\nK\r\n") << QByteArray("S") << QByteArray("K") << QByteArray("dflt");
    QTest::newRow("first of two equal keys")
        << QByteArray("[S]\r\nK=1\r\nk=2\r\n") << QByteArray("S") << QByteArray("K") << QByteArray("1");
    QTest::newRow("overlong value cut")
        << QByteArray("[S]\r\nK=" + QByteArray(3000, 'x') + "\r\n") << QByteArray("S") << QByteArray("K")
        << QByteArray(IniFile::MaxValueLength, 'x');
}

void TestIniFile::readString()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, expected);

    const QString path = m_dir.filePath(QStringLiteral("read.ini"));
    QFile::remove(path);
    if (!content.isNull())
        writeFile(path, content);
    const IniFile ini(path);
    QCOMPARE(ini.readString(section, key, "dflt"), expected);
    QCOMPARE(ini.hasKey(section, key), expected != "dflt");
}

void TestIniFile::readIntegerAndBool_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("expectedInt");   // with the default 77
    QTest::addColumn<bool>("expectedBool"); // with the default true

    QTest::newRow("one") << QByteArray("[S]\r\nK=1\r\n") << 1 << true;
    QTest::newRow("zero") << QByteArray("[S]\r\nK=0\r\n") << 0 << false;
    QTest::newRow("blanks around") << QByteArray("[S]\r\nK=  42 \r\n") << 42 << true;
    QTest::newRow("negative") << QByteArray("[S]\r\nK=-3\r\n") << -3 << true;
    QTest::newRow("hexadecimal") << QByteArray("[S]\r\nK=0x1F\r\n") << 31 << true;
    QTest::newRow("not a number") << QByteArray("[S]\r\nK=abc\r\n") << 77 << true;
    QTest::newRow("empty") << QByteArray("[S]\r\nK=\r\n") << 77 << true;
    QTest::newRow("missing") << QByteArray("[S]\r\n") << 77 << true;
}

void TestIniFile::readIntegerAndBool()
{
    QFETCH(QByteArray, content);
    QFETCH(int, expectedInt);
    QFETCH(bool, expectedBool);

    const QString path = m_dir.filePath(QStringLiteral("int.ini"));
    writeFile(path, content);
    const IniFile ini(path);
    QCOMPARE(ini.readInteger("S", "K", 77), expectedInt);
    QCOMPARE(ini.readBool("s", "k", true), expectedBool);
}

void TestIniFile::write_data()
{
    QTest::addColumn<QByteArray>("before");  // null: no file
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << QByteArray("S") << QByteArray("K") << QByteArray("V")
                              << QByteArray("[S]\r\nK=V\r\n");
    QTest::newRow("new key at the end of its own section")
        << QByteArray("[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n") << QByteArray("a") << QByteArray("Z") << QByteArray("3")
        << QByteArray("[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=2\r\n");
    QTest::newRow("value replaced, other lines kept")
        << QByteArray("[a]\r\n; note\r\nkey = old\r\nOther=1\r\n") << QByteArray("A") << QByteArray("KEY")
        << QByteArray("new") << QByteArray("[a]\r\n; note\r\nkey=new\r\nOther=1\r\n");
    QTest::newRow("new section after the others")
        << QByteArray("[A]\r\nX=1\r\n") << QByteArray("B") << QByteArray("Y") << QByteArray("2")
        << QByteArray("[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n");
    QTest::newRow("8-bit value kept")
        << QByteArray() << QByteArray("Info") << QByteArray("Jm\xe9no") << QByteArray("\x8a\x9e\xa0\xff")
        << QByteArray("[Info]\r\nJm\xe9no=\x8a\x9e\xa0\xff\r\n");
    QTest::newRow("boolean as 1") << QByteArray("[S]\r\nB=0\r\n") << QByteArray("S") << QByteArray("B")
                                  << QByteArray("1") << QByteArray("[S]\r\nB=1\r\n");
}

void TestIniFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);

    const QString path = m_dir.filePath(QStringLiteral("write.ini"));
    QFile::remove(path);
    if (!before.isNull())
        writeFile(path, before);
    IniFile ini(path);
    QVERIFY(ini.writeString(section, key, value));
    QCOMPARE(fileContent(path), after);
    QCOMPARE(ini.readString(section, key), value);

    QVERIFY(ini.deleteKey(section, key));
    QVERIFY(!ini.hasKey(section, key));
}

void TestIniFile::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("read-only folder") << QStringLiteral("readonly-folder") << QByteArray("new");
    QTest::newRow("unreadable file") << QStringLiteral("unreadable-file") << QByteArray("new");
    QTest::newRow("file size limit hit while writing")
        << QStringLiteral("size-limit") << QByteArray(200000, 'x');
    QTest::newRow("line break in value") << QString() << QByteArray("COM3\r\n[Info]\r\nJazyk=5");
}

void TestIniFile::failedWriteKeepsOldFile()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, value);

    if ((fault == QLatin1String("readonly-folder") || fault == QLatin1String("unreadable-file"))
        && ::geteuid() == 0)
        QSKIP("file permissions do not bind root");

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("torvane.ini"));
    const QByteArray old = "[ComPort1]\r\nPort=COM1\r\n\r\n[Info]\r\nJazyk=2\r\n";
    writeFile(path, old);

    IniFile ini(path);
    bool written = true;
    if (fault == QLatin1String("readonly-folder")) {
        ::chmod(QFile::encodeName(dir.path()).constData(), 0555);
        written = ini.writeString("ComPort1", "Port", value);
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    } else if (fault == QLatin1String("unreadable-file")) {
        ::chmod(QFile::encodeName(path).constData(), 0200);
        written = ini.writeString("ComPort1", "Port", value);
        ::chmod(QFile::encodeName(path).constData(), 0644);
    } else if (fault == QLatin1String("size-limit")) {
        // Makes the disk "full" for this process, which binds root too.
        rlimit saved {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &small);
        written = ini.writeString("ComPort1", "Port", value);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    } else {
        written = ini.writeString("ComPort1", "Port", value);
    }

    QVERIFY(!written);
    QCOMPARE(fileContent(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("torvane.ini")});
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
