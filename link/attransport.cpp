#include "attransport.h"

#include "comport.h"

#include <QDeadlineTimer>
#include <QThread>

namespace {

bool isFinalResultLine(const QByteArray &line)
{
    return IsFinalResultLine(line);
}

// One ReceiveText that ends by leftMs: ReceiveText(k) may wait 10*k + 1000 ms,
// so fewer bytes are asked for near the end, and in the last second the
// bytes are awaited by looking at the input every millisecond.
QByteArray receivePiece(TComPort &port, int n, qint64 leftMs)
{
    const qint64 fitting = (leftMs - TComPort::readTotalTimeoutMs(0)) / 10;
    if (fitting >= 1)
        return port.ReceiveText(int(qMin<qint64>(fitting, n)));
    QDeadlineTimer deadline(qMax<qint64>(leftMs, 0));
    while (port.PendingCount() == 0) {
        if (deadline.hasExpired())
            return {};
        QThread::msleep(1);
    }
    return port.ReceiveText(qMin(n, port.PendingCount()));
}

} // namespace

bool IsErrorResultLine(const QByteArray &line)
{
    return line == "ERROR" || line.startsWith("+CME ERROR:") || line.startsWith("+CMS ERROR:");
}

bool IsFinalResultLine(const QByteArray &line)
{
    return line == "OK" || IsErrorResultLine(line);
}

bool IsUnsolicitedResult(const QByteArray &line)
{
    // Whole-line codes, and prefixes of codes that carry values. "+CREG:" and
    // "+CGREG:" are also the answers to their read commands; a reader that
    // asks for them looks for them itself before this table applies.
    static const char *const whole[] = {"RING", "NO CARRIER", "BUSY", "NO ANSWER", "NO DIALTONE",
                                        "^SYSSTART"};
    static const char *const prefixes[] = {"+CRING:", "+CLIP:", "+CCWA:", "+CREG:", "+CGREG:",
                                           "+CMTI:", "+CMT:", "+CDS:", "+CDSI:", "+CBM:", "+CBMI:",
                                           "+CUSD:", "^SYSSTART"};
    const QByteArray trimmed = line.trimmed();
    for (const char *w : whole)
        if (trimmed == w)
            return true;
    for (const char *p : prefixes)
        if (trimmed.startsWith(p))
            return true;
    return false;
}

bool HasFinalResult(const QByteArray &text)
{
    // A line counts once its terminating CR is in; the LF after it may still
    // be on the way and does no harm to the next read (see CutReplyLine).
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '\r') {
            if (isFinalResultLine(text.mid(start, i - start)))
                return true;
            start = i + 1;
        } else if (c == '\n') {
            start = i + 1;
        }
    }
    return false;
}

QByteArray ReceiveUntilFinal(TComPort &port, int maxBytes, int totalTimeoutMs)
{
    // The first read is exactly the single read a reply in one piece needs.
    QDeadlineTimer deadline(totalTimeoutMs);
    QByteArray text = TComPort::readTotalTimeoutMs(maxBytes) <= totalTimeoutMs
                          ? port.ReceiveText(maxBytes)
                          : receivePiece(port, maxBytes, totalTimeoutMs);
    while (!text.isEmpty() && !HasFinalResult(text) && text.size() < maxBytes) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            break;
        const QByteArray piece = receivePiece(port, maxBytes - int(text.size()), left);
        if (piece.isEmpty())
            break;  // nothing more within the time left
        text += piece;
    }
    return text;
}

QByteArray ReceiveReply(TComPort &port, int n)
{
    return ReceiveUntilFinal(port, n, TComPort::readTotalTimeoutMs(n));
}

QByteArray CutReplyLine(const QByteArray &received)
{
    // The echoed command ends in CR; the answer line follows the CR LF that
    // opens it. Without any CR (nothing or only part of the echo arrived) the
    // cut still removes two characters, which leaves no CR and so no answer.
    const qsizetype p = qMax<qsizetype>(received.indexOf('\r') + 1, 2);
    const QByteArray rest = received.mid(p + 2);
    const qsizetype end = rest.indexOf('\r');
    return end < 0 ? QByteArray() : rest.left(end);
}

QByteArray ReadReply(TComPort &port)
{
    // The handset needs a moment before it starts answering; this pause costs
    // nothing while it does.
    QThread::msleep(10);
    return CutReplyLine(ReceiveReply(port, ReadReplyLimit));
}

bool CheckPresence(TComPort &port)
{
    port.SendText("ATE1\r");
    return ReceiveReply(port, PresenceReplyLimit).contains("OK");
}

void ReplyAssembler::feed(char byte)
{
    const auto b = static_cast<unsigned char>(byte);
    if (b == '\r') {
        if (LineBuffer == "OK") {
            // A copy: the handler may send the next command and process
            // events that feed more bytes; ReplyBuffer is emptied afterwards.
            const QByteArray reply = ReplyBuffer;
            LineBuffer.clear();
            if (onReplyComplete)
                onReplyComplete(reply);
            ReplyBuffer.clear();
            return;
        }
        if (onReplyFailed && IsErrorResultLine(LineBuffer)) {
            const QByteArray reply = ReplyBuffer;
            const QByteArray error = LineBuffer;
            LineBuffer.clear();
            onReplyFailed(reply, error);
            ReplyBuffer.clear();
            return;
        }
        if (IsUnsolicitedResult(LineBuffer)) {
            const QByteArray line = LineBuffer;
            LineBuffer.clear();
            if (onUnsolicited)
                onUnsolicited(line);
            return;
        }
        ReplyBuffer += LineBuffer;
        ReplyBuffer += '\r';
        LineBuffer.clear();
    } else if (b >= 32 && b <= 127) {
        LineBuffer += byte;
    }
}

void ReplyAssembler::feed(const QByteArray &bytes)
{
    for (char c : bytes)
        feed(c);
}
