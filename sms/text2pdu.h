#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class Clock;

// Short messages in PDU mode (3GPP TS 23.040, alphabets of TS 23.038).
//
// Every message travels between the handset and the phone manager as one line
// of hex digits. This unit turns a listed line into number, time and text, and
// builds the SMS-SUBMIT line that is sent. The text to send is Windows-1250
// bytes; a decoded text is Unicode, so that a message in Cyrillic or with an
// emoji reads whole in the window and in every UTF-8 output (only the
// Windows-1250 files it may go into cannot hold every character).
// The functions are stateless; the only outside input is the clock that dates
// stored outgoing messages.
//
// The decoder takes whatever the handset (or a file) hands it: a line that
// ends early (before a field or inside the user data its length announces),
// has an odd number of digits or characters that are not hex digits gives
// the fields read so far, the text "Error PDU !" and ok == false. It never
// reads outside the line.

// The text that stands for a message that could not be read.
inline constexpr char kErrorPduText[] = "Error PDU !";

struct DecodedPdu
{
    enum Kind {
        Received,       // SMS-DELIVER: first octet bit 0 clear
        StoredOutgoing, // SMS-SUBMIT kept in the handset: bit 0 set
    };

    // Sender of a received message, destination of a stored one: digits as
    // sent (no "+" is added), or the text of an alphanumeric sender.
    QByteArray number;
    // The type-of-address octet of that number (0x91 international, 0x81
    // national or unknown plan, 0xD0 alphanumeric); -1 before it is read.
    int numberType = -1;
    // Received: "dd.mm.20yy hh:nn:ss.zz" (22 characters, the time zone octet
    // copied as its two digits). Stored outgoing: the PC's local time now,
    // "dd.mm.yyyy hh:nn:ss" (19 characters). Empty if the line ends before it.
    QByteArray time;
    // The message text, or "Error PDU !" when ok is false.
    QString text;
    Kind kind = Received;
    bool ok = false;
    // The line ended inside the user data that its length announced (a
    // message cut on its way); ok is false then.
    bool incomplete = false;
    // A part of a concatenated message (user-data header element 00 or 08):
    // its reference, its number (from 1) and the count of parts. reference
    // is -1 and part and total are 0 for a message that stands alone.
    int concatReference = -1;
    int concatPart = 0;
    int concatTotal = 0;

    bool isConcatenated() const { return concatReference >= 0; }
    // An international number (type of number 001) of digits.
    bool isInternational() const;
    // The number as scripts want it: international numbers with "+".
    QByteArray numberWithPlus() const;
};

// Decodes one line of a "+CMGL" listing (without its line end; surrounding
// blanks are ignored, hex digits of either case are accepted).
DecodedPdu PduToText(const QByteArray &line, const Clock &clock);

struct EncodedPdu
{
    enum Error {
        NoError,
        InvalidNumber,   // not 1 to 20 digits
        EmptyText,
        TextTooLong,     // over 160 septets (7-bit) or 70 characters (UCS-2)
        InvalidValidity, // not two hex digits
    };

    QByteArray pdu;    // upper-case hex digits, service-centre length "00" first
    QByteArray length; // TPDU octets (the line without its first octet), decimal: the argument of AT+CMGS=
    Error error = NoError;
    QString errorText; // why the message cannot be encoded; empty when ok()

    bool ok() const { return error == NoError; }
};

// How a text would travel: in the GSM 7-bit default alphabet (counting
// septets, an escaped character counts two) or as UCS-2 (counting characters).
// A text longer than one message goes as a concatenated message of up to
// kMaxSmsParts parts, each holding at most 153 septets or 67 UCS-2
// characters (the rest of the 140 octets is the user-data header).
inline constexpr int kMaxSmsParts = 10;
struct SmsTextSize
{
    bool ucs2 = false;
    int units = 0; // septets or UCS-2 characters
    int limit = 0; // 160 or 70: what one message holds
    int parts = 1; // messages needed (1 for an empty text)
    int partLimit = 0; // 153 or 67: what one part of a concatenated message holds

    // The most the text may take: one message, or kMaxSmsParts parts.
    int maxUnits() const;
    bool fits() const { return parts <= kMaxSmsParts; }
};
SmsTextSize MeasureSmsText(const QByteArray &text);

// Builds an SMS-SUBMIT line for the handset's own service centre.
// number: 1 to 20 digits, sent as international ("91"), no "+".
// text: translated into the GSM 7-bit default alphabet (with its extension
// table); if any character has no GSM form, the whole text goes as UCS-2 with
// the data coding scheme "09".
// validity: the relative validity-period octet as two hex digits.
// statusReport: first octet "31" instead of "11".
EncodedPdu TextToPdu(const QByteArray &number, const QByteArray &text,
                     const QByteArray &validity, bool statusReport);

// The PDUs of one message: a single SMS-SUBMIT line exactly as TextToPdu
// builds it when the text fits one message, otherwise one line per part
// (first octet "51", or "71" with a status report), each with the user-data
// header 05 00 03 reference total part, the text split so that no GSM
// escape pair is torn apart. reference is the 8-bit concatenation reference
// (its low 8 bits are used); it should change from message to message.
// Errors as TextToPdu's, TextTooLong beyond kMaxSmsParts parts.
struct EncodedMessage
{
    QList<EncodedPdu> parts;
    EncodedPdu::Error error = EncodedPdu::NoError;
    QString errorText;

    bool ok() const { return error == EncodedPdu::NoError; }
};
EncodedMessage TextToPduParts(const QByteArray &number, const QByteArray &text,
                              const QByteArray &validity, bool statusReport, int reference);

// Four upper-case hex digits (the UCS-2 code) per byte of text.
QByteArray TextToUcs2Hex(const QByteArray &text);

// One byte per group of four hex digits (a shorter last group is read as its
// own value); codes that Windows-1250 lacks give '?', a surrogate pair gives a
// single '?', a group with a non-hex character gives '?'.
QByteArray Ucs2HexToText(const QByteArray &hex);

// GSM 7-bit default alphabet codes, one byte each, to text. Escape 1B followed
// by an extension code gives that character ("^ { } \ [ ~ ] | €"); followed by
// any other code it gives that code's own character; at the very end it gives
// a space. Characters without a Windows-1250 form give '?'; a few are shown by
// look-alikes (line feed as "_", the pound sign as a space, ...). Bytes from
// 80 up are copied.
QByteArray GsmToText(const QByteArray &codes);
