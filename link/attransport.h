#pragma once

#include <QByteArray>

#include <functional>

class TComPort;

// The AT command dialogue on the modem port: synchronous replies and the
// line assembly of the default receive handler. No widgets here.
//
// A handset echoes the command (while echo is on), then sends its answer
// lines framed by CR LF and a final result line. Real USB links deliver the
// echo and the answer in separate pieces a few milliseconds apart, so every
// synchronous read below keeps reading until the final result line
// ("OK", "ERROR", "+CME ERROR: ...", "+CMS ERROR: ...") has arrived, the
// byte limit is reached, or the read's total timeout has passed. A reply
// that arrives in one piece is taken exactly as a single read would take it.

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

// The answer line of a simple query whose command has just been written:
// waits 10 ms, reads up to 90 bytes of the reply, drops the echo line and the
// CR LF that opens the answer, and returns the text up to the next CR
// (empty when there is none).
QByteArray ReadReply(TComPort &port);

// The pure part of ReadReply, applied to a received text.
QByteArray CutReplyLine(const QByteArray &received);

// The presence check's exchange: sends "ATE1\r", reads up to 20 bytes of the
// reply (at most 1.2 s), and tells whether it contains "OK". EComPort from the
// port is passed on.
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

    void feed(char byte);
    void feed(const QByteArray &bytes);
};
