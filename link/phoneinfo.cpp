#include "phoneinfo.h"

#include "attransport.h"
#include "comport.h"

#include <algorithm>

// The cutting rules follow the handset's answer formats position by position.
// Where a delimiter is missing, "remove up to and including X" removes
// nothing and "the text before X" is empty, so a rejected or missing answer
// gives an empty or default field and never reads past the text.

namespace {

// Text after the first occurrence of sep; the whole text when sep is missing.
QByteArray after(const QByteArray &text, const QByteArray &sep)
{
    const qsizetype i = text.indexOf(sep);
    return i < 0 ? text : text.mid(i + sep.size());
}

// Text before the first occurrence of sep; empty when sep is missing.
QByteArray before(const QByteArray &text, char sep)
{
    const qsizetype i = text.indexOf(sep);
    return i < 0 ? QByteArray() : text.left(i);
}

// count characters from 1-based position pos; empty when count is not positive.
QByteArray copyAt(const QByteArray &text, qsizetype pos, qsizetype count)
{
    if (count <= 0)
        return {};
    return text.mid(qMax<qsizetype>(pos, 1) - 1, count);
}

std::optional<bool> checkAt(const QByteArray &answer, int k)
{
    if (!InfoCut::validFor(answer, k))
        return std::nullopt;
    return answer.at(k - 1) == '1';
}

} // namespace

namespace InfoCut {

QByteArray battery(const QByteArray &answer)
{
    if (answer.isEmpty())
        return {};  // a silent handset leaves the panel empty
    return after(answer, ",") + " %";
}

QByteArray signal(const QByteArray &answer)
{
    const qsizetype c = answer.indexOf(',') + 1;
    const qsizetype q = answer.indexOf(": ") + 1;
    const QByteArray field = copyAt(answer, q + 2, c - (q + 2));
    bool ok = false;
    const qint64 rssi = field.toLongLong(&ok);
    if (!ok || rssi == 99)
        return "???";
    // The handset's byte arithmetic: only the low byte counts, so the sum is
    // taken unsigned (a huge field would overflow a signed product).
    const int v = quint8(113u - 2u * quint64(rssi));
    const int percent = 100 - ((v - 51) * 162) / 100;
    return "-" + QByteArray::number(v) + " dBm   " + QByteArray::number(percent) + "%";
}

QByteArray operatorName(const QByteArray &answer)
{
    const QByteArray name = before(after(answer, "\""), '"');
    if (name.isEmpty())
        return "Vyhled" "\xE1" "v" "\xE1" " s" "\xED" "t" "\xB4";
    return name;
}

QByteArray simNumber(const QByteArray &reply)
{
    return before(after(reply, ": "), '\r');
}

QByteArray smsCentreNumber(const QByteArray &answer)
{
    // By the quotes and the type, not by position: a national number
    // ("0603052000",129) has no "+" to skip.
    const qsizetype open = answer.indexOf('"');
    const qsizetype close = open < 0 ? -1 : answer.indexOf('"', open + 1);
    if (close < 0)
        return {};
    QByteArray number = answer.mid(open + 1, close - open - 1).trimmed();
    const qsizetype comma = answer.indexOf(',', close);
    if (comma < 0)
        return {};
    const QByteArray type = answer.mid(comma + 1).trimmed();
    if (number.isEmpty())
        return {};
    if (type == "145" && !number.startsWith('+'))
        number.prepend('+');
    return number;
}

QByteArray smsCentre(const QByteArray &answer)
{
    const QByteArray number = smsCentreNumber(answer);
    return number.startsWith('+') ? number.mid(1) : number;
}

QByteArray charges(const QByteArray &answer)
{
    QByteArray rest = after(answer, "\"");
    const QByteArray currency = before(rest, '"');
    const qsizetype quote = rest.indexOf('"');
    rest = quote < 0 ? QByteArray() : rest.mid(quote + 3);
    const QByteArray price = before(rest, '"');
    return price + " " + currency;
}

std::optional<int> indexWithin(std::optional<int> index, int itemCount)
{
    if (!index || *index < 0 || *index >= itemCount)
        return std::nullopt;
    return index;
}

bool validFor(const QByteArray &answer, int k)
{
    return k >= 1 && answer.size() >= k && !answer.contains("ERROR");
}

std::optional<int> digitAt(const QByteArray &answer, int k)
{
    if (!validFor(answer, k))
        return std::nullopt;
    const char c = answer.at(k - 1);
    if (c < '0' || c > '9')
        return std::nullopt;
    return c - '0';
}

} // namespace InfoCut

