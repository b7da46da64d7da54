// libFuzzer entry point: the bytes a handset sends in OBEX mode, cut into
// pieces as a port would deliver them. The assembler must hand back only
// packets whose length field matches, never more bytes than it was given,
// and the packet reader must accept or refuse each without reading outside it.

#include "obexpacket.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte says where the pieces are cut.
    const int step = data[0] % 17 + 1;
    const QByteArray input(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    Obex::ResponseAssembler assembler;
    qsizetype taken = 0;
    for (qsizetype at = 0; at < input.size(); at += step) {
        assembler.feed(input.mid(at, step));
        while (const std::optional<QByteArray> packet = assembler.take()) {
            const int length = (quint8((*packet)[1]) << 8) | quint8((*packet)[2]);
            if (length != packet->size() || length < 3)
                __builtin_trap();
            taken += packet->size();
            for (const bool connect : {false, true}) {
                if (const std::optional<Obex::Response> r = Obex::parseResponse(*packet, connect)) {
                    if (r->body().size() > packet->size())
                        __builtin_trap();
                    r->connectionId();
                    Obex::responseCodeName(r->code);
                }
            }
        }
    }
    if (taken > input.size())
        __builtin_trap();
    Obex::nameFromField(input);
    return 0;
}
