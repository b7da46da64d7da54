// The PDU codec against messages laid out by hand after 3GPP TS 23.040 and
// TS 23.038. Every line is commented field by field.

#include "clock.h"
#include "cp1250.h"
#include "smsjoin.h"
#include "text2pdu.h"

#include <QTest>

Q_DECLARE_METATYPE(DecodedPdu)

namespace {

// Texts in the tables are written in UTF-8 and compared as Windows-1250.
QByteArray cp(const char *utf8)
{
    return Cp1250::fromUnicode(QString::fromUtf8(utf8));
}

const QDateTime kNow(QDate(2024, 3, 5), QTime(7, 8, 9));
const QByteArray kNowText = "05.03.2024 07:08:09";

// Common parts of the received lines below.
// Service centre: 07 octets, 91 international, 240000000000 = 420000000000.
const QByteArray kSca = "0791240000000000";
// Originating address: 0C = 12 digits, 91 international, 420000123456 swapped.
const QByteArray kOa = "0C91240000214365";
// Time stamp 05-01-12 14:50:01, zone 04 (each octet's digits swapped).
const QByteArray kScts = "50102141051040";
const QByteArray kTime = "12.01.2005 14:50:01.04";

} // namespace

class TestText2pdu : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void decodeCut_data();
    void decodeCut();
    void decodeMalformed_data();
    void decodeMalformed();
    void encode_data();
    void encode();
    void encodeErrors_data();
    void encodeErrors();
    void concatenationFields_data();
    void concatenationFields();
    void parts_data();
    void parts();
    void partLine();
    void partsErrors();
    void join_data();
    void join();
    void roundTripNumbers();
    void roundTripGsmAlphabet();
    void gsmToText_data();
    void gsmToText();
    void ucs2Hex_data();
    void ucs2Hex();
    void ucs2HexToTextOddInput_data();
    void ucs2HexToTextOddInput();
};

