// libFuzzer entry point: the reader of the handset's answers while a message
// is sent must survive any bytes cut anywhere, keep its pending line bounded
// and report only what its events promise.

#include "attransport.h"
#include "smsreply.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first byte sets the piece size (1..16) and whether a prompt is
    // awaited, so the same answer is also seen cut in other places.
    const std::size_t piece = (data[0] & 0x0F) + 1;
    SmsReplyReader reader;
    reader.start("AT+CMGS=17", (data[0] & 0x10) != 0);
    for (std::size_t i = 1; i < size; i += piece) {
        const QByteArray bytes(reinterpret_cast<const char *>(data + i), qsizetype(qMin(piece, size - i)));
        for (const SmsReplyReader::Item &item : reader.feed(bytes)) {
            switch (item.event) {
            case SmsReplyReader::Event::Error:
                if (!IsErrorResultLine(item.line))
                    __builtin_trap();
                break;
            case SmsReplyReader::Event::Reference:
                if (!item.line.startsWith("+CMGS:"))
                    __builtin_trap();
                break;
            case SmsReplyReader::Event::Ok:
                if (!IsFinalResultLine(item.line) || IsErrorResultLine(item.line))
                    __builtin_trap();
                break;
            case SmsReplyReader::Event::Prompt:
                break;
            }
        }
        if (reader.pendingSize() > SmsReplyReader::MaxPending)
            __builtin_trap();
    }
    return 0;
}
