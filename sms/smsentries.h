#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class Clock;

// The entries of a "+CMGL" listing (3GPP TS 27.005, PDU mode) and the rows
// made of them: pure functions over received text, no I/O (the listing's
// exchange is SmsListing in smslisting.h).

struct SmsEntry
{
    int index = 0;     // location in the memory listed
    int status = 0;    // 0 received unread, 1 received read, 2 stored unsent, 3 stored sent
    QByteArray alpha;  // without its quotes; usually empty
    int length = 0;    // TPDU octets as the header gives them
    QByteArray pdu;    // the PDU line, hex digits
};

// A listed message as the page shows it and the archive stores it. Name and
// text are Unicode; only the archive files turn them into Windows-1250.
struct SmsRow
{
    QByteArray index;   // the store index; empty for the empty-store row
    int status = -1;
    QByteArray number;  // from the PDU, digits without "+"
    bool international = false; // the PDU's type of number is international
    QString name;       // from the phonebook, or empty
    QByteArray time;    // the PDU's time text without its last three characters
    QString text;
    bool outgoing = false;  // a stored outgoing message (its time is the PC's)
    bool incomplete = false; // the PDU line was cut inside its user data
    // A part of a concatenated message (see DecodedPdu): reference -1 when
    // the message stands alone.
    int concatReference = -1;
    int concatPart = 0;
    int concatTotal = 0;

    // The number with "+" when it is international, for name lookup and
    // the command line's outputs.
    QByteArray fullNumber() const { return international ? '+' + number : number; }
};

// Parses "+CMGL: index,status,[alpha],length"; false for any other line or
// one without a whole-number index and status.
bool ParseCmglHeader(const QByteArray &line, SmsEntry &entry);

// The line step shared by SmsListing and ParseSmsListing: a header line
// opens an entry, the next line is its PDU; a header right after a header
// drops the first (it had no PDU line). Unsolicited result codes (a new
// message's "+CMTI", a "RING") may come between any two lines and are
// passed over; those that bring a PDU line of their own ("+CMT", "+CDS",
// "+CBM") take that line with them.
class CmglCollector
{
public:
    // Takes one line (without its line end). True when it is a final result
    // line, which the caller handles.
    bool take(const QByteArray &line);
    QList<SmsEntry> entries;
    void clear() { entries.clear(); m_expectPdu = false; m_skipUnsolicitedPdu = false; }

private:
    SmsEntry m_header;
    bool m_expectPdu = false;
    bool m_skipUnsolicitedPdu = false;
};

// Parses one "+CMGL" reply (any line ends, echo on or off) into its
// entries, up to its final result line.
QList<SmsEntry> ParseSmsListing(const QByteArray &reply);

// Decodes the entries with PduToText. The clock is read once for the whole
// listing (stored outgoing messages are dated with that one reading).
QList<SmsRow> DecodeSmsEntries(const QList<SmsEntry> &entries, const Clock &clock);

// The row of an empty store: only the text, "    " and noMessages.
SmsRow EmptyStoreRow(const QString &noMessages);

// A name for the message's number from the phonebook. Numbers are compared
// by their digits (blanks and dashes left out) in international form: a
// number with a country code ("+421603123456", "00421603123456", or more
// than nine digits without a leading 0, the international form without "+")
// matches only the same full number, so a Slovak number never takes a Czech
// contact's name. A number without one (a leading 0, or nine digits or
// fewer: "0603123456", "603123456") is taken as a number of the handset's
// own country (the Czech Republic, +420): it matches itself and that
// country's international form. A number with anything else in it (an
// alphanumeric sender) and an empty one never match. The first match wins.
inline constexpr char kHomeCountryCode[] = "420";
struct PhonebookNumber
{
    QString name;
    QByteArray number;
};
bool SameNumber(const QByteArray &a, const QByteArray &b);
QString NameForNumber(const QByteArray &number, const QList<PhonebookNumber> &phonebook);

// The memory items of the page ("SIM karta", "Telefon", "Vše") and their
// names in AT+CPMS.
QByteArray SmsMemoryName(int memory);  // 0 "SM", 1 "ME", 2 "MT"; empty otherwise