void TestText2pdu::decode_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QByteArray>("time");
    QTest::addColumn<QByteArray>("text");

    const int rx = DecodedPdu::Received;
    const int tx = DecodedPdu::StoredOutgoing;

    // FO 04 DELIVER; PID 00; DCS 00; UDL 03 septets; 61 F1 18 = "abc".
    QTest::newRow("7-bit, worked example")
        << QByteArray("0791240000000000040C912400002143650000501021410510400361F118")
        << rx << QByteArray("420000123456") << kTime << QByteArray("abc");
    // OA 09 digits, 81 national, 21 43 65 87 F9 = 123456789 padded; DCS 08;
    // UDL 06 octets: 0061 010D 0159 = "ačř".
    QTest::newRow("UCS-2, odd-length national sender")
        << QByteArray("079124000000000004098121436587F9000850102141051040060061010D0159")
        << rx << QByteArray("123456789") << kTime << QByteArray("ačř");
    // OA 14 = 20 semi-octets, D0 alphanumeric (TON 101), 10 octets of packed
    // GSM: 11 septets "InternetSMS".
    QTest::newRow("alphanumeric sender")
        << kSca + "0414D04937BD2C7797E9D3E614" + "0000" + kScts + "0361F118"
        << rx << QByteArray("InternetSMS") << kTime << QByteArray("abc");
    // OA 0D = 13 digits 4200001234567, padded 7F.
    QTest::newRow("13-digit sender")
        << kSca + "040D91240000214365F7" + "0000" + kScts + "0361F118"
        << rx << QByteArray("4200001234567") << kTime << QByteArray("abc");
    // OA 14 = 20 digits, the longest address there is.
    QTest::newRow("20-digit sender")
        << kSca + "04149121436587092143658709" + "0000" + kScts + "0361F118"
        << rx << QByteArray("12345678901234567890") << kTime << QByteArray("abc");
    // UDL 03: 61 80 18 = septets 61 00 62; 00 is the at sign.
    QTest::newRow("at sign in the middle")
        << kSca + "04" + kOa + "0000" + kScts + "03618018"
        << rx << QByteArray("420000123456") << kTime << QByteArray("a@b");
    // UDL 07: "abcdef@" fills seven octets exactly; its last septet is 00.
    QTest::newRow("at sign last, 7 septets")
        << kSca + "04" + kOa + "0000" + kScts + "0761F1985C360300"
        << rx << QByteArray("420000123456") << kTime << QByteArray("abcdef@");
    // UDL 07: the eighth septet of the last octet is fill, not a character.
    QTest::newRow("7 septets (7 mod 8)")
        << kSca + "04" + kOa + "0000" + kScts + "0741F45B0D8AC900"
        << rx << QByteArray("420000123456") << kTime << QByteArray("Ahoj 12");
    // UDL 08: eight septets in seven octets.
    QTest::newRow("8 septets (0 mod 8)")
        << kSca + "04" + kOa + "0000" + kScts + "0841F45B0D8AC966"
        << rx << QByteArray("420000123456") << kTime << QByteArray("Ahoj 123");
    // UDL 04: septets 41 0A 01 42 = "A", line feed, pound, "B".
    QTest::newRow("GSM line feed and pound")
        << kSca + "04" + kOa + "0000" + kScts + "0441454008"
        << rx << QByteArray("420000123456") << kTime << QByteArray("A_ B");
    // UDL 14 = 20 septets: 1B65 20 1B28 78 1B29 1B14 1B2F 1B3C 1B3D 1B3E 1B40.
    QTest::newRow("extension table")
        << kSca + "04" + kOa + "0000" + kScts + "149B326883C26F521BCAE6B5E16D7A1BDF0608"
        << rx << QByteArray("420000123456") << kTime << QByteArray("€ {x}^\\[~]|");
    // Septets 41 05 1E 5F 5C: A é ß § Ö (the real GSM letters).
    QTest::newRow("GSM national letters")
        << kSca + "04" + kOa + "0000" + kScts + "05C182E7CB05"
        << rx << QByteArray("420000123456") << kTime << QByteArray("Aéß§Ö");
    // FO 44: user-data header present. UDL 0C septets: UDH 05, IEI 00
    // (concatenation, 8-bit reference) 03: ref 2A, 2 parts, part 1; one fill
    // bit to septet 7; then "world".
    QTest::newRow("concatenated part, 7-bit")
        << kSca + "44" + kOa + "0000" + kScts + "0C0500032A0201EE6F399B0C"
        << rx << QByteArray("420000123456") << kTime << QByteArray("world");
    // FO 44, DCS 08, UDL 0A octets: the same header (part 2), then 0061 0062.
    QTest::newRow("concatenated part, UCS-2")
        << kSca + "44" + kOa + "0008" + kScts + "0A0500032A020200610062"
        << rx << QByteArray("420000123456") << kTime << QByteArray("ab");
    // DCS 04: 8-bit data, UDL 03 octets taken as bytes: 48 69 E8.
    QTest::newRow("8-bit (04)")
        << kSca + "04" + kOa + "0004" + kScts + "034869E8"
        << rx << QByteArray("420000123456") << kTime << QByteArray("Hič");
    // DCS F4 (class 0, 8-bit), FO 44: 6-octet header, then "abc".
    QTest::newRow("8-bit (F4) with header")
        << kSca + "44" + kOa + "00F4" + kScts + "090500032A0201616263"
        << rx << QByteArray("420000123456") << kTime << QByteArray("abc");
    // DCS F6 (class 2, 8-bit), no header.
    QTest::newRow("8-bit (F6)")
        << kSca + "04" + kOa + "00F6" + kScts + "03616263"
        << rx << QByteArray("420000123456") << kTime << QByteArray("abc");
    // DCS 18: general group, class meaningful, UCS-2.
    QTest::newRow("UCS-2 (18)")
        << kSca + "04" + kOa + "0018" + kScts + "040061010D"
        << rx << QByteArray("420000123456") << kTime << QByteArray("ač");
    // DCS 19 and E8 (message waiting, store, UCS-2).
    QTest::newRow("UCS-2 (19)")
        << kSca + "04" + kOa + "0019" + kScts + "040061010D"
        << rx << QByteArray("420000123456") << kTime << QByteArray("ač");
    QTest::newRow("UCS-2 (E8)")
        << kSca + "04" + kOa + "00E8" + kScts + "040061010D"
        << rx << QByteArray("420000123456") << kTime << QByteArray("ač");
    // DCS F0 (class 0, default alphabet) and C0 (message waiting, discard).
    QTest::newRow("7-bit (F0)")
        << kSca + "04" + kOa + "00F0" + kScts + "0361F118"
        << rx << QByteArray("420000123456") << kTime << QByteArray("abc");
    QTest::newRow("7-bit (C0)")
        << kSca + "04" + kOa + "00C0" + kScts + "0361F118"
        << rx << QByteArray("420000123456") << kTime << QByteArray("abc");
    // UCS-2 with Slovak and Polish letters, the euro sign and typographic quotes.
    QTest::newRow("UCS-2, Central European letters")
        << kSca + "04" + kOa + "0008" + kScts
               + "24013D00FA00620069006D002001650061002C0020014100F30064017A002020AC201E201C"
        << rx << QByteArray("420000123456") << kTime << QByteArray("Ľúbim ťa, Łódź €„“");
    // UCS-2 0061, D83D DE00 (one emoji as a surrogate pair), 0062, 0398 (Θ):
    // kept whole, though Windows-1250 has neither.
    QTest::newRow("UCS-2, characters the code page lacks")
        << kSca + "04" + kOa + "0008" + kScts + "0A0061D83DDE0000620398"
        << rx << QByteArray("420000123456") << kTime << QByteArray("a😀bΘ");
    // UDL 1C = 28 octets: Cyrillic, the euro sign, an emoji.
    QTest::newRow("UCS-2, Cyrillic and an emoji")
        << kSca + "04" + kOa + "0008" + kScts + "1C041F04400438043204350442002C002020AC002004380020D83DDE00"
        << rx << QByteArray("420000123456") << kTime << QByteArray("Привет, € и 😀");
    // UCS-2 0061 D800 0062: a lone high surrogate is no character.
    QTest::newRow("UCS-2, lone surrogate")
        << kSca + "04" + kOa + "0008" + kScts + "060061D8000062"
        << rx << QByteArray("420000123456") << kTime << QByteArray("a\uFFFDb");
    // UDL 03: septets 10 19 13 = Δ Θ Γ, GSM letters Windows-1250 lacks.
    QTest::newRow("GSM Greek letters")
        << kSca + "04" + kOa + "0000" + kScts + "0390CC04"
        << rx << QByteArray("420000123456") << kTime << QByteArray("ΔΘΓ");
    // UDL 00: an empty message is a message.
    QTest::newRow("empty user data")
        << kSca + "04" + kOa + "0000" + kScts + "00"
        << rx << QByteArray("420000123456") << kTime << QByteArray();
    // Digits after the user data that the length covers are not part of it.
    QTest::newRow("digits after the user data")
        << kSca + "04" + kOa + "0000" + kScts + "0361F118FFFF"
        << rx << QByteArray("420000123456") << kTime << QByteArray("abc");
    QTest::newRow("lower-case digits and a line end")
        << QByteArray("0791240000000000040c912400002143650000501021410510400361f118\r\n")
        << rx << QByteArray("420000123456") << kTime << QByteArray("abc");

    // SMS-SUBMIT as stored: no service centre (00); FO 11 (relative VP);
    // MR 00; DA 0C 91 ...; PID 00; DCS 00; VP AA; UDL 03; "abc".
    QTest::newRow("stored outgoing, relative validity")
        << QByteArray("0011000C912400002143650000AA0361F118")
        << tx << QByteArray("420000123456") << kNowText << QByteArray("abc");
    // FO 01: no validity period at all.
    QTest::newRow("stored outgoing, no validity")
        << QByteArray("0001000C9124000021436500000361F118")
        << tx << QByteArray("420000123456") << kNowText << QByteArray("abc");
    // FO 19: absolute validity period, 7 octets like a time stamp.
    QTest::newRow("stored outgoing, absolute validity")
        << QByteArray("0019000C912400002143650000" "50102141051040" "0361F118")
        << tx << QByteArray("420000123456") << kNowText << QByteArray("abc");
    // FO 09: enhanced validity period, 7 octets.
    QTest::newRow("stored outgoing, enhanced validity")
        << QByteArray("0009000C912400002143650000" "01020000000000" "0361F118")
        << tx << QByteArray("420000123456") << kNowText << QByteArray("abc");
    // The sent UCS-2 line of the compose dialog (DCS 09 is UCS-2 class 1).
    QTest::newRow("stored outgoing, UCS-2 (09)")
        << QByteArray("0011000C912400002143650009AA060061010D0159")
        << tx << QByteArray("420000123456") << kNowText << QByteArray("ačř");
}