namespace {

bool isDigits(const QByteArray &text)
{
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isPrintable(const QByteArray &text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 32 && c != 127; });
}

bool hasAnswerShape(const QByteArray &line, const QByteArray &command)
{
    if (IsErrorResultLine(line))
        return true;
    const QByteArray c = command.trimmed().toUpper();
    if (c.startsWith("AT+CGSN") || c.startsWith("AT+CIMI"))
        return isDigits(line.trimmed());
    if (c.size() > 2 && (c.at(2) == '+' || c.at(2) == '^')
        && !c.startsWith("AT+CGMI") && !c.startsWith("AT+CGMM") && !c.startsWith("AT+CGMR"))
        return AnswersCommand(line, command);
    // Free text: anything but a final result, an unsolicited code, or the
    // result code of some command (another query's answer).
    return !line.trimmed().isEmpty() && !IsFinalResultLine(line) && !IsUnsolicitedResult(line)
        && !line.startsWith('+') && !line.startsWith('^') && isPrintable(line);
}

} // namespace

QByteArray ReadoutAnswerLine(const QByteArray &received, const QByteArray &command,
                             bool echoRequired)
{
    // The information text stands right before the final result; a line of
    // the same shape earlier on (a stray or garbled line the cable brought)
    // is not the answer.
    QByteArray found;
    for (const QByteArray &line : LinesAfterEcho(received, command, echoRequired)) {
        if (IsFinalResultLine(line))
            return IsErrorResultLine(line) ? line : found;
        if (hasAnswerShape(line, command))
            found = line;
    }
    return found;
}

AtAnswer ReadSimNumberAnswer(TComPort &port, bool echoRequired)
{
    AtAnswer answer;
    answer.received = ReceiveReplyLines(port, SimReplyLimit,
                                        2 * TComPort::readTotalTimeoutMs(SimReplyLimit), "AT^SCID",
                                        &answer.arrived, echoRequired);
    answer.echoed = HasEcho(answer.received, "AT^SCID");
    answer.complete = ReplyComplete(answer.received, "AT^SCID", echoRequired);
    answer.line = ReadoutAnswerLine(answer.received, "AT^SCID", echoRequired);
    return answer;
}

QByteArray ReadSimNumberReply(TComPort &port, qsizetype *arrived)
{
    const AtAnswer answer = ReadSimNumberAnswer(port, false);
    if (arrived)
        *arrived = answer.arrived;
    // A refusal carries its error number after ": ", which is no SIM number.
    if (answer.line.isEmpty() || IsErrorResultLine(answer.line))
        return {};
    return answer.line + '\r';
}

namespace {

// Ends a readout early from inside a query.
struct ReadoutStopped
{
    ReadoutEnd end;
};

} // namespace

PhoneInfo ReadPhoneInfo(TComPort &port, bool makerAndModelOnly,
                        const std::function<void(int)> &progress)
{
    return ReadPhoneInfo(port, makerAndModelOnly, ReadoutControl{progress, {}});
}

