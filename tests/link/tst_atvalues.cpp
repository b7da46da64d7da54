#include <QtTest>

#include "atvalues.h"

// Values that end up inside an AT command line: each hostile form must be
// refused, each form a user really types must pass.
class TestAtValues : public QObject
{
    Q_OBJECT
private slots:
    void locations_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << "12" << 250 << true;
        QTest::newRow("last") << "250" << 250 << true;
        QTest::newRow("past the memory") << "251" << 250 << false;
        QTest::newRow("zero") << "0" << 250 << false;
        QTest::newRow("no capacity known") << "900" << 0 << true;
        QTest::newRow("second command") << " 2;+CPBW=4" << 250 << false;
        QTest::newRow("semicolon") << "2;" << 250 << false;
        QTest::newRow("carriage return") << "2\r" << 250 << false;
        QTest::newRow("line feed") << "2\n" << 250 << false;
        QTest::newRow("quote") << "2\"" << 250 << false;
        QTest::newRow("ctrl-z") << "2\x1a" << 250 << false;
        QTest::newRow("escape") << "2\x1b" << 250 << false;
        QTest::newRow("negative") << "-1" << 250 << false;
        QTest::newRow("empty") << "" << 250 << false;
        QTest::newRow("huge") << QString(300, QLatin1Char('9')) << 0 << false;
        QTest::newRow("arabic-indic digit") << QString::fromUtf8("\u0663") << 250 << false;
    }
    void locations()
    {
        QFETCH(QString, value);
        QFETCH(int, capacity);
        QFETCH(bool, accepted);
        QCOMPARE(IsLocationValue(value, capacity), accepted);
    }

    void dialStrings_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("national") << "603123456" << true;
        QTest::newRow("international") << "+420603123456" << true;
        QTest::newRow("service code") << "*#06#" << true;
        QTest::newRow("pause and wait") << "241000111p12w3,4" << true;
        QTest::newRow("second command") << "112\rAT+CPBW=2" << false;
        QTest::newRow("semicolon") << "112;+CPBW=2" << false;
        QTest::newRow("line feed") << "112\n" << false;
        QTest::newRow("quote") << "112\"" << false;
        QTest::newRow("ctrl-z") << "112\x1a" << false;
        QTest::newRow("escape") << "112\x1b" << false;
        QTest::newRow("space") << "603 123 456" << false;
        QTest::newRow("letters") << "ATH" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("300 digits") << QString(300, QLatin1Char('1')) << false;
    }
    void dialStrings()
    {
        QFETCH(QString, value);
        QFETCH(bool, accepted);
        QCOMPARE(IsDialString(value), accepted);
    }

    void securityCodes_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("four") << "1234" << true;
        QTest::newRow("eight") << "12345678" << true;
        QTest::newRow("three") << "123" << false;
        QTest::newRow("nine") << "123456789" << false;
        QTest::newRow("quote and commands") << "5678\";+CPBS=\"SM\";+CPBW=1;+CPBS=\"FD" << false;
        QTest::newRow("carriage return") << "1234\r" << false;
        QTest::newRow("letters") << "12ab" << false;
        QTest::newRow("empty") << "" << false;
    }
    void securityCodes()
    {
        QFETCH(QString, value);
        QFETCH(bool, accepted);
        QCOMPARE(IsSecurityCode(value), accepted);
    }
};

QTEST_APPLESS_MAIN(TestAtValues)
#include "tst_atvalues.moc"