void TestText2pdu::decode()
{
    QFETCH(QByteArray, line);
    QFETCH(int, kind);
    QFETCH(QByteArray, number);
    QFETCH(QByteArray, time);
    QFETCH(QByteArray, text);

    const FixedClock clock(kNow);
    const DecodedPdu pdu = PduToText(line, clock);
    QVERIFY(pdu.ok);
    QCOMPARE(int(pdu.kind), kind);
    QCOMPARE(pdu.number, number);
    QCOMPARE(pdu.time, time);
    QCOMPARE(pdu.text, QString::fromUtf8(text));
    QVERIFY(!pdu.incomplete);
}

void TestText2pdu::decodeMalformed_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QByteArray>("time");

    const QByteArray noNumber, noTime;
    const QByteArray number = "420000123456";

    QTest::newRow("empty") << QByteArray() << noNumber << noTime;
    QTest::newRow("blanks only") << QByteArray("  \r\n") << noNumber << noTime;
    QTest::newRow("ends in the service centre") << QByteArray("07912400") << noNumber << noTime;
    QTest::newRow("service centre longer than the line") << QByteArray("FF91") << noNumber << noTime;
    QTest::newRow("not hex in the first octet")
        << kSca + "0G" + kOa << noNumber << noTime;
    QTest::newRow("ends in the address") << kSca + "040C9124000021" << noNumber << noTime;
    // 15 = 21 digits: longer than any address can be.
    QTest::newRow("address of 21 digits")
        << kSca + "041591214365870921436587F9" + "0000" + kScts + "0361F118" << noNumber << noTime;
    QTest::newRow("ends before the coding scheme") << kSca + "04" + kOa + "00" << number << noTime;
    QTest::newRow("ends in the time stamp")
        << kSca + "04" + kOa + "0000501021" << number << noTime;
    QTest::newRow("ends before the user-data length")
        << kSca + "04" + kOa + "0000" + kScts << number << kTime;
    QTest::newRow("not hex in the user data")
        << kSca + "04" + kOa + "0000" + kScts + "0361F1Z8" << number << kTime;
    QTest::newRow("odd digit count in the user data")
        << kSca + "04" + kOa + "0000" + kScts + "0361F11" << number << kTime;
    // FO 44 with a header length (0A) beyond the 5 octets of user data.
    QTest::newRow("header longer than the user data")
        << kSca + "44" + kOa + "0008" + kScts + "050A00032A02" << number << kTime;
    // DCS 24: compressed text, which the handset should never hand over.
    QTest::newRow("compressed")
        << kSca + "04" + kOa + "0024" + kScts + "0361F118" << number << kTime;
    QTest::newRow("stored outgoing ends in the validity period")
        << QByteArray("0019000C912400002143650000501021") << number << noTime;
}

