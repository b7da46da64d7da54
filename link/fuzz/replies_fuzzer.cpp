// libFuzzer entry point for the handling of modem replies: the line assembly
// of the default receive handler, the answer cut of the synchronous reads and
// the readout's cutting rules, fed arbitrary bytes as a handset's reply. None
// may crash or read outside the text, and each keeps its promises: lines hold
// no CR or LF, an answer is one of the reply's lines and never an unsolicited
// code, the assembler gives the same result byte by byte as in one block.

#include "attransport.h"
#include "phoneinfo.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

void checkAnswer(const QByteArray &text, const QByteArray &command)
{
    // The readout's choice of line: one of the reply's lines, and none at
    // all without the query's own echo when that is required.
    for (bool echoRequired : {false, true}) {
        const QByteArray line = ReadoutAnswerLine(text, command, echoRequired);
        check(line.isEmpty() || ReplyLines(text).contains(line));
        check(line.isEmpty() || !echoRequired || HasEcho(text, command));
    }
    // A reply complete after its own echo is complete by the lenient rule too.
    check(!ReplyComplete(text, command, true) || ReplyComplete(text, command, false));
    const QByteArray answer = AnswerLine(text, command);
    if (answer.isEmpty())
        return;
    check(!answer.contains('\r') && !answer.contains('\n'));
    check(!IsUnsolicitedResult(answer));
    check(ReplyLines(text).contains(answer));

    // The readout's rules on whatever the answer is.
    check(InfoCut::battery(answer).size() <= answer.size() + 2);
    const QByteArray signal = InfoCut::signal(answer);
    check(signal == "???" || (signal.startsWith('-') && signal.endsWith('%') && signal.contains(" dBm   ")));
    check(InfoCut::operatorName(answer).size() <= qMax<qsizetype>(answer.size(), 14));  // or "Vyhledává sít´"
    check(InfoCut::simNumber(answer + '\r').size() <= answer.size());
    check(InfoCut::smsCentre(answer).size() <= answer.size());
    const QByteArray centre = InfoCut::smsCentreNumber(answer);
    check(centre.size() <= answer.size() + 1 && !centre.contains('"'));
    check(InfoCut::charges(answer).size() <= answer.size() + 1);
    for (int k = 0; k <= 10; ++k) {
        const auto digit = InfoCut::digitAt(answer, k);
        check(!digit || (*digit >= 0 && *digit <= 9));
        check(!digit || InfoCut::validFor(answer, k));
    }
}

struct Assembled
{
    QList<QByteArray> replies, failures, unsolicited;
    QByteArray lineBuffer, replyBuffer;
};

Assembled assemble(const QByteArray &text, bool byteByByte)
{
    Assembled out;
    ReplyAssembler a;
    a.onReplyComplete = [&](const QByteArray &reply) { out.replies.append(reply); };
    a.onReplyFailed = [&](const QByteArray &reply, const QByteArray &error) {
        check(IsErrorResultLine(error));
        out.failures.append(reply + error);
    };
    a.onUnsolicited = [&](const QByteArray &line) {
        check(IsUnsolicitedResult(line));
        out.unsolicited.append(line);
    };
    if (byteByByte) {
        for (char c : text)
            a.feed(c);
    } else {
        a.feed(text);
    }
    out.lineBuffer = a.LineBuffer;
    out.replyBuffer = a.ReplyBuffer;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // An exact-size copy, so that any read past the reply is caught.
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));

    for (const QByteArray &line : ReplyLines(text))
        check(!line.contains('\r') && !line.contains('\n'));
    checkAnswer(text, {});
    checkAnswer(text, "AT+CGMI");
    checkAnswer(text, "AT^SCID");
    HasFinalResult(text);

    const Assembled one = assemble(text, false);
    const Assembled each = assemble(text, true);
    check(one.replies == each.replies && one.failures == each.failures
          && one.unsolicited == each.unsolicited && one.lineBuffer == each.lineBuffer
          && one.replyBuffer == each.replyBuffer);
    for (char c : one.lineBuffer)
        check(static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) <= 127);
    for (const QByteArray &line : one.replyBuffer.split('\r'))
        check(!IsUnsolicitedResult(line) && !IsErrorResultLine(line) && line != "OK");
    return 0;
}
