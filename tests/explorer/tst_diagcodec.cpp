// The diagnostic frame codec: the check-value table, the frames the handset
// relies on, escaping, the sequence-byte rule and the gathering of received
// bytes into frames.

#include "crc16_ossik.h"

#include <QTest>

class TstDiagCodec : public QObject
{
    Q_OBJECT

private slots:
    void checkValues();
    void frames_data();
    void frames();
    void assembler_data();
    void assembler();
    void assemblerDropsRunawayBytes();
};

static QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

void TstDiagCodec::checkValues()
{
    QCOMPARE(Crc16Table[0], uint16_t(0x0000));
    QCOMPARE(Crc16Table[1], uint16_t(0x1189));
    QCOMPARE(Crc16Table[128], uint16_t(0x8408));
    QCOMPARE(Crc16Table[255], uint16_t(0x0F78));
    // The standard check value of CRC-16/X.25.
    QCOMPARE(FrameCheckValue("123456789"), uint16_t(0x906E));
    uint16_t acc = 0x1234;
    UpdateCrc16(reinterpret_cast<const unsigned char *>("x"), 0, acc);
    QCOMPARE(acc, uint16_t(0x1234));
    // Feeding in two pieces is the same as in one.
    acc = 0xFFFF;
    UpdateCrc16(reinterpret_cast<const unsigned char *>("1234"), 4, acc);
    UpdateCrc16(reinterpret_cast<const unsigned char *>("56789"), 5, acc);
    QCOMPARE(uint16_t(acc ^ 0xFFFF), uint16_t(0x906E));
}

void TstDiagCodec::frames_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("wire");

    // The replies recognised by their whole frame, and two requests.
    QTest::newRow("folder made") << hex("590000") << hex("59000031D97E");
    QTest::newRow("folder removed") << hex("590100") << hex("590100E9C07E");
    QTest::newRow("folder not removable") << hex("590103") << hex("59010372F27E");
    QTest::newRow("folders not listed") << hex("590A08") << hex("590A0809A87E");
    QTest::newRow("end of folders") << hex("590A1C") << hex("590A1CACFE7E");
    QTest::newRow("end of files") << hex("590B1C") << hex("590B1C74E77E");
    QTest::newRow("free space") << hex("590C") << hex("590CC4C17E");
    // 7D and 7E in the payload, and nothing else escaped.
    QTest::newRow("escapes") << hex("59007D7E001F7F80FF")
                             << hex("59007D5D7D5E001F7F80FF") + FrameCheckBytes(hex("59007D7E001F7F80FF")) + '\x7E';
    // Index 7E of a listing goes out as 7F, its check value over the 7F.
    QTest::newRow("listing index 7E")
        << hex("590A7E0000000100") << hex("590A7F0000000100") + FrameCheckBytes(hex("590A7F0000000100")) + '\x7E';
    // Reads and writes keep their counter 7E, escaped.
    QTest::newRow("read counter 7E") << hex("59047E") << hex("59047D5E") + FrameCheckBytes(hex("59047E")) + '\x7E';
    QTest::newRow("write counter 7E")
        << hex("59057E010000") << hex("59057D5E010000") + FrameCheckBytes(hex("59057E010000")) + '\x7E';
    // Two bytes have no byte 2 to change.
    QTest::newRow("short payload") << hex("597E") << hex("597D5E") + FrameCheckBytes(hex("597E")) + '\x7E';
}

void TstDiagCodec::frames()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, wire);
    QCOMPARE(EncodeFrame(payload).toHex(' '), wire.toHex(' '));
    // Every frame the codec makes is taken back whole and with a good check value.
    FrameAssembler assembler;
    const QList<ReceivedFrame> back = assembler.feed(wire);
    QCOMPARE(back.size(), 1);
    QVERIFY(back[0].checkOk);
    QCOMPARE(back[0].payload().toHex(' '), ApplySequenceByteRule(payload).toHex(' '));
}

