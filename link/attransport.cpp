#include "attransport.h"

#include "comport.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

namespace {

bool isFinalResultLine(const QByteArray &line)
{
    return IsFinalResultLine(line);
}

bool startsWithAt(const QByteArray &line)
{
    return line.size() >= 2 && (line.at(0) == 'A' || line.at(0) == 'a')
        && (line.at(1) == 'T' || line.at(1) == 't');
}

bool isEchoOf(const QByteArray &line, const QByteArray &command)
{
    return line.trimmed() == command.trimmed();
}

// Index of the echo line in lines, -1 when the reply has none (see AnswerLine).
qsizetype echoIndex(const QList<QByteArray> &lines, const QByteArray &command)
{
    if (!command.trimmed().isEmpty()) {
        for (qsizetype i = 0; i < lines.size(); ++i)
            if (isEchoOf(lines.at(i), command))
                return i;
    }
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (startsWithAt(lines.at(i)))
            return i;
    return -1;
}

// Index of the line that is exactly the echo of command, -1 when none is.
qsizetype exactEchoIndex(const QList<QByteArray> &lines, const QByteArray &command)
{
    if (command.trimmed().isEmpty())
        return -1;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (isEchoOf(lines.at(i), command))
            return i;
    return -1;
}

// What a reply read keeps of the received bytes: every line up to lineLimit
// bytes; a longer line is dropped up to and including its CR.
class LineKeeper
{
public:
    explicit LineKeeper(int lineLimit)
        : m_limit(qMax(lineLimit, 1))
    {
    }

    void add(const QByteArray &bytes)
    {
        for (char c : bytes) {
            if (c == '\r') {
                if (!m_dropping)
                    m_kept += m_line + '\r';
                m_line.clear();
                m_dropping = false;
            } else if (!m_dropping) {
                m_line += c;
                if (m_line.size() > m_limit) {
                    m_line.clear();
                    m_dropping = true;
                }
            }
        }
    }
    // The kept lines and the line being received.
    QByteArray text() const { return m_dropping ? m_kept : m_kept + m_line; }
    qsizetype size() const { return m_kept.size() + m_line.size(); }

private:
    int m_limit;
    QByteArray m_kept;
    QByteArray m_line;
    bool m_dropping = false;
};

// Enough for every answer of the readout many times over; a line that keeps
// sending short lines without ever a final result stops here.
constexpr qsizetype KeptReplyLimit = 16 * 1024;

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
    const TComPort::HoldRxEvents hold(port);
    QDeadlineTimer deadline(totalTimeoutMs);
    QByteArray text = port.ReceiveTextWithin(maxBytes, totalTimeoutMs);
    while (!text.isEmpty() && !HasFinalResult(text) && text.size() < maxBytes) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            break;
        const QByteArray piece = port.ReceiveTextWithin(maxBytes - int(text.size()), left);
        if (piece.isEmpty())
            break;  // nothing more within the time left
        text += piece;
    }
    return text;
}

QList<QByteArray> LinesAfterEcho(const QByteArray &received, const QByteArray &command,
                                 bool echoRequired)
{
    const QList<QByteArray> lines = ReplyLines(received);
    const qsizetype echo = echoRequired ? exactEchoIndex(lines, command) : echoIndex(lines, command);
    if (echoRequired && echo < 0)
        return {};
    return lines.mid(echo + 1);
}

bool HasEcho(const QByteArray &received, const QByteArray &command)
{
    return exactEchoIndex(ReplyLines(received), command) >= 0;
}

bool ReplyComplete(const QByteArray &received, const QByteArray &command, bool echoRequired)
{
    // Any final line counts when the echo is not required and none has come.
    const QList<QByteArray> lines = LinesAfterEcho(received, command, echoRequired);
    return std::any_of(lines.begin(), lines.end(), isFinalResultLine);
}

QByteArray ReceiveReplyLines(TComPort &port, int lineLimit, int totalTimeoutMs,
                             const QByteArray &command, qsizetype *arrived, bool echoRequired)
{
    const TComPort::HoldRxEvents hold(port);
    QDeadlineTimer deadline(totalTimeoutMs);
    LineKeeper keeper(lineLimit);
    qsizetype count = 0;
    // The first read is the single read a reply in one piece needs.
    QByteArray piece = port.ReceiveTextWithin(lineLimit, totalTimeoutMs);
    while (!piece.isEmpty()) {
        count += piece.size();
        keeper.add(piece);
        if (ReplyComplete(keeper.text(), command, echoRequired) || keeper.size() >= KeptReplyLimit)
            break;
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            break;
        piece = port.ReceiveTextWithin(qMax(lineLimit, 256), left);
    }
    if (arrived)
        *arrived = count;
    return keeper.text();
}

QByteArray ReceiveReply(TComPort &port, int n)
{
    return ReceiveUntilFinal(port, n, TComPort::readTotalTimeoutMs(n));
}

QList<QByteArray> ReplyLines(const QByteArray &text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != '\r')
            continue;
        QByteArray line = text.mid(start, i - start);
        line.replace('\n', QByteArray());
        lines.append(line);
        start = i + 1;
    }
    return lines;
}

// "+CREG: 0,1" answers "AT+CREG?" although the same code also comes
// unsolicited: the command's own code is its answer.
bool AnswersCommand(const QByteArray &line, const QByteArray &command)
{
    const QByteArray c = command.trimmed().toUpper();
    if (!c.startsWith("AT") || c.size() < 3)
        return false;
    qsizetype end = 2;
    while (end < c.size() && c.at(end) != '=' && c.at(end) != '?')
        ++end;
    const QByteArray name = c.mid(2, end - 2);
    return !name.isEmpty() && (name.at(0) == '+' || name.at(0) == '^')
        && line.trimmed().toUpper().startsWith(name + ':');
}

QByteArray AnswerLine(const QByteArray &received, const QByteArray &command)
{
    const QList<QByteArray> lines = ReplyLines(received);
    for (qsizetype i = echoIndex(lines, command) + 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        if (!line.isEmpty() && (!IsUnsolicitedResult(line) || AnswersCommand(line, command)))
            return line;
    }
    return {};
}

QByteArray CutReplyLine(const QByteArray &received)
{
    return AnswerLine(received);
}

AtAnswer ReadAnswer(TComPort &port, const QByteArray &command, bool echoRequired)
{
    const TComPort::HoldRxEvents hold(port);
    // The handset needs a moment before it starts answering; this pause costs
    // nothing while it does.
    QThread::msleep(10);
    AtAnswer answer;
    answer.received = ReceiveReplyLines(port, ReadReplyLimit,
                                        TComPort::readTotalTimeoutMs(ReadReplyLimit), command,
                                        &answer.arrived, echoRequired);
    answer.echoed = HasEcho(answer.received, command);
    answer.complete = ReplyComplete(answer.received, command, echoRequired);
    if (!echoRequired || answer.echoed)
        answer.line = AnswerLine(answer.received, command);
    return answer;
}

QByteArray ReadReply(TComPort &port)
{
    return ReadAnswer(port).line;
}

bool CheckPresence(TComPort &port)
{
    const TComPort::HoldRxEvents hold(port);
    port.SendText("ATE1\r");
    return ReceiveReplyLines(port, PresenceReplyLimit,
                             TComPort::readTotalTimeoutMs(PresenceReplyLimit), "ATE1")
        .contains("OK");
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
    } else if ((b >= 32 && b <= 127) || (keepEveryByte && b != '\n')) {
        LineBuffer += byte;
    }
}

void ReplyAssembler::feed(const QByteArray &bytes)
{
    for (char c : bytes)
        feed(c);
}
