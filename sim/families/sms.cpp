// The message store of 3GPP TS 27.005 in PDU mode: preferred memories
// (AT+CPMS), message format (AT+CMGF), listing, reading, deleting and
// writing messages (AT+CMGL, AT+CMGR, AT+CMGD, AT+CMGW), new-message
// indications (AT+CNMI) and the message service (AT+CSMS).
//
// Two memories, the SIM card "SM" and the phone "ME", each with its own
// capacity; "MT" is both of them as one memory, the SIM's locations first
// (1 .. SM size) and the phone's after them (SM size + 1 ...). A message is
// one state key "sms.MEM.N" holding "status,PDU": the status of TS 27.005
// (0 received unread, 1 received read, 2 stored unsent, 3 stored sent) and
// the PDU in hex with its service-centre part, exactly as AT+CMGL lists it.
// Sending (AT+CMGS) belongs to the compose family, not to this file.

#include "../family.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <vector>

namespace {

// Error numbers of 3GPP TS 27.005 section 3.2.5.
namespace Cms {
constexpr int OperationNotAllowed = 302;
constexpr int OperationNotSupported = 303;
constexpr int InvalidPduParameter = 304;
constexpr int InvalidIndex = 321;
constexpr int MemoryFull = 322;
} // namespace Cms

constexpr size_t MaxPduDigits = 2 * 200;  // service centre (up to 12 octets) and TPDU (up to 176)

const char *const Memories[] = {"SM", "ME"};

struct Message
{
    int status = 0;
    std::string pdu;
};

// One location of a memory as the commands see it: the real memory and
// its own location number.
struct Location
{
    std::string memory;  // "SM" or "ME"
    long number = 0;
};

std::string keyOf(const Location &l)
{
    return "sms." + l.memory + "." + std::to_string(l.number);
}

long capacity(State &s, const std::string &memory)
{
    return std::max(0L, s.number("sms." + memory + ".size"));
}

// "status,PDU" with a status of 0..3 and an even number of hex digits.
bool parseMessage(const std::string &value, Message &m)
{
    const size_t comma = value.find(',');
    if (comma == std::string::npos)
        return false;
    long status;
    if (!parseNumber(trim(value.substr(0, comma)), status) || status < 0 || status > 3)
        return false;
    std::string pdu = trim(value.substr(comma + 1));
    if (pdu.empty() || pdu.size() % 2 != 0 || pdu.size() > MaxPduDigits)
        return false;
    for (char &c : pdu) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
        c = char(std::toupper(static_cast<unsigned char>(c)));
    }
    m.status = int(status);
    m.pdu = pdu;
    return true;
}

bool readMessage(State &s, const Location &l, Message &m)
{
    return s.has(keyOf(l)) && parseMessage(s.value(keyOf(l)), m);
}

void writeMessage(State &s, const Location &l, const Message &m)
{
    s.set(keyOf(l), std::to_string(m.status) + "," + m.pdu);
}

// The locations of a memory as seen through "SM", "ME" or "MT", in order.
// Index i of the result is the location number i + 1 of that view.
std::vector<Location> view(State &s, const std::string &memory)
{
    std::vector<Location> out;
    for (const char *m : Memories) {
        if (memory != "MT" && memory != m)
            continue;
        for (long n = 1; n <= capacity(s, m); ++n)
            out.push_back({m, n});
    }
    return out;
}

// Octets of the TPDU: the whole PDU without the service-centre part.
long tpduLength(const std::string &pdu)
{
    if (pdu.size() < 2)
        return -1;
    const long smsc = std::stol(pdu.substr(0, 2), nullptr, 16);
    return long(pdu.size() / 2) - 1 - smsc;
}

bool validMemory(const std::string &m)
{
    return m == "SM" || m == "ME" || m == "MT";
}