void TestText2pdu::decodeMalformed()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, number);
    QFETCH(QByteArray, time);

    const FixedClock clock(kNow);
    const DecodedPdu pdu = PduToText(line, clock);
    QVERIFY(!pdu.ok);
    QCOMPARE(pdu.number, number);
    QCOMPARE(pdu.time, time);
    QCOMPARE(pdu.text, QStringLiteral("Error PDU !"));
}

// Lines cut inside the user data that their length announces: the message
// is incomplete, never a shorter message.
void TestText2pdu::decodeCut_data()
{
    QTest::addColumn<QByteArray>("line");

    // "Ahoj, zitra v 8" in 15 septets (14 octets); cut after 12 of them.
    const QByteArray whole = kSca + "04" + kOa + "0000" + kScts + "0F41F45BCD02E9D37479186407E100";
    QTest::newRow("7-bit, two octets short") << whole.chopped(4);
    QTest::newRow("7-bit, one octet short") << whole.chopped(2);
    QTest::newRow("7-bit, nothing after the length") << kSca + "04" + kOa + "0000" + kScts + "0F";
    // UDL 06 octets, four there.
    QTest::newRow("UCS-2") << kSca + "04" + kOa + "0008" + kScts + "060061010D";
    QTest::newRow("8-bit") << kSca + "04" + kOa + "0004" + kScts + "034869";
    // A concatenated part: header whole, text cut.
    QTest::newRow("concatenated part")
        << kSca + "44" + kOa + "0000" + kScts + "0C0500032A0201EE6F39";
    QTest::newRow("stored outgoing") << QByteArray("0011000C912400002143650000AA0361F1");
}

void TestText2pdu::decodeCut()
{
    QFETCH(QByteArray, line);
    const FixedClock clock(kNow);
    const DecodedPdu pdu = PduToText(line, clock);
    QVERIFY(!pdu.ok);
    QVERIFY(pdu.incomplete);
    QCOMPARE(pdu.number, QByteArray("420000123456"));
    QCOMPARE(pdu.text, QStringLiteral("Error PDU !"));
}

void TestText2pdu::encode_data()
{
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("validity");
    QTest::addColumn<bool>("report");
    QTest::addColumn<QByteArray>("pdu");
    QTest::addColumn<QByteArray>("length");

    const QByteArray n = "420000123456";

    // 00 SCA | 11 SUBMIT | 00 MR | 0C 91 DA | 00 PID | 00 DCS | AA VP | 03 UDL | UD
    QTest::newRow("worked example")
        << n << QByteArray("abc") << QByteArray("AA") << false
        << QByteArray("0011000C912400002143650000AA0361F118") << QByteArray("17");
    QTest::newRow("status report")
        << n << QByteArray("abc") << QByteArray("AA") << true
        << QByteArray("0031000C912400002143650000AA0361F118") << QByteArray("17");
    QTest::newRow("UCS-2 worked example")
        << n << cp("ačř") << QByteArray("AA") << false
        << QByteArray("0011000C912400002143650009AA060061010D0159") << QByteArray("20");
    // Seven septets need seven octets; the last, 00, is written.
    QTest::newRow("7 septets")
        << n << QByteArray("Ahoj 12") << QByteArray("AA") << false
        << QByteArray("0011000C912400002143650000AA0741F45B0D8AC900") << QByteArray("21");
    QTest::newRow("8 septets")
        << n << QByteArray("Ahoj 123") << QByteArray("AA") << false
        << QByteArray("0011000C912400002143650000AA0841F45B0D8AC966") << QByteArray("21");
    // @ $ _ are GSM 00 02 11, not their ASCII codes.
    QTest::newRow("GSM translation")
        << n << QByteArray("@$_") << QByteArray("AA") << false
        << QByteArray("0011000C912400002143650000AA03004104") << QByteArray("17");
    // A é ß § Ö: letters that the GSM alphabet has stay 7-bit.
    QTest::newRow("GSM national letters")
        << n << cp("Aéß§Ö") << QByteArray("AA") << false
        << QByteArray("0011000C912400002143650000AA05C182E7CB05") << QByteArray("19");
    // 1B28 1B65 1B29: three characters, six septets.
    QTest::newRow("extension characters")
        << n << cp("{€}") << QByteArray("AA") << false
        << QByteArray("0011000C912400002143650000AA061BD4A6BC4901") << QByteArray("20");
    QTest::newRow("line break stays 7-bit")
        << n << QByteArray("a\r\nb") << QByteArray("AA") << false
        << QByteArray("0011000C912400002143650000AA04E186420C") << QByteArray("18");
    // ` has no GSM form: the whole text goes as UCS-2.
    QTest::newRow("switch to UCS-2")
        << n << QByteArray("a`") << QByteArray("AA") << false
        << QByteArray("0011000C912400002143650009AA0400610060") << QByteArray("18");
    QTest::newRow("Slovak letters")
        << n << cp("ľúbiť") << QByteArray("AA") << false
        << QByteArray("0011000C912400002143650009AA0A013E00FA006200690165") << QByteArray("24");
    QTest::newRow("Czech letters and ä")
        << n << cp("Šťä") << QByteArray("AA") << false
        << QByteArray("0011000C912400002143650009AA060160016500E4") << QByteArray("20");
    // Destination lengths: 01 digit padded F; 0B digits; 14 = 20 digits.
    QTest::newRow("1-digit number")
        << QByteArray("5") << QByteArray("abc") << QByteArray("AA") << false
        << QByteArray("00110001" "91" "F5" "0000AA0361F118") << QByteArray("12");
    QTest::newRow("11-digit number")
        << QByteArray("12345678901") << QByteArray("abc") << QByteArray("AA") << false
        << QByteArray("0011000B" "91" "2143658709F1" "0000AA0361F118") << QByteArray("17");
    QTest::newRow("20-digit number")
        << QByteArray("12345678901234567890") << QByteArray("abc") << QByteArray("AA") << false
        << QByteArray("00110014" "91" "21436587092143658709" "0000AA0361F118") << QByteArray("21");
    QTest::newRow("validity in lower case")
        << n << QByteArray("abc") << QByteArray("a7") << false
        << QByteArray("0011000C912400002143650000A70361F118") << QByteArray("17");
}

