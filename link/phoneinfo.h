#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class TComPort;
struct AtAnswer;

// How a readout ended.
enum class ReadoutEnd {
    Complete,       // all 23 queries
    MakerAndModel,  // stopped after the model, as asked
    Cancelled,      // the user cancelled it; fields not yet read keep their defaults
    Silent,         // two queries in a row got no byte at all: the handset is gone
    ConnectionLost, // the port failed (cable pulled): what was read before stays
};

// The handset's identity and state as the information readout finds them.
// A field without a value was not valid in the handset's answer: its control
// keeps what it showed before.
struct PhoneInfo
{
    QByteArray Vyrobce, model, VerzeGSM, IMEI, Baterie, Signal, Operator, IMSI, cisloSIM,
        strediskoSMS;
    QByteArray Poplatky = " ";  // price, a blank, currency
    // The SMS centre as the handset stores it, "+" kept for an international
    // number (type 145): "+420603052000", "0603052000". strediskoSMS is the
    // information page's column: the same without the "+".
    QByteArray smsCentreNumber;
    QByteArray clock;           // AT+CCLK? answer (read, not shown)
    // Combo box indices are only given when they name one of the control's
    // items (5 for the volumes, 3 for the alert mode).
    std::optional<int> ringIndex;      // Hlasitost_zvoneni
    std::optional<int> speakerIndex;   // Hlasitost_repro
    std::optional<int> alertIndex;     // Umlceni
    std::optional<bool> pinLock;       // Blokovani item 0
    std::optional<bool> simBinding;    // Blokovani item 1
    std::optional<bool> keyLock;       // OstatniBox item 0
    std::optional<bool> vibration;     // OstatniBox item 1
    std::optional<bool> microphoneMute;// OstatniBox item 2
    std::optional<bool> handsFree;     // OstatniBox item 3
    bool complete = false;             // false when the readout stopped after the model
    ReadoutEnd end = ReadoutEnd::MakerAndModel;
    // Queries (without their CR) whose answer did not come whole within the
    // query's bound or had not the shape of its answer: their fields are
    // empty (combo and check values none), whatever came late is dropped.
    QList<QByteArray> unanswered;
    // With ReadoutEnd::ConnectionLost: the port's error.
    QString portError;
    bool answered(const QByteArray &command) const { return !unanswered.contains(command); }
};

// The cutting rules, applied to the answer line that ReadReply returned.
namespace InfoCut {
QByteArray battery(const QByteArray &answer);       // "+CBC: 0,80" -> "80 %"; "" for no answer
QByteArray signal(const QByteArray &answer);        // "+CSQ: 31,99" -> "-51 dBm   100%"; "???" for 99 or no number
QByteArray operatorName(const QByteArray &answer);  // quoted name, or "Vyhledává sít´" (Windows-1250)
QByteArray simNumber(const QByteArray &reply);      // from the reply text after the echo (ReadSimNumberReply)
// The number between the quotes of "+CSCA: \"number\",type", as stored;
// "+" put in front of an international number (type 145) that lacks it.
QByteArray smsCentreNumber(const QByteArray &answer);
QByteArray smsCentre(const QByteArray &answer);     // the same without a leading "+"
QByteArray charges(const QByteArray &answer);       // "+CPUC: \"CZK\",\"2.50\"" -> "2.50 CZK"; " " for none
// index when it names one of itemCount items (0 .. itemCount - 1), else none.
std::optional<int> indexWithin(std::optional<int> index, int itemCount);
// An answer is valid for position k (1-based) when it has at least k characters and no "ERROR".
bool validFor(const QByteArray &answer, int k);
// The decimal digit at position k, when the answer is valid for k and the character is a digit.
std::optional<int> digitAt(const QByteArray &answer, int k);
} // namespace InfoCut

// The answer line of a readout query in a received reply: after its echo
// (only after the exact echo with echoRequired), the first line with the
// shape of that query's answer. The result code of a "+"/"^" command
// ("+CBC: 0,80" for "AT+CBC"), digits for the serial numbers (AT+CGSN,
// AT+CIMI), printable text that is no result code of any command for the
// maker, model and firmware; an error result answers any of them. Junk
// lines and another command's answer are passed over: empty when none fits.
QByteArray ReadoutAnswerLine(const QByteArray &received, const QByteArray &command,
                             bool echoRequired = false);

// Bytes of each of the SIM-number step's two reads of 255.
constexpr int SimReplyLimit = 255;

// The SIM-number step's read after "AT^SCID\r" has been written: the reply
// up to its final line (within 2 x 3.55 s, the bound of the two reads of 255
// the step once took), from its answer line on (AnswerLine and a CR; empty
// when there is none). The number is found whether the echo came in a piece
// of its own or together with the answer, and unsolicited lines never
// take its place. A refusal gives an empty text ("+CME ERROR: 10" is no SIM
// number). arrived, when given, gets the number of bytes that came.
QByteArray ReadSimNumberReply(TComPort &port, qsizetype *arrived = nullptr);
// The same read as an AtAnswer (its line as ReadoutAnswerLine finds it).
AtAnswer ReadSimNumberAnswer(TComPort &port, bool echoRequired);

// How a caller follows and steers a readout.
struct ReadoutControl
{
    // Called with the progress position before each query.
    std::function<void(int)> progress;
    // Asked before each query: true ends the readout there (ReadoutEnd::Cancelled).
    std::function<bool()> cancelled;
};

// Queries in a row without a single byte of answer after which the readout
// takes the handset for gone (ReadoutEnd::Silent) instead of waiting out
// every remaining query.
constexpr int SilentQueriesLimit = 2;

// Runs the 23 queries of the information readout on an open modem port with
// echo on (only the first two when makerAndModelOnly; the other fields then
// keep their defaults and complete is false). progress(n) is called with the
// progress position before each query (1, 3, 2, 4, 5, ... 23: the model query
// sets 3 and the firmware query 2). A field that is not a number (signal,
// settings digits) never stops the readout. Once the first reply has shown
// that the handset echoes, a query's reply counts only after its own echo,
// and a reply that did not come whole within its bound leaves its field
// empty (unanswered) and is let finish before the next query is written, so
// its late end cannot pass for the next answer. A port that fails ends the
// readout as ConnectionLost with what was read so far.
PhoneInfo ReadPhoneInfo(TComPort &port, bool makerAndModelOnly,
                        const std::function<void(int)> &progress = {});
// The same, cancellable, ending early for a handset that falls silent (see
// ReadoutEnd). The port's receive events are held back for the whole readout.
PhoneInfo ReadPhoneInfo(TComPort &port, bool makerAndModelOnly, const ReadoutControl &control);