void TstDiagCodec::assembler_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QByteArrayList>("frames");  // hex of each frame handed over, with its check bytes
    QTest::addColumn<QList<bool>>("checks");
    QTest::addColumn<int>("pending");

    const QByteArray made = hex("59000031D97E");
    const QByteArray removed = hex("590100E9C07E");
    QTest::newRow("one") << QByteArrayList{made} << QByteArrayList{made.toHex()} << QList<bool>{true} << 0;
    QTest::newRow("two in one piece") << QByteArrayList{made + removed}
                                      << QByteArrayList{made.toHex(), removed.toHex()} << QList<bool>{true, true}
                                      << 0;
    QTest::newRow("three pieces") << QByteArrayList{made.left(2), made.mid(2, 2), made.mid(4)}
                                  << QByteArrayList{made.toHex()} << QList<bool>{true} << 0;
    QTest::newRow("lone terminators between frames") << QByteArrayList{"\x7E" + made + "\x7E\x7E"}
                                                     << QByteArrayList{made.toHex()} << QList<bool>{true} << 0;
    // Built by hand: EncodeFrame would apply the sequence-byte rule.
    const QByteArray escaped = EscapeFrameBytes(hex("590B7E00")) + FrameCheckBytes(hex("590B7E00")) + '\x7E';
    QTest::newRow("escape removed") << QByteArrayList{escaped}
                                    << QByteArrayList{(hex("590B7E00") + FrameCheckBytes(hex("590B7E00")) + '\x7E').toHex()}
                                    << QList<bool>{true} << 0;
    QTest::newRow("escape split from its byte") << QByteArrayList{escaped.left(3), escaped.mid(3)}
                                                << QByteArrayList{(hex("590B7E00") + FrameCheckBytes(hex("590B7E00")) + '\x7E').toHex()}
                                                << QList<bool>{true} << 0;
    QTest::newRow("wrong check value") << QByteArrayList{hex("59000031D87E")} << QByteArrayList{"59000031d87e"}
                                       << QList<bool>{false} << 0;
    QTest::newRow("too short for a check value") << QByteArrayList{hex("597E")} << QByteArrayList{"597e"}
                                                 << QList<bool>{false} << 0;
    QTest::newRow("escape before the terminator") << QByteArrayList{hex("59000031D97D7E")}
                                                  << QByteArrayList{"59000031d97e"} << QList<bool>{false} << 0;
    QTest::newRow("incomplete stays") << QByteArrayList{made + hex("5901")} << QByteArrayList{made.toHex()}
                                      << QList<bool>{true} << 2;
}

void TstDiagCodec::assembler()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArrayList, frames);
    QFETCH(QList<bool>, checks);
    QFETCH(int, pending);
    FrameAssembler assembler;
    QByteArrayList got;
    QList<bool> gotChecks;
    for (const QByteArray &piece : pieces) {
        for (const ReceivedFrame &f : assembler.feed(piece)) {
            got.append(f.bytes.toHex());
            gotChecks.append(f.checkOk);
        }
    }
    QCOMPARE(got, frames);
    QCOMPARE(gotChecks, checks);
    QCOMPARE(assembler.pendingSize(), pending);
}

void TstDiagCodec::assemblerDropsRunawayBytes()
{
    FrameAssembler assembler;
    QVERIFY(assembler.feed(QByteArray(FrameAssembler::MaxPending + 1, 'x')).isEmpty());
    QCOMPARE(assembler.pendingSize(), 0);
    QVERIFY(assembler.overflowCount() > 0);
    // The next frame is whole again.
    const QList<ReceivedFrame> next = assembler.feed(hex("59000031D97E"));
    QCOMPARE(next.size(), 1);
    QVERIFY(next[0].checkOk);
}

QTEST_GUILESS_MAIN(TstDiagCodec)
#include "tst_diagcodec.moc"