PhoneInfo ReadPhoneInfo(TComPort &port, bool makerAndModelOnly, const ReadoutControl &control)
{
    const TComPort::HoldRxEvents hold(port);
    PhoneInfo info;
    int silentInRow = 0;
    // Set once a reply has carried its echo: from then on a reply counts
    // only after its own echo (a handset with echo off is read as before).
    bool echoing = false;
    const auto begin = [&](int position) {
        if (control.cancelled && control.cancelled())
            throw ReadoutStopped{ReadoutEnd::Cancelled};
        if (control.progress)
            control.progress(position);
    };
    const auto heard = [&](bool silent) {
        silentInRow = silent ? silentInRow + 1 : 0;
        if (silentInRow >= SilentQueriesLimit)
            throw ReadoutStopped{ReadoutEnd::Silent};
    };
    // The answer line of a reply that came whole and in shape; otherwise the
    // query is unanswered, and a reply still under way is let finish (within
    // the bound of one more reply) so that its end is no later query's answer.
    const auto take = [&](const AtAnswer &answer, const QByteArray &command) {
        heard(answer.silent());
        if (answer.echoed)
            echoing = true;
        if (answer.complete && !answer.line.isEmpty())
            return answer.line;
        info.unanswered.append(command);
        if (!answer.complete && !answer.silent())
            ReceiveReplyLines(port, ReadReplyLimit, TComPort::readTotalTimeoutMs(ReadReplyLimit));
        return QByteArray();
    };
    const auto ask = [&](int position, const char *command) {
        begin(position);
        port.SendText(command);
        QByteArray echo(command);
        echo.chop(1);  // the CR
        AtAnswer answer = ReadAnswer(port, echo, echoing);
        answer.line = ReadoutAnswerLine(answer.received, echo, echoing);
        return take(answer, echo);
    };
    // Cuts an answer unless the query went unanswered.
    const auto cut = [](const QByteArray &answer, QByteArray (*rule)(const QByteArray &)) {
        return answer.isEmpty() ? QByteArray() : rule(answer);
    };

    try {
        info.Vyrobce = ask(1, "AT+CGMI\r");
        info.model = ask(3, "AT+CGMM\r");
        if (makerAndModelOnly) {
            info.end = ReadoutEnd::MakerAndModel;
            return info;
        }

        info.VerzeGSM = ask(2, "AT+CGMR\r");
        info.IMEI = ask(4, "AT+CGSN\r");
        info.Baterie = cut(ask(5, "AT+CBC\r"), InfoCut::battery);
        info.Signal = cut(ask(6, "AT+CSQ\r"), InfoCut::signal);
        info.Operator = cut(ask(7, "AT+COPS?\r"), InfoCut::operatorName);
        info.IMSI = ask(8, "AT+CIMI\r");

        begin(9);
        port.SendText("AT^SCID\r");
        const QByteArray sim = take(ReadSimNumberAnswer(port, echoing), "AT^SCID");
        // A refusal carries its error number after ": ", which is no SIM number.
        if (!IsErrorResultLine(sim))
            info.cisloSIM = InfoCut::simNumber(sim + '\r');

        const QByteArray centre = ask(10, "AT+CSCA?\r");
        info.strediskoSMS = cut(centre, InfoCut::smsCentre);
        info.smsCentreNumber = cut(centre, InfoCut::smsCentreNumber);
        info.clock = ask(11, "AT+CCLK?\r");

        // Ring levels count from 1, the combo box from 0.
        const auto ring = InfoCut::digitAt(ask(12, "AT+CRSL?\r"), 8);
        info.ringIndex = InfoCut::indexWithin(ring ? std::optional<int>(*ring - 1) : std::nullopt, 5);
        info.speakerIndex = InfoCut::indexWithin(InfoCut::digitAt(ask(13, "AT+CLVL?\r"), 8), 5);
        info.alertIndex = InfoCut::indexWithin(InfoCut::digitAt(ask(14, "AT+CALM?\r"), 8), 3);

        info.pinLock = checkAt(ask(15, "AT^SLCK=\"SC\",2\r"), 8);
        info.simBinding = checkAt(ask(16, "AT^SLCK=\"PS\",2\r"), 9);
        ask(17, "AT^SPIC\r");
        info.keyLock = checkAt(ask(18, "AT+CLCK=\"SC\",2\r"), 8);
        info.vibration = checkAt(ask(19, "AT+CVIB?\r"), 8);
        // Item 2 is taken from the CLIR answer first and then from the mute
        // answer, which wins whenever it is valid.
        info.microphoneMute = checkAt(ask(20, "AT+CLIR?\r"), 9);
        if (const auto mute = checkAt(ask(21, "AT+CMUT?\r"), 8))
            info.microphoneMute = mute;
        info.handsFree = checkAt(ask(22, "AT^SNFS?\r"), 8);

        const QByteArray charges = ask(23, "AT+CPUC?\r");
        if (!charges.isEmpty())
            info.Poplatky = InfoCut::charges(charges);
    } catch (const ReadoutStopped &stop) {
        info.end = stop.end;
        return info;
    } catch (const EComPort &e) {
        info.end = ReadoutEnd::ConnectionLost;
        info.portError = e.text();
        return info;
    }
    info.complete = true;
    info.end = ReadoutEnd::Complete;
    return info;
}
