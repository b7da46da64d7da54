#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

class TComPort;

// The AT command dialogue on the modem port: synchronous replies and the
// line assembly of the default receive handler. No widgets here.
//
// A handset echoes the command (while echo is on), then sends its answer
// lines framed by CR LF and a final result line; unsolicited result codes
// may come at any moment, between replies or inside one. Real USB links
// deliver the echo and the answer in separate pieces a few milliseconds
// apart, so every synchronous read below keeps reading until the final
// result line ("OK", "ERROR", "+CME ERROR: ...", "+CMS ERROR: ...") has
// arrived or the read's total timeout has passed (ReceiveUntilFinal also
// stops at its byte limit). A reply that arrives in one piece is taken
// exactly as a single read would take it, and its answer is found by lines
// (AnswerLine), so nothing in front of it can shift it.

// True when text holds a complete final result line.
bool HasFinalResult(const QByteArray &text);

// Final result lines: "OK", and the errors "ERROR", "+CME ERROR: n",
// "+CMS ERROR: n" (a line without its CR LF).
bool IsFinalResultLine(const QByteArray &line);
bool IsErrorResultLine(const QByteArray &line);

// Unsolicited result codes of 3GPP TS 27.007 / 27.005 and the handset's own
// ("RING", "+CREG: 1", "+CMTI: ...", "^SYSSTART", ...): lines a handset may
// send at any moment, which are never the answer to a command. One table
// for every reader of the modem port.
bool IsUnsolicitedResult(const QByteArray &line);

// The complete lines of a received text (each ended by CR), without their
// LF bytes; a last line still without its CR is not among them.
QList<QByteArray> ReplyLines(const QByteArray &text);

// The answer line of a reply, found by lines: after the echo line, the first
// line that is neither empty nor an unsolicited result code (an error final
// result is such a line: "ERROR" is the answer to a rejected query). The echo
// is the line equal to command when one is given, otherwise the first line
// starting with "AT" (no answer of the handset does); a reply without echo
// (echo off) is looked at from its first line. The command's own result code
// is its answer even where the same code also comes unsolicited ("+CREG: 0,1"
// for "AT+CREG?"). So an unsolicited line or a
// junk line in front of the answer never shifts it: the result is the right
// answer or an empty text.
QByteArray AnswerLine(const QByteArray &received, const QByteArray &command = {});

// The lines of a reply after its echo. With echoRequired the echo is the line
// equal to command and nothing counts before it: a line that came earlier
// (the late end of the previous reply) is not this command's, and without
// that echo there are no lines at all. Otherwise the echo is found as
// AnswerLine finds it.
QList<QByteArray> LinesAfterEcho(const QByteArray &received, const QByteArray &command,
                                 bool echoRequired);
// True when the line equal to command is among the received lines.
bool HasEcho(const QByteArray &received, const QByteArray &command);
// True when a final result line follows the echo (see LinesAfterEcho).
bool ReplyComplete(const QByteArray &received, const QByteArray &command, bool echoRequired);
// The line is the result code of command ("+CSQ: 15,99" for "AT+CSQ").
bool AnswersCommand(const QByteArray &line, const QByteArray &command);

// Byte limits of the synchronous reads.
constexpr int ReadReplyLimit = 90;      // one ReadReply
constexpr int PresenceReplyLimit = 20;  // the presence check's read of the ATE1 reply

// Reads one reply: keeps reading until the text holds a final result line,
// maxBytes have arrived, or totalTimeoutMs have passed, and returns what
// arrived (possibly nothing). No wait is added once the final line is in;
// the final line counts once its CR is in (an LF still on its way is skipped
// by the next read's cut). EComPort from the port is passed on.
QByteArray ReceiveUntilFinal(TComPort &port, int maxBytes, int totalTimeoutMs);

// Reads up to n bytes of one reply, with the bound of a single ReceiveText(n)
// (10*n + 1000 ms in all).
QByteArray ReceiveReply(TComPort &port, int n);

// Reads one reply by lines within totalTimeoutMs: until a final result line
// has come after the echo of command (after any echo line when command is
// empty; anywhere when no echo has come). A line longer than lineLimit
// cannot be an answer (line noise, another protocol's bytes) and is dropped
// as it arrives, so it neither takes the place of the answer nor fills
// memory; unsolicited lines are kept (AnswerLine passes over them).
// arrived, when given, gets the number of bytes that came at all.
// With echoRequired (a handset known to echo) a final result line counts only
// after the echo of command: one that comes first ends the previous reply.
// EComPort from the port is passed on.
QByteArray ReceiveReplyLines(TComPort &port, int lineLimit, int totalTimeoutMs,
                             const QByteArray &command = {}, qsizetype *arrived = nullptr,
                             bool echoRequired = false);

// One synchronous query's reply as the readout takes it.
struct AtAnswer
{
    QByteArray received;   // the reply's lines (junk lines dropped)
    QByteArray line;       // AnswerLine of it
    qsizetype arrived = 0; // bytes that came at all
    bool echoed = false;   // the echo of the command came
    bool complete = false; // its final result came within the bound
    bool silent() const { return arrived == 0; }
    // The answer is an error final result ("ERROR", "+CME ERROR: n", ...).
    bool failed() const { return IsErrorResultLine(line); }
};

// ReadReply by lines for a command that has just been written: waits 10 ms,
// reads the reply within the bound of ReceiveText(90) (1.9 s) and cuts its
// answer line. For a well-formed reply the line is ReadReply's.
// With echoRequired see ReceiveReplyLines; the line is then empty when the
// echo did not come.
AtAnswer ReadAnswer(TComPort &port, const QByteArray &command = {}, bool echoRequired = false);

// The answer line of a simple query whose command has just been written:
// ReadAnswer(port).line.
QByteArray ReadReply(TComPort &port);

// The pure part of ReadReply, applied to a received text: AnswerLine(received).
QByteArray CutReplyLine(const QByteArray &received);

// The presence check's exchange: sends "ATE1\r", reads the reply by lines
// (at most 1.2 s, the bound of a 20-byte read), and tells whether it
// contains "OK". EComPort from the port is passed on.
bool CheckPresence(TComPort &port);

// Line assembly of the default receive handler ComPort1RxChar: CR ends a
// line; "OK" completes a reply; bytes 32..127 build the line; everything
// else (LF, control bytes, bytes 128..255) is ignored. Unsolicited result
// codes never enter ReplyBuffer; an error final result ends the reply too.
class ReplyAssembler
{
public:
    QByteArray LineBuffer;
    QByteArray ReplyBuffer;  // lines gathered until "OK", CR as the only separator

    // Called on each "OK" line with ReplyBuffer; ReplyBuffer is emptied after it returns.
    std::function<void(const QByteArray &reply)> onReplyComplete;
    // Called on an error final result ("ERROR", "+CME ERROR: n",
    // "+CMS ERROR: n") with ReplyBuffer and the error line; ReplyBuffer is
    // emptied after it returns. Without it the error line stays in ReplyBuffer.
    std::function<void(const QByteArray &reply, const QByteArray &errorLine)> onReplyFailed;
    // Called with each unsolicited result line (which is not kept).
    std::function<void(const QByteArray &line)> onUnsolicited;
    // Bytes below 32 (but CR and LF) and above 127 stay in the lines when
    // set: the GSM alphabet's names use them (the phonebook exchange sets it).
    bool keepEveryByte = false;

    void feed(char byte);
    void feed(const QByteArray &bytes);
};