void TestText2pdu::encode()
{
    QFETCH(QByteArray, number);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, validity);
    QFETCH(bool, report);
    QFETCH(QByteArray, pdu);
    QFETCH(QByteArray, length);

    const EncodedPdu r = TextToPdu(number, text, validity, report);
    QVERIFY2(r.ok(), qPrintable(r.errorText));
    QCOMPARE(r.pdu, pdu);
    QCOMPARE(r.length, length);
}

void TestText2pdu::encodeErrors_data()
{
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("validity");
    QTest::addColumn<int>("error");

    const QByteArray n = "420000123456";
    const QByteArray ok = "abc";

    QTest::newRow("empty number") << QByteArray() << ok << QByteArray("AA") << int(EncodedPdu::InvalidNumber);
    QTest::newRow("21 digits") << QByteArray(21, '1') << ok << QByteArray("AA") << int(EncodedPdu::InvalidNumber);
    QTest::newRow("plus sign") << QByteArray("+420000123456") << ok << QByteArray("AA") << int(EncodedPdu::InvalidNumber);
    QTest::newRow("blank in number") << QByteArray("420 000 123") << ok << QByteArray("AA") << int(EncodedPdu::InvalidNumber);
    QTest::newRow("empty text") << n << QByteArray() << QByteArray("AA") << int(EncodedPdu::EmptyText);
    QTest::newRow("161 septets") << n << QByteArray(161, 'a') << QByteArray("AA") << int(EncodedPdu::TextTooLong);
    // 159 plain characters and one escaped: 161 septets.
    QTest::newRow("escape beyond 160") << n << QByteArray(159, 'a') + "{" << QByteArray("AA") << int(EncodedPdu::TextTooLong);
    QTest::newRow("71 UCS-2 characters") << n << QByteArray(71, '\xE8') << QByteArray("AA") << int(EncodedPdu::TextTooLong);
    QTest::newRow("validity of one digit") << n << ok << QByteArray("A") << int(EncodedPdu::InvalidValidity);
    QTest::newRow("validity not hex") << n << ok << QByteArray("GG") << int(EncodedPdu::InvalidValidity);
}

void TestText2pdu::encodeErrors()
{
    QFETCH(QByteArray, number);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, validity);
    QFETCH(int, error);

    const EncodedPdu r = TextToPdu(number, text, validity, false);
    QCOMPARE(int(r.error), error);
    QVERIFY(!r.errorText.isEmpty());
    QVERIFY(r.pdu.isEmpty());
    QVERIFY(r.length.isEmpty());
}

// Every destination length, read back through the decoder; the limits of
// one message are accepted exactly.
void TestText2pdu::roundTripNumbers()
{
    const FixedClock clock(kNow);
    const QByteArray digits = "98765432109876543210";
    for (int len = 1; len <= 20; ++len) {
        const QByteArray number = digits.left(len);
        const EncodedPdu e = TextToPdu(number, "x", "AA", false);
        QVERIFY2(e.ok(), qPrintable(e.errorText));
        const DecodedPdu d = PduToText(e.pdu, clock);
        QVERIFY(d.ok);
        QCOMPARE(d.kind, DecodedPdu::StoredOutgoing);
        QCOMPARE(d.number, number);
    }
    const QByteArray longTexts[] = {QByteArray(160, 'a'), QByteArray(158, 'a') + "\x80",
                                    QByteArray(70, '\xE8')};
    for (const QByteArray &text : longTexts) {
        const EncodedPdu e = TextToPdu("420000123456", text, "AA", false);
        QVERIFY2(e.ok(), qPrintable(e.errorText));
        QCOMPARE(PduToText(e.pdu, clock).text, Cp1250::toUnicode(text));
    }
}

