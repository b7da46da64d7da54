// The shipped language files: every text the program reads is there, the
// Czech file gives exactly the built-in defaults, and both files keep the
// layout an 8-bit private-profile reader expects (Windows-1250, CR LF).

#include "cp1250.h"
#include "inifile.h"
#include "languagefile.h"

#include <QFile>
#include <QTest>

class TestLanguageFiles : public QObject
{
    Q_OBJECT

private slots:
    void everyText_data();
    void everyText();
    void fileLayout_data();
    void fileLayout();
};

namespace {

QString languageFile(const char *name)
{
    return QStringLiteral(LANGUAGE_DIR "/") + QLatin1String(name) + QStringLiteral(".lng");
}

// A byte that Windows-1250 leaves undefined decodes to a C1 control code.
bool hasUndefinedByte(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80 && c.unicode() <= 0x9f)
            return true;
    }
    return false;
}

void addFileRows()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("defaults");
    QTest::newRow("cs") << languageFile("cs") << true;
    QTest::newRow("en") << languageFile("en") << false;
}

} // namespace

void TestLanguageFiles::everyText_data()
{
    addFileRows();
}

// Read through the same INI reader the program uses.
void TestLanguageFiles::everyText()
{
    QFETCH(QString, path);
    QFETCH(bool, defaults);
    QVERIFY2(QFile::exists(path), qPrintable(path));

    const IniFile file(path);
    QStringList faults;
    for (const LanguageText &entry : LanguageTexts) {
        const QByteArray section(entry.section);
        const QByteArray key = QByteArray::number(entry.key);
        const QString where = QStringLiteral("[%1] %2").arg(entry.section).arg(entry.key);
        if (!file.hasKey(section, key)) {
            faults << where + QStringLiteral(": missing");
            continue;
        }
        const QString text = Cp1250::toUnicode(file.readString(section, key));
        if (text.isEmpty())
            faults << where + QStringLiteral(": empty");
        else if (hasUndefinedByte(text))
            faults << where + QStringLiteral(": byte undefined in Windows-1250");
        else if (defaults && text != QString::fromUtf8(entry.text))
            faults << where + QStringLiteral(": \"%1\" instead of \"%2\"")
                                  .arg(text, QString::fromUtf8(entry.text));
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

void TestLanguageFiles::fileLayout_data()
{
    addFileRows();
}

// Sections in the loader's order, each holding exactly the keys the program
// reads, in its order: a stray or repeated key is a text nobody would see.
void TestLanguageFiles::fileLayout()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray bytes = file.readAll();

    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));

    QStringList expected;
    for (const LanguageSection &section : LanguageSections) {
        expected << QStringLiteral("[%1]").arg(QLatin1String(section.name));
        for (const LanguageText &entry : LanguageTexts) {
            if (qstrcmp(entry.section, section.name) == 0)
                expected << QString::number(entry.key);
        }
    }
    QCOMPARE(qsizetype(std::size(LanguageTexts) + std::size(LanguageSections)), expected.size());

    QStringList found;
    const QList<QByteArray> lines = bytes.chopped(2).split('\n');
    for (QByteArray line : lines) {
        line.chop(1); // the carriage return
        if (line.isEmpty())
            continue;
        if (line.startsWith('[')) {
            QVERIFY2(line.endsWith(']'), line.constData());
            found << QString::fromLatin1(line);
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        QVERIFY2(equals > 0, line.constData());
        const QByteArray value = line.mid(equals + 1);
        QVERIFY2(value.trimmed() == value, line.constData());
        found << QString::fromLatin1(line.left(equals));
    }
    QCOMPARE(found, expected);
}

QTEST_GUILESS_MAIN(TestLanguageFiles)
#include "tst_languagefiles.moc"
