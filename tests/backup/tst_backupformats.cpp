// The backup's own files: the PDU fields of gammu's SMS backup, the vCard
// writer and reader, the PDU lines.

#include "backupformats.h"

#include <QTest>

class TestBackupFormats : public QObject
{
    Q_OBJECT

private slots:
    void pduFields_data();
    void pduFields();
    void vcardRoundTrip();
    void vcardFromContactProgram();
    void pduFile_data();
    void pduFile();
};

void TestBackupFormats::pduFields_data()
{
    QTest::addColumn<QByteArray>("pdu");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("smsc");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("coding");
    QTest::addColumn<QByteArray>("udh");
    QTest::addColumn<QString>("text");

    QTest::newRow("7-bit received")
        << QByteArray("0791246030500200040C912460302143650000622180812401401841F45BCD02E9D37479186407C560A03A689D76877F")
        << true << int(PduFields::Deliver) << "+420603052000" << "+420603123456" << "20261208184210"
        << int(PduFields::Default) << QByteArray() << "Ahoj, zitra v 10 u kina?";
    QTest::newRow("alphanumeric sender")
        << QByteArray("0791246030500200040ED0D456F32D4EB3CB0000622110700000401FD6F01CB49697C9693A485D06C96A30D072EC0211CBEBBABADC2EBB00")
        << true << int(PduFields::Deliver) << "+420603052000" << "T-Mobile" << "20261201070000"
        << int(PduFields::Default) << QByteArray() << "Vas kredit je 250 Kc. Dekujeme.";
    QTest::newRow("second part of a concatenated message: the header is not text")
        << QByteArray("0791246030500200440C91246040551511000062210180037440250500032A0202ECA0757D8CCEBBD3207519449697ED6F903B0C22DBC320B23BEF02")
        << true << int(PduFields::Deliver) << "+420603052000" << "+420604555111" << "20261210083047"
        << int(PduFields::Default) << QByteArray("0500032A0202") << "v kuchyni je drevo na dva dny.";
    QTest::newRow("UCS-2 stored sent, no service centre")
        << QByteArray("0011000C912470778967450008AA3C0044011B006B0075006A0069002C0020007001590069006A0065006400750020007600200073006F0062006F007400750020007200E1006E006F002E")
        << true << int(PduFields::Submit) << "" << "+420777987654" << ""
        << int(PduFields::Unicode) << QByteArray() << QString::fromUtf8("Děkuji, přijedu v sobotu ráno.");
    QTest::newRow("user data cut short") << QByteArray("0791246030500200040C912460302143650000622180812401401841F45B")
                                         << false << 0 << "" << "" << "" << 0 << QByteArray() << "";
    QTest::newRow("header longer than the data") << QByteArray("0041000C91246030214365000005FF00030102")
                                                 << false << 0 << "" << "" << "" << 0 << QByteArray() << "";
    QTest::newRow("not hex") << QByteArray("07912460305002000Z") << false << 0 << "" << "" << "" << 0 << QByteArray() << "";
}

void TestBackupFormats::pduFields()
{
    QFETCH(QByteArray, pdu);
    QFETCH(bool, ok);
    const auto f = DecodePduFields(pdu);
    QCOMPARE(f.has_value(), ok);
    if (!ok)
        return;
    QFETCH(int, type);
    QFETCH(QString, smsc);
    QFETCH(QString, number);
    QFETCH(QString, time);
    QFETCH(int, coding);
    QFETCH(QByteArray, udh);
    QFETCH(QString, text);
    QCOMPARE(int(f->type), type);
    QCOMPARE(f->smsc, smsc);
    QCOMPARE(f->number, number);
    QCOMPARE(QString(f->time).remove(u'T'), time);
    QCOMPARE(int(f->coding), coding);
    QCOMPARE(f->udh, udh);
    QCOMPARE(f->text, text);
}

void TestBackupFormats::vcardRoundTrip()
{
    // Escaped characters, and a name long enough to be folded inside its
    // two-byte letters.
    const QList<BackupContact> contacts{
        {"SM", 1, QString::fromUtf8("Novák, Jan; \\ nový"), "+420603123456", true},
        {"SM", 250, QString::fromUtf8("Žluťoučký kůň úpěl ďábelské ódy Žluťoučký kůň úpěl ďábelské ódy"), "112", false},
    };
    const QByteArray text = ContactsToVCard(contacts);
    for (const QByteArray &line : text.split('\n')) {
        QVERIFY2(line.size() <= 76, line.constData());  // 75 octets and the CR
        QVERIFY(QString::fromUtf8(line).toUtf8() == line);  // no character cut in two
    }
    QVERIFY(text.contains("\r\n "));
    int skipped = -1;
    QCOMPARE(ParseVCardContacts(text, QStringLiteral("SM"), &skipped), contacts);
    QCOMPARE(skipped, 0);
}

void TestBackupFormats::vcardFromContactProgram()
{
    // LF alone, lower-case names, a tab continuation, parameters and a group
    // prefix; a card without its location is left out.
    const QByteArray text = "begin:vcard\nversion:3.0\nfn:Jürgen\n\tGröße\nitem1.TEL;TYPE=CELL,VOICE:+49 170\n"
                            "categories:Family,vip\nx-torvane-location:3\nend:vcard\n"
                            "BEGIN:VCARD\nFN:Bez místa\nTEL:1\nEND:VCARD\n";
    int skipped = 0;
    const QList<BackupContact> got = ParseVCardContacts(text, QStringLiteral("ME"), &skipped);
    QCOMPARE(got.size(), 1);
    QCOMPARE(got.first(), (BackupContact{"ME", 3, QString::fromUtf8("JürgenGröße"), "+49 170", true}));
    QCOMPARE(skipped, 1);
}

void TestBackupFormats::pduFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("messages");  // -1: refused
    QTest::addColumn<QString>("error");

    QTest::newRow("two lines, CR LF and a blank line") << QByteArray("1,0,0011000C9124\r\n\r\n5,3,0011000C9124\n") << 2 << "";
    QTest::newRow("status beyond 3") << QByteArray("1,0,0011000C9124\n2,4,0011000C9124\n") << -1 << "line 2";
    QTest::newRow("location 0") << QByteArray("0,1,0011000C9124\n") << -1 << "line 1";
    QTest::newRow("odd number of digits") << QByteArray("1,1,0011000C912\n") << -1 << "line 1";
    QTest::newRow("only a service centre") << QByteArray("1,1,0791246030500200\n") << -1 << "line 1";
}

void TestBackupFormats::pduFile()
{
    QFETCH(QByteArray, text);
    QFETCH(int, messages);
    QFETCH(QString, error);
    QString why;
    const auto got = ParsePduFile(text, QStringLiteral("SM"), &why);
    QCOMPARE(got.has_value(), messages >= 0);
    if (got) {
        QCOMPARE(got->size(), messages);
        QCOMPARE(ParsePduFile(MessagesToPduFile(*got), QStringLiteral("SM"), &why), got);
    } else {
        QVERIFY2(why.contains(error), qPrintable(why));
    }
}

QTEST_GUILESS_MAIN(TestBackupFormats)
#include "tst_backupformats.moc"