// Every Windows-1250 character that the GSM alphabet has goes out 7-bit and
// comes back unchanged (the line feed excepted: it is shown as "_").
void TestText2pdu::roundTripGsmAlphabet()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, char(b));
        if (b != '\n' && !MeasureSmsText(one).ucs2)
            all.append(char(b));
    }
    // Printable ASCII but ` (94), CR, é Ç ß É ¤ Ä Ö Ü § ä ö ü (12) and €.
    QCOMPARE(all.size(), 94 + 1 + 12 + 1);
    const FixedClock clock(kNow);
    for (qsizetype from = 0; from < all.size(); from += 60) {
        const QByteArray part = all.mid(from, 60);
        const EncodedPdu e = TextToPdu("420000123456", part, "AA", false);
        QVERIFY2(e.ok(), qPrintable(e.errorText));
        QCOMPARE(e.pdu.mid(24, 2), QByteArray("00")); // DCS: 7-bit
        QCOMPARE(PduToText(e.pdu, clock).text, Cp1250::toUnicode(part));
    }
}

void TestText2pdu::gsmToText_data()
{
    QTest::addColumn<QByteArray>("codes");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("at sign, underscore, sharp s, E acute")
        << QByteArray("\x00\x11\x1E\x1F", 4) << cp("@_ßÉ");
    QTest::newRow("look-alikes")
        << QByteArray("\x01\x03\x04\x06\x07\x08\x0A\x0B\x0C\x0E\x0F\x40\x5D\x60\x7D\x7F")
        << cp(" Ąčůíň_ŘřĹĺˇŃżńá");
    QTest::newRow("Greek capitals and AE")
        << QByteArray("\x10\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1C\x1D") << QByteArray(12, '?');
    QTest::newRow("extension")
        << QByteArray("\x1B\x14\x1B\x28\x1B\x29\x1B\x2F\x1B\x3C\x1B\x3D\x1B\x3E\x1B\x40\x1B\x65")
        << cp("^{}\\[~]|€");
    QTest::newRow("escape before a plain code") << QByteArray("\x1B\x41\x1B\x04") << cp("Ač");
    QTest::newRow("escape at the end") << QByteArray("a\x1B") << QByteArray("a ");
    QTest::newRow("two escapes") << QByteArray("\x1B\x1B\x28") << QByteArray(" (");
    QTest::newRow("codes from 80 are copied") << QByteArray("\x80\xFF") << QByteArray("\x80\xFF");
}

void TestText2pdu::gsmToText()
{
    QFETCH(QByteArray, codes);
    QFETCH(QByteArray, text);
    QCOMPARE(GsmToText(codes), text);
}

void TestText2pdu::ucs2Hex_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("hex");

    QTest::newRow("Czech capitals")
        << cp("ŠŤŽČĚĎŇŘŮ") << QByteArray("01600164017D010C011A010E01470158016E");
    QTest::newRow("Czech small letters")
        << cp("šťžčěďňřů") << QByteArray("01610165017E010D011B010F01480159016F");
    QTest::newRow("same-numbered letters") << cp("ÁÉÍÓÚÝáéíóúý")
        << QByteArray("00C100C900CD00D300DA00DD00E100E900ED00F300FA00FD");
    QTest::newRow("Slovak, Polish, euro, quotes") << cp("ľĺôŕąęłśźż€„“")
        << QByteArray("013E013A00F40155010501190142015B017A017C20AC201E201C");
}

void TestText2pdu::ucs2Hex()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, hex);
    QCOMPARE(TextToUcs2Hex(text), hex);
    QCOMPARE(Ucs2HexToText(hex), text);
    QCOMPARE(Ucs2HexToText(hex.toLower()), text);
}

