#include "phoneinfo.h"

#include "attransport.h"
#include "comport.h"

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

QByteArray smsCentre(const QByteArray &answer)
{
    const qsizetype comma = answer.indexOf(',') + 1;
    return copyAt(answer, 10, comma - 11);
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

QByteArray ReadSimNumberReply(TComPort &port, qsizetype *arrived)
{
    const QByteArray reply = ReceiveReplyLines(port, SimReplyLimit,
                                               2 * TComPort::readTotalTimeoutMs(SimReplyLimit),
                                               "AT^SCID", arrived);
    const QByteArray line = AnswerLine(reply, "AT^SCID");
    // A refusal carries its error number after ": ", which is no SIM number.
    if (line.isEmpty() || IsErrorResultLine(line))
        return {};
    return line + '\r';
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
    const auto ask = [&](int position, const char *command) {
        begin(position);
        port.SendText(command);
        QByteArray echo(command);
        echo.chop(1);  // the CR
        const AtAnswer answer = ReadAnswer(port, echo);
        heard(answer.silent());
        return answer.line;
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
        info.Baterie = InfoCut::battery(ask(5, "AT+CBC\r"));
        info.Signal = InfoCut::signal(ask(6, "AT+CSQ\r"));
        info.Operator = InfoCut::operatorName(ask(7, "AT+COPS?\r"));
        info.IMSI = ask(8, "AT+CIMI\r");

        begin(9);
        port.SendText("AT^SCID\r");
        qsizetype arrived = 0;
        const QByteArray sim = ReadSimNumberReply(port, &arrived);
        heard(arrived == 0);
        info.cisloSIM = InfoCut::simNumber(sim);

        info.strediskoSMS = InfoCut::smsCentre(ask(10, "AT+CSCA?\r"));
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

        info.Poplatky = InfoCut::charges(ask(23, "AT+CPUC?\r"));
    } catch (const ReadoutStopped &stop) {
        info.end = stop.end;
        return info;
    }
    info.complete = true;
    info.end = ReadoutEnd::Complete;
    return info;
}
