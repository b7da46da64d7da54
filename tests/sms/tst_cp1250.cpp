// The Windows-1250 mapping, checked against the system's own converter (ICU
// behind QStringDecoder) where the Qt build has one.

#include "cp1250.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

class TestCp1250 : public QObject
{
    Q_OBJECT

private slots:
    void everyByteRoundTrips();
    void agreesWithSystemConverter();
    void missingCharacters_data();
    void missingCharacters();
};

void TestCp1250::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString unicode = Cp1250::toUnicode(all);
    QCOMPARE(unicode.size(), 256);
    QCOMPARE(Cp1250::fromUnicode(unicode), all);
    QVERIFY(Cp1250::canEncode(unicode));
}

void TestCp1250::agreesWithSystemConverter()
{
    QStringDecoder decoder("windows-1250");
    QStringEncoder encoder("windows-1250");
    if (!decoder.isValid() || !encoder.isValid())
        QSKIP("this Qt build has no Windows-1250 converter to compare with");

    const QList<int> undefined = {0x81, 0x83, 0x88, 0x90, 0x98};
    for (int b = 0; b < 256; ++b) {
        if (undefined.contains(b))
            continue;
        const QByteArray byte(1, char(b));
        const QString expected = decoder.decode(byte);
        QCOMPARE(QString(QChar(Cp1250::toUnicode(uchar(b)))), expected);
    }
    // The reverse direction over the whole BMP: a code point gets a byte from
    // us exactly when the system converter maps it to a byte that maps back.
    QStringEncoder encoder1250("windows-1250", QStringConverter::Flag::Stateless);
    QStringDecoder decoder1250("windows-1250", QStringConverter::Flag::Stateless);
    int mapped = 0;
    for (char32_t code = 0xA0; code < 0xFFFE; ++code) {
        if (QChar::isSurrogate(code))
            continue;
        const QByteArray theirs = encoder1250.encode(QString(QChar(char16_t(code))));
        const bool real = theirs.size() == 1 && uchar(theirs[0]) >= 0x80
                          && decoder1250.decode(theirs) == QString(QChar(char16_t(code)));
        QCOMPARE(Cp1250::fromUnicode(code), real ? theirs[0] : '?');
        mapped += real;
    }
    QCOMPARE(mapped, 128 - 5); // every defined byte of the upper half
}

void TestCp1250::missingCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("Greek") << QStringLiteral(u"Θα") << QByteArray("??");
    QTest::newRow("Latin-1 letters outside the page") << QStringLiteral(u"àñÆ") << QByteArray("???");
    QTest::newRow("emoji is one character") << QString::fromUtf8("a\xF0\x9F\x98\x80" "b") << QByteArray("a?b");
    QTest::newRow("lone surrogate") << QString(QChar(u'\xD83D')) + u'x' << QByteArray("?x");
    QTest::newRow("Czech kept") << QStringLiteral(u"Příliš žluťoučký kůň") << QByteArray("P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2");
}

void TestCp1250::missingCharacters()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Cp1250::fromUnicode(text), bytes);
    QCOMPARE(Cp1250::canEncode(text), !bytes.contains('?'));
}

QTEST_GUILESS_MAIN(TestCp1250)
#include "tst_cp1250.moc"