void TestText2pdu::ucs2HexToTextOddInput_data()
{
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("shorter last group") << QByteArray("0061" "62") << QByteArray("ab");
    QTest::newRow("not hex") << QByteArray("0061" "00Z1" "0062") << QByteArray("a?b");
    QTest::newRow("surrogate pair") << QByteArray("D83DDE00" "0061") << QByteArray("?a");
    QTest::newRow("lone surrogates") << QByteArray("DE00" "D83D") << QByteArray("??");
    QTest::newRow("not in the code page") << QByteArray("4E2D" "0398") << QByteArray("??");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestText2pdu::ucs2HexToTextOddInput()
{
    QFETCH(QByteArray, hex);
    QFETCH(QByteArray, text);
    QCOMPARE(Ucs2HexToText(hex), text);
}

QTEST_GUILESS_MAIN(TestText2pdu)
#include "tst_text2pdu.moc"

void TestText2pdu::concatenationFields_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("reference");
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("total");

    // FO 44; UDH 05 | 00 03 2A 02 01: 8-bit reference 2A, part 1 of 2; "world".
    QTest::newRow("8-bit reference")
        << kSca + "44" + kOa + "0000" + kScts + "0C0500032A0201EE6F399B0C" << 0x2A << 1 << 2;
    // UDH 06 | 08 04 12 34 03 02: 16-bit reference 1234, part 2 of 3; UCS-2 "ab".
    QTest::newRow("16-bit reference")
        << kSca + "44" + kOa + "0008" + kScts + "0B060804123403020061 0062" << 0x1234 << 2 << 3;
    // An unrelated element (0A, text formatting) before the concatenation element.
    QTest::newRow("after another element")
        << kSca + "44" + kOa + "0008" + kScts + "0F0A0A030000000003070302006100 62" << 7 << 2 << 3;
    // Part 0 and a part beyond the total are no concatenation.
    QTest::newRow("part 0") << kSca + "44" + kOa + "0008" + kScts + "0A0500032A020000610062" << -1 << 0 << 0;
    QTest::newRow("part 3 of 2") << kSca + "44" + kOa + "0008" + kScts + "0A0500032A020300610062" << -1 << 0 << 0;
    // An element longer than the header.
    QTest::newRow("element overruns") << kSca + "44" + kOa + "0008" + kScts + "0A0500052A020100610062" << -1 << 0 << 0;
    QTest::newRow("no header") << kSca + "04" + kOa + "0000" + kScts + "0361F118" << -1 << 0 << 0;
}

void TestText2pdu::concatenationFields()
{
    QFETCH(QByteArray, line);
    QFETCH(int, reference);
    QFETCH(int, part);
    QFETCH(int, total);

    const DecodedPdu d = PduToText(line.replace(' ', ""), FixedClock(kNow));
    QVERIFY(d.ok);
    QCOMPARE(d.concatReference, reference);
    QCOMPARE(d.concatPart, part);
    QCOMPARE(d.concatTotal, total);
}

void TestText2pdu::parts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ucs2");
    QTest::addColumn<QList<int>>("unitsPerPart");

    QByteArray long7;
    for (int i = 0; long7.size() < 400; ++i)
        long7 += "Zprava " + QByteArray::number(i) + ", ";
    long7.truncate(400);

    QTest::newRow("160 septets, one message") << QByteArray(160, 'a') << false << QList<int>{160};
    QTest::newRow("161 septets") << QByteArray(161, 'a') << false << QList<int>{153, 8};
    QTest::newRow("three parts") << long7 << false << QList<int>{153, 153, 94};
    // "€" takes two septets: at septet 153 it goes whole into the next part.
    QTest::newRow("escape pair at the boundary")
        << QByteArray(152, 'a') + cp("€") + QByteArray(10, 'b') << false << QList<int>{152, 12};
    QTest::newRow("70 UCS-2 characters") << cp("ř") + QByteArray(69, 'a') << true << QList<int>{70};
    QTest::newRow("71 UCS-2 characters") << cp("ř") + QByteArray(70, 'a') << true << QList<int>{67, 4};
    QTest::newRow("ten parts") << QByteArray(1530, 'x') << false << QList<int>(10, 153);
}

// Every part carries the same reference and its own number; decoded and
// joined in order they give the text back.
void TestText2pdu::parts()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ucs2);
    QFETCH(QList<int>, unitsPerPart);

    const EncodedMessage m = TextToPduParts("420000123456", text, "AA", false, 0x17);
    QVERIFY2(m.ok(), qPrintable(m.errorText));
    QCOMPARE(m.parts.size(), unitsPerPart.size());
    const SmsTextSize size = MeasureSmsText(text);
    QCOMPARE(size.parts, int(unitsPerPart.size()));
    QCOMPARE(size.ucs2, ucs2);

    if (m.parts.size() == 1) {
        const EncodedPdu single = TextToPdu("420000123456", text, "AA", false);
        QCOMPARE(m.parts[0].pdu, single.pdu);
        QCOMPARE(m.parts[0].length, single.length);
        return;
    }
    const FixedClock clock(kNow);
    QList<DecodedPdu> listed;
    for (qsizetype i = 0; i < m.parts.size(); ++i) {
        const EncodedPdu &p = m.parts[i];
        QCOMPARE(p.pdu.mid(2, 2), QByteArray("51")); // SUBMIT, VP relative, UDH present
        QCOMPARE(p.pdu.mid(24, 2), QByteArray(ucs2 ? "09" : "00"));
        QCOMPARE(p.length.toInt(), p.pdu.size() / 2 - 1);
        // 14 octets up to UDL, then at most 140 of user data.
        QVERIFY(p.length.toInt() <= 14 + 140);
        const DecodedPdu d = PduToText(p.pdu, clock);
        QVERIFY(d.ok);
        QCOMPARE(d.concatReference, 0x17);
        QCOMPARE(d.concatPart, int(i + 1));
        QCOMPARE(d.concatTotal, int(m.parts.size()));
        QCOMPARE(MeasureSmsText(Cp1250::fromUnicode(d.text)).units, unitsPerPart[i]);
        listed.append(d);
    }
    QCOMPARE(JoinConcatenated(listed, 0).text, Cp1250::toUnicode(text));
}