// The three preferred memories of AT+CPMS: read/delete, write/send, receive.
std::vector<std::string> preferred(State &s)
{
    std::vector<std::string> out;
    std::string value = s.value("at.cpms");
    size_t start = 0;
    while (out.size() < 3) {
        const size_t comma = value.find(',', start);
        const std::string m = trim(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        out.push_back(validMemory(m) ? m : "SM");
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    while (out.size() < 3)
        out.push_back(out.back());
    return out;
}

std::string usage(State &s, const std::string &memory)
{
    long used = 0;
    const std::vector<Location> locations = view(s, memory);
    Message m;
    for (const Location &l : locations)
        used += readMessage(s, l, m) ? 1 : 0;
    return std::to_string(used) + "," + std::to_string(locations.size());
}

bool textMode(State &s)
{
    return s.number("at.cmgf") == 1;
}

// The header's alpha field: empty unless sms.alpha holds a text (some
// handsets put the phonebook name of the number there).
std::string alpha(State &s)
{
    const std::string a = s.value("sms.alpha");
    return a.empty() ? std::string() : "\"" + a + "\"";
}

AtResult cpms(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    switch (cmd.type) {
    case AtType::Test:
        ctx.line("+CPMS: (\"SM\",\"ME\",\"MT\"),(\"SM\",\"ME\",\"MT\"),(\"SM\",\"ME\",\"MT\")");
        return AtResult::ok();
    case AtType::Read: {
        std::string line = "+CPMS: ";
        const std::vector<std::string> mems = preferred(s);
        for (size_t i = 0; i < mems.size(); ++i)
            line += (i ? "," : "") + ("\"" + mems[i] + "\",") + usage(s, mems[i]);
        ctx.line(line);
        return AtResult::ok();
    }
    case AtType::Set: {
        std::vector<std::string> mems = preferred(s);
        if (cmd.args.empty() || cmd.args.size() > 3)
            return AtResult::cmsError(Cms::OperationNotAllowed);
        for (size_t i = 0; i < cmd.args.size(); ++i) {
            if (!cmd.hasArg(i))
                continue;  // an omitted memory stays as it was
            const std::string m = toUpper(cmd.arg(i));
            if (!validMemory(m))
                return AtResult::cmsError(Cms::OperationNotAllowed);
            mems[i] = m;
        }
        s.set("at.cpms", mems[0] + "," + mems[1] + "," + mems[2]);
        ctx.line("+CPMS: " + usage(s, mems[0]) + "," + usage(s, mems[1]) + "," + usage(s, mems[2]));
        return AtResult::ok();
    }
    default:
        return AtResult::error();
    }
}

AtResult cmgf(AtContext &ctx, const AtCommand &cmd)
{
    switch (cmd.type) {
    case AtType::Test:
        ctx.line("+CMGF: (0,1)");
        return AtResult::ok();
    case AtType::Read:
        ctx.line("+CMGF: " + ctx.state().value("at.cmgf"));
        return AtResult::ok();
    case AtType::Set:
        return ctx.setNumber(cmd, 0, "at.cmgf", 0, 1);
    case AtType::Action:  // no value: the default, PDU mode
        ctx.state().set("at.cmgf", "0");
        return AtResult::ok();
    }
    return AtResult::error();
}

// "+CMGL: index,stat,[alpha],length" and the PDU line for every message of
// the read memory with the asked status (4: all); unread ones become read.
AtResult cmgl(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    if (cmd.type == AtType::Test) {
        ctx.line(textMode(s) ? "+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO SENT\",\"ALL\")"
                             : "+CMGL: (0-4)");
        return AtResult::ok();
    }
    if (cmd.type == AtType::Read)
        return AtResult::error();
    if (textMode(s))
        return AtResult::cmsError(Cms::OperationNotSupported);
    long wanted = 0;  // without a value: received unread
    if (cmd.type == AtType::Set) {
        const auto v = cmd.number(0);
        if (!v || *v < 0 || *v > 4 || cmd.args.size() > 1)
            return AtResult::cmsError(Cms::InvalidPduParameter);
        wanted = *v;
    }
    const std::vector<Location> locations = view(s, preferred(s)[0]);
    for (size_t i = 0; i < locations.size(); ++i) {
        Message m;
        if (!readMessage(s, locations[i], m) || (wanted != 4 && m.status != wanted))
            continue;
        ctx.line("+CMGL: " + std::to_string(i + 1) + "," + std::to_string(m.status) + "," + alpha(s) + ","
                 + std::to_string(tpduLength(m.pdu)));
        ctx.line(m.pdu);
        if (m.status == 0) {
            m.status = 1;
            writeMessage(s, locations[i], m);
        }
    }
    return AtResult::ok();
}

// The location of index n (1-based) of the read memory, if it exists.
bool locate(State &s, long n, Location &out)
{
    const std::vector<Location> locations = view(s, preferred(s)[0]);
    if (n < 1 || n > long(locations.size()))
        return false;
    out = locations[size_t(n - 1)];
    return true;
}

AtResult cmgr(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    if (cmd.type == AtType::Test)
        return AtResult::ok();
    if (cmd.type != AtType::Set)
        return AtResult::error();
    if (textMode(s))
        return AtResult::cmsError(Cms::OperationNotSupported);
    const auto n = cmd.number(0);
    Location l;
    Message m;
    if (!n || !locate(s, *n, l) || !readMessage(s, l, m))
        return AtResult::cmsError(Cms::InvalidIndex);
    ctx.line("+CMGR: " + std::to_string(m.status) + "," + alpha(s) + "," + std::to_string(tpduLength(m.pdu)));
    ctx.line(m.pdu);
    if (m.status == 0) {
        m.status = 1;
        writeMessage(s, l, m);
    }
    return AtResult::ok();
}

// AT+CMGD=index[,flag]: flag 0 (or none) deletes the index; 1 every read
// message; 2 read and sent; 3 read, sent and unsent; 4 all (the index is
// then ignored).
AtResult cmgd(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    const std::vector<Location> locations = view(s, preferred(s)[0]);
    if (cmd.type == AtType::Test) {
        std::string used;
        Message m;
        for (size_t i = 0; i < locations.size(); ++i)
            if (readMessage(s, locations[i], m))
                used += (used.empty() ? "" : ",") + std::to_string(i + 1);
        ctx.line("+CMGD: (" + used + "),(0-4)");
        return AtResult::ok();
    }
    if (cmd.type != AtType::Set)
        return AtResult::error();
    long flag = 0;
    if (cmd.hasArg(1)) {
        const auto f = cmd.number(1);
        if (!f || *f < 0 || *f > 4)
            return AtResult::cmsError(Cms::OperationNotAllowed);
        flag = *f;
    }
    if (flag == 0) {
        const auto n = cmd.number(0);
        Location l;
        Message m;
        if (!n || !locate(s, *n, l) || !readMessage(s, l, m))
            return AtResult::cmsError(Cms::InvalidIndex);
        s.remove(keyOf(l));
        return AtResult::ok();
    }
    for (const Location &l : locations) {
        Message m;
        if (!readMessage(s, l, m))
            continue;
        const bool remove = flag == 4 || m.status == 1 || (flag >= 2 && m.status == 3) || (flag >= 3 && m.status == 2);
        if (remove)
            s.remove(keyOf(l));
    }
    return AtResult::ok();
}

bool isHex(const std::string &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// AT+CMGW=length[,stat]: "> " prompt, then the PDU in hex ended by Ctrl-Z
// (ESC gives up); stored in the write memory as stat (default 2, unsent).
AtResult cmgw(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    if (cmd.type == AtType::Test)
        return AtResult::ok();
    if (cmd.type != AtType::Set)
        return AtResult::error();
    if (textMode(s))
        return AtResult::cmsError(Cms::OperationNotSupported);
    const auto length = cmd.number(0);
    long status = 2;
    if (cmd.hasArg(1)) {
        const auto st = cmd.number(1);
        if (!st || *st < 0 || *st > 3)
            return AtResult::cmsError(Cms::InvalidPduParameter);
        status = *st;
    }
    if (!length || *length < 1 || *length > 176)
        return AtResult::cmsError(Cms::InvalidPduParameter);

    Simulator &sim = ctx.sim();
    const long expected = *length;
    auto buffer = std::make_shared<std::string>();
    ctx.divert([&sim, buffer, expected, status](const std::string &bytes) {
        State &st = sim.state();
        std::string echo;
        for (char c : bytes) {
            if (c == 0x1B) {  // ESC: nothing is stored
                if (st.flag("at.echo"))
                    sim.modem().sendEcho(echo);
                sim.finishAt(AtResult::ok(), {});
                return;
            }
            if (c != 0x1A) {
                echo += c;
                if (c != '\r' && c != '\n' && buffer->size() <= MaxPduDigits)
                    *buffer += c;
                continue;
            }
            if (st.flag("at.echo"))
                sim.modem().sendEcho(echo);
            const std::string pdu = toUpper(trim(*buffer));
            Message m;
            if (pdu.size() % 2 != 0 || pdu.size() > MaxPduDigits || !isHex(pdu) || tpduLength(pdu) != expected) {
                sim.finishAt(AtResult::cmsError(Cms::InvalidPduParameter), {});
                return;
            }
            m.status = int(status);
            m.pdu = pdu;
            for (const Location &l : view(st, preferred(st)[1])) {
                Message existing;
                if (st.has(keyOf(l)) && readMessage(st, l, existing))
                    continue;
                writeMessage(st, l, m);
                const std::vector<Location> all = view(st, preferred(st)[1]);
                const long index = long(std::find_if(all.begin(), all.end(), [&](const Location &x) {
                                            return x.memory == l.memory && x.number == l.number;
                                        }) - all.begin()) + 1;
                sim.finishAt(AtResult::ok(), {"+CMGW: " + std::to_string(index)});
                return;
            }
            sim.finishAt(AtResult::cmsError(Cms::MemoryFull), {});
            return;
        }
        if (st.flag("at.echo"))
            sim.modem().sendEcho(echo);
    });
    sim.modem().sendReply("\r\n> ");
    return AtResult::deferred();
}

AtResult cnmi(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    switch (cmd.type) {
    case AtType::Test:
        ctx.line("+CNMI: (0-2),(0-3),(0,2),(0-2),(0,1)");
        return AtResult::ok();
    case AtType::Read:
        ctx.line("+CNMI: " + s.value("at.cnmi"));
        return AtResult::ok();
    case AtType::Set: {
        static const long highest[] = {2, 3, 3, 2, 1};
        std::vector<std::string> fields;
        std::string old = s.value("at.cnmi");
        for (size_t i = 0; i < 5; ++i) {
            const size_t comma = old.find(',');
            fields.push_back(old.substr(0, comma));
            old = comma == std::string::npos ? std::string() : old.substr(comma + 1);
        }
        if (cmd.args.size() > 5)
            return AtResult::cmsError(Cms::OperationNotSupported);
        for (size_t i = 0; i < cmd.args.size(); ++i) {
            if (!cmd.hasArg(i))
                continue;
            const auto v = cmd.number(i);
            if (!v || *v < 0 || *v > highest[i] || (i == 2 && *v == 1))
                return AtResult::cmsError(Cms::OperationNotSupported);
            fields[i] = std::to_string(*v);
        }
        s.set("at.cnmi", fields[0] + "," + fields[1] + "," + fields[2] + "," + fields[3] + "," + fields[4]);
        return AtResult::ok();
    }
    default:
        return AtResult::error();
    }
}

AtResult csms(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    switch (cmd.type) {
    case AtType::Test:
        ctx.line("+CSMS: (0,1)");
        return AtResult::ok();
    case AtType::Read:
        ctx.line("+CSMS: " + s.value("at.csms") + ",1,1,1");
        return AtResult::ok();
    case AtType::Set: {
        const AtResult r = ctx.setNumber(cmd, 0, "at.csms", 0, 1);
        if (r.failed())
            return AtResult::cmsError(Cms::OperationNotSupported);
        ctx.line("+CSMS: 1,1,1");
        return AtResult::ok();
    }
    default:
        return AtResult::error();
    }
}

// The demo store: received messages in 7-bit and UCS-2 (Czech text), one
// from an alphanumeric sender, both parts of a concatenated message, and
// stored unsent and sent ones, in both memories. Service centre +420603052000.
struct Seed
{
    const char *memory;
    int number;
    const char *value;
};
const Seed DemoStore[] = {
    // From +420603123456, 8.12.2026 18:42:10 +01:00, 7-bit: "Ahoj, zitra v 10 u kina?"
    {"SM", 1, "1,0791246030500200040C912460302143650000622180812401401841F45BCD02E9D37479186407C560A03A689D76877F"},
    // From +420777987654, 9.12.2026 09:15:02, UCS-2:
    // "Dobrý den, zásilka č. 4711 je připravena k vyzvednutí."
    {"SM", 2, "0,0791246030500200040C912470778967450008622190905120406C0044006F0062007200FD002000640065006E002C0020007A00E100730069006C006B00610020010D002E002000340037003100310020006A0065002000700159006900700072006100760065006E00610020006B002000760079007A007600650064006E0075007400ED002E"},
    // From the alphanumeric sender "T-Mobile", 1.12.2026 07:00:00: "Vas kredit je 250 Kc. Dekujeme."
    {"SM", 3, "1,0791246030500200040ED0D456F32D4EB3CB0000622110700000401FD6F01CB49697C9693A485D06C96A30D072EC0211CBEBBABADC2EBB00"},
    // From +420604555111, 10.12.2026, a message in two parts (reference 2A):
    // "Ahoj Petre, posilam ti adresu chaty: Horni Lhota 12, 756 01. Klic je pod
    // rohozkou u zadnich dveri, " and "v kuchyni je drevo na dva dny."
    {"ME", 1, "0,0791246030500200440C912460405515110000622101800354406A0500032A020182E8B71A042DD3E5651608FE9EA7D9E136889E0685C9F2F2BC0E1AA3C3F4BC0E847CCBDD691013FDA6874131190B74ABD940B0980BB464A7C7207519047F9341F237FAAD5FBFEBA03A481F26BBD36334886C2FCBD32C10"},
    {"ME", 2, "0,0791246030500200440C91246040551511000062210180037440250500032A0202ECA0757D8CCEBBD3207519449697ED6F903B0C22DBC320B23BEF02"},
    // Stored unsent to +420603123456, 7-bit: "Prijdu o pul hodiny pozdeji."
    {"ME", 3, "2,0011000C912460302143650000AA1C50795A4DAE83DE20789D0D42BFC969771E047FEBC96575DA05"},
    // Stored sent to +420777987654, UCS-2: "Děkuji, přijedu v sobotu ráno."
    {"ME", 4, "3,0011000C912470778967450008AA3C0044011B006B0075006A0069002C0020007001590069006A0065006400750020007600200073006F0062006F007400750020007200E1006E006F002E"},
};

bool anyMessage(State &s)
{
    for (const auto &[key, value] : s.all()) {
        for (const char *m : Memories) {
            const std::string prefix = std::string("sms.") + m + ".";
            long n;
            if (key.compare(0, prefix.size(), prefix) == 0 && parseNumber(key.substr(prefix.size()), n))
                return true;
        }
    }
    return false;
}

const Family family("sms", [](Registry &r) {
    r.keyPrefix("sms.", "sms.SM.N / sms.ME.N: the message at location N, \"status,PDU\" (status 0 received "
                        "unread, 1 received read, 2 stored unsent, 3 stored sent; the PDU in hex as AT+CMGL lists it)");
    r.key("sms.SM.size", "20", "locations of the SIM card's message memory");
    r.key("sms.ME.size", "100", "locations of the phone's message memory");
    r.key("sms.alpha", "", "text put into the alpha field of every +CMGL/+CMGR header (empty: the field stays empty)");
    r.key("sms.preset", "demo", "demo: a store that holds no message at the start gets the demo messages; empty: it stays empty");
    r.key("at.cmgf", "0", "message format, 0 PDU, 1 text (AT+CMGF; text mode answers +CMS ERROR: 303)");
    r.key("at.cpms", "SM,SM,SM", "preferred memories: read/delete, write, receive (AT+CPMS)");
    r.key("at.cnmi", "2,1,0,0,0", "new-message indication settings (AT+CNMI)");
    r.key("at.csms", "0", "message service (AT+CSMS)");

    r.at("+CPMS", cpms);
    r.at("+CMGF", cmgf);
    r.at("+CMGL", cmgl);
    r.at("+CMGR", cmgr);
    r.at("+CMGD", cmgd);
    r.at("+CMGW", cmgw);
    r.at("+CNMI", cnmi);
    r.at("+CSMS", csms);

    r.onStart([](Simulator &sim, std::string &) {
        State &s = sim.state();
        if (s.value("sms.preset") == "demo" && !anyMessage(s))
            for (const Seed &seed : DemoStore)
                s.set("sms." + std::string(seed.memory) + "." + std::to_string(seed.number), seed.value);
        return true;
    });

    r.control("sms", "sms clear: deletes every message of both memories", [](Simulator &sim, const std::string &args) {
        if (trim(args) != "clear")
            return std::string("ERROR usage: sms clear\n");
        std::vector<std::string> keys;
        for (const auto &[key, value] : sim.state().all())
            for (const char *m : Memories) {
                const std::string prefix = std::string("sms.") + m + ".";
                long n;
                if (key.compare(0, prefix.size(), prefix) == 0 && parseNumber(key.substr(prefix.size()), n))
                    keys.push_back(key);
            }
        for (const std::string &k : keys)
            sim.state().remove(k);
        return std::string("OK\n");
    });
});

} // namespace