// The second part of a 161-character text, laid out by hand.
void TestText2pdu::partLine()
{
    const EncodedMessage m = TextToPduParts("420000123456", QByteArray(161, 'a'), "AA", true, 0x12A);
    QVERIFY(m.ok());
    QCOMPARE(m.parts.size(), 2);
    // 00 SCA | 71 SUBMIT + status report + UDH | 00 MR | 0C 91 DA | 00 PID |
    // 00 DCS | AA VP | 0F UDL = 7 header septets + 8 |
    // UDH 05 00 03 2A 02 02 (low 8 bits of the reference, part 2 of 2) |
    // one fill bit, then eight "a" septets: C2 E1 70 38 1C 0E 87 01.
    QCOMPARE(m.parts[1].pdu,
             QByteArray("0071000C912400002143650000AA0F0500032A0202C2E170381C0E8701"));
    QCOMPARE(m.parts[1].length, QByteArray("28"));
}

void TestText2pdu::partsErrors()
{
    QCOMPARE(TextToPduParts("420000123456", QByteArray(1531, 'x'), "AA", false, 1).error,
             EncodedPdu::TextTooLong);
    QCOMPARE(TextToPduParts("420000123456", cp("ř") + QByteArray(670, 'a'), "AA", false, 1).error,
             EncodedPdu::TextTooLong);
    QVERIFY(TextToPduParts("420000123456", cp("ř") + QByteArray(669, 'a'), "AA", false, 1).ok());
    QCOMPARE(TextToPduParts("+420", "abc", "AA", false, 1).error, EncodedPdu::InvalidNumber);
    QCOMPARE(TextToPduParts("420", "", "AA", false, 1).error, EncodedPdu::EmptyText);
    QCOMPARE(TextToPduParts("420", "abc", "A", false, 1).error, EncodedPdu::InvalidValidity);
}

namespace {

DecodedPdu listedPart(const QByteArray &number, int reference, int part, int total, const QByteArray &text)
{
    DecodedPdu d;
    d.ok = true;
    d.number = number;
    d.text = QString::fromUtf8(text);
    d.concatReference = reference;
    d.concatPart = part;
    d.concatTotal = total;
    return d;
}

} // namespace

void TestText2pdu::join_data()
{
    QTest::addColumn<QList<DecodedPdu>>("listed");
    QTest::addColumn<int>("row");
    QTest::addColumn<QByteArray>("preview");

    const QByteArray a = "420000123456";
    const QByteArray b = "420000654321";
    DecodedPdu single;
    single.ok = true;
    single.number = a;
    single.text = QStringLiteral("alone");

    // Stored out of order, between other messages.
    const QList<DecodedPdu> all{listedPart(a, 5, 3, 3, "C"), single, listedPart(a, 5, 1, 3, "A"),
                                listedPart(a, 5, 2, 3, "B")};
    QTest::newRow("all parts, from part 3") << all << 0 << QByteArray("ABC");
    QTest::newRow("all parts, from part 1") << all << 2 << QByteArray("ABC");
    QTest::newRow("standalone") << all << 1 << QByteArray("alone");
    QTest::newRow("part 2 missing")
        << QList<DecodedPdu>{listedPart(a, 5, 1, 3, "A"), listedPart(a, 5, 3, 3, "C")} << 1
        << QByteArray("C\n\nChybí: [2/3]");
    QTest::newRow("only part 2 listed")
        << QList<DecodedPdu>{listedPart(a, 5, 2, 3, "B")} << 0 << QByteArray("B\n\nChybí: [1/3] [3/3]");
    // The same reference from another sender, or with another count, is another message.
    QTest::newRow("other sender, same reference")
        << QList<DecodedPdu>{listedPart(a, 5, 1, 2, "A"), listedPart(b, 5, 2, 2, "x")} << 0
        << QByteArray("A\n\nChybí: [2/2]");
    QTest::newRow("other count, same reference")
        << QList<DecodedPdu>{listedPart(a, 5, 1, 2, "A"), listedPart(a, 5, 2, 3, "x")} << 0
        << QByteArray("A\n\nChybí: [2/2]");
    QTest::newRow("part stored twice")
        << QList<DecodedPdu>{listedPart(a, 9, 1, 2, "A"), listedPart(a, 9, 1, 2, "A"),
                             listedPart(a, 9, 2, 2, "B")} << 1 << QByteArray("AB");
    QTest::newRow("row out of range") << all << 4 << QByteArray();
}

void TestText2pdu::join()
{
    QFETCH(QList<DecodedPdu>, listed);
    QFETCH(int, row);
    QFETCH(QByteArray, preview);

    QCOMPARE(ConcatenatedPreview(listed, row, QStringLiteral("Chybí:")), QString::fromUtf8(preview));
}
