// Sending short messages in PDU mode: AT+CMGS (3GPP TS 27.005, 3.5.1).
//
//   AT+CMGS=<length><CR>   ->  CR LF "> "; the handset then reads the PDU
//   <hex PDU><Ctrl-Z>           (ESC cancels) and answers
//                               +CMGS: <mr>  OK, or +CMS ERROR: <n>
//
// <length> counts the octets of the TPDU (the PDU without its leading
// service-centre field). The PDU is checked with the SMS-SUBMIT decoder
// below, written here from TS 23.040 9.2.2.2 and TS 23.038: a length that
// does not match, a PDU that is not an SMS-SUBMIT, or any malformed field
// answers +CMS ERROR: 304 (invalid PDU mode parameter). Each accepted PDU is
// recorded under sms.sent.N as it arrived (its hex digits), and the control
// command "sent" lists what the messages decode to.

#include "../family.h"

#include <cstdio>

namespace {

constexpr int CmsOperationNotSupported = 303;
constexpr int CmsInvalidPdu = 304;       // invalid PDU mode parameter
constexpr size_t MaxPduDigits = 2 * (12 + 164 + 2); // SCA + the longest TPDU, with room
constexpr char CtrlZ = 0x1A;
constexpr char Esc = 0x1B;

// ---- SMS-SUBMIT decoder (TS 23.040) ---------------------------------------

struct Submit
{
    std::string number;   // destination digits
    std::string text;     // UTF-8
    int reference = -1;   // concatenation reference, -1 for a single message
    int part = 0, total = 0;
};

void appendUtf8(std::string &out, uint32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// The GSM 7-bit default alphabet (TS 23.038 6.2.1) in Unicode.
constexpr uint16_t GsmDefault[128] = {
    0x0040, 0x00A3, 0x0024, 0x00A5, 0x00E8, 0x00E9, 0x00F9, 0x00EC,
    0x00F2, 0x00C7, 0x000A, 0x00D8, 0x00F8, 0x000D, 0x00C5, 0x00E5,
    0x0394, 0x005F, 0x03A6, 0x0393, 0x039B, 0x03A9, 0x03A0, 0x03A8,
    0x03A3, 0x0398, 0x039E, 0x00A0, 0x00C6, 0x00E6, 0x00DF, 0x00C9,
    0x0020, 0x0021, 0x0022, 0x0023, 0x00A4, 0x0025, 0x0026, 0x0027,
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x00A1, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,
    0x0058, 0x0059, 0x005A, 0x00C4, 0x00D6, 0x00D1, 0x00DC, 0x00A7,
    0x00BF, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x00E4, 0x00F6, 0x00F1, 0x00FC, 0x00E0,
};

// The extension table (after the escape 1B); 0 for codes without a character.
uint32_t gsmExtension(unsigned code)
{
    switch (code) {
    case 0x0A: return 0x000C;
    case 0x14: return '^';
    case 0x28: return '{';
    case 0x29: return '}';
    case 0x2F: return '\\';
    case 0x3C: return '[';
    case 0x3D: return '~';
    case 0x3E: return ']';
    case 0x40: return '|';
    case 0x65: return 0x20AC;
    default: return 0;
    }
}

bool hexDigit(char c, int &v)
{
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else return false;
    return true;
}

bool hexToOctets(const std::string &hex, std::vector<uint8_t> &out)
{
    if (hex.empty() || hex.size() % 2)
        return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi, lo;
        if (!hexDigit(hex[i], hi) || !hexDigit(hex[i + 1], lo))
            return false;
        out.push_back(uint8_t(hi << 4 | lo));
    }
    return true;
}

// Decodes a PDU as AT+CMGS receives it; tpduLength is the command's argument.
bool decodeSubmit(const std::string &hex, long tpduLength, Submit &m)
{
    std::vector<uint8_t> o;
    if (!hexToOctets(hex, o))
        return false;
    size_t i = 0;
    const auto need = [&](size_t n) { return i + n <= o.size(); };

    const size_t sca = o[i++];
    if (!need(sca) || long(o.size() - 1 - sca) != tpduLength)
        return false;
    i += sca;
    if (!need(2))
        return false;
    const uint8_t fo = o[i++];
    if ((fo & 0x03) != 0x01) // TP-MTI: SMS-SUBMIT
        return false;
    ++i; // TP-MR

    if (!need(2))
        return false;
    const size_t digits = o[i++];
    const uint8_t type = o[i++];
    if (digits == 0 || digits > 20 || !need((digits + 1) / 2))
        return false;
    (void)type; // numbers are shown in international form without "+" either way
    for (size_t d = 0; d < digits; ++d) {
        const uint8_t b = o[i + d / 2];
        const int v = (d % 2) ? (b >> 4) : (b & 0x0F);
        if (v > 9)
            return false;
        m.number += char('0' + v);
    }
    i += (digits + 1) / 2;

    if (!need(2))
        return false;
    ++i; // TP-PID
    const uint8_t dcs = o[i++];
    static const size_t validityOctets[4] = {0, 7, 1, 7}; // none, enhanced, relative, absolute
    const size_t vp = validityOctets[(fo >> 3) & 3];
    if (!need(vp + 1))
        return false;
    i += vp;
    const size_t udl = o[i++];

    enum { Gsm7, Octets, Ucs2 } alphabet = Gsm7;
    if ((dcs & 0xC0) == 0x00 || (dcs & 0xC0) == 0x40) {
        if (dcs & 0x20) // compressed
            return false;
        const int a = (dcs >> 2) & 3;
        alphabet = a == 1 ? Octets : a == 2 ? Ucs2 : Gsm7;
    } else if ((dcs & 0xF0) == 0xF0) {
        alphabet = (dcs & 0x04) ? Octets : Gsm7;
    } else if ((dcs & 0xF0) == 0xE0) {
        alphabet = Ucs2;
    }
    const size_t udOctets = alphabet == Gsm7 ? (udl * 7 + 7) / 8 : udl;
    if (udOctets > 140 || o.size() - i != udOctets)
        return false;
    const uint8_t *ud = o.data() + i;

    size_t header = 0;
    if (fo & 0x40) {
        if (udOctets < 1 || size_t(ud[0]) + 1 > udOctets)
            return false;
        header = size_t(ud[0]) + 1;
        for (size_t e = 1; e + 2 <= header;) {
            const uint8_t id = ud[e], len = ud[e + 1];
            if (e + 2 + len > header)
                return false;
            if (id == 0x00 && len == 3) {
                m.reference = ud[e + 2];
                m.total = ud[e + 3];
                m.part = ud[e + 4];
            } else if (id == 0x08 && len == 4) {
                m.reference = ud[e + 2] << 8 | ud[e + 3];
                m.total = ud[e + 4];
                m.part = ud[e + 5];
            }
            e += 2 + len;
        }
    }

    switch (alphabet) {
    case Gsm7: {
        const size_t first = (header * 8 + 6) / 7;
        if (first > udl)
            return false;
        bool escaped = false;
        for (size_t k = first; k < udl; ++k) {
            const size_t bit = 7 * k;
            unsigned v = ud[bit / 8] >> (bit % 8);
            if (bit % 8 > 1 && bit / 8 + 1 < udOctets)
                v |= unsigned(ud[bit / 8 + 1]) << (8 - bit % 8);
            v &= 0x7F;
            if (escaped) {
                const uint32_t ext = gsmExtension(v);
                appendUtf8(m.text, ext ? ext : GsmDefault[v]);
                escaped = false;
            } else if (v == 0x1B) {
                escaped = true;
            } else {
                appendUtf8(m.text, GsmDefault[v]);
            }
        }
        if (escaped)
            m.text += ' ';
        break;
    }
    case Ucs2:
        if ((udOctets - header) % 2)
            return false;
        for (size_t k = header; k + 1 < udOctets; k += 2)
            appendUtf8(m.text, uint32_t(ud[k] << 8 | ud[k + 1]));
        break;
    case Octets: {
        char buf[4];
        for (size_t k = header; k < udOctets; ++k) {
            std::snprintf(buf, sizeof buf, "%02X", ud[k]);
            m.text += buf;
        }
        break;
    }
    }
    return true;
}

// ---- the exchange ----------------------------------------------------------

struct Pending
{
    long length = 0;
    std::string pdu;
    bool overflow = false;
};
Pending pending;
int messageReference = 0;
Simulator *inputSim = nullptr; // the handset reading a PDU (one per process)

// Back to command mode without any final result (a handset that hangs).
void leaveInputMode(Simulator &sim)
{
    AtContext(sim).divert(nullptr);
}

int nextSentIndex(const State &s)
{
    int n = 1;
    while (s.has("sms.sent." + std::to_string(n)))
        ++n;
    return n;
}

void pduFinished(Simulator &sim)
{
    const Pending p = pending;
    pending = Pending();
    State &s = sim.state();
    Submit message;
    if (p.overflow || !decodeSubmit(p.pdu, p.length, message)) {
        sim.finishAt(AtResult::cmsError(CmsInvalidPdu), {});
        return;
    }
    s.set("sms.sent." + std::to_string(nextSentIndex(s)), p.pdu);

    if (s.flag("sms.hang")) {
        leaveInputMode(sim); // the network never answers
        return;
    }
    const long fail = s.number("sms.fail");
    if (fail != 0) {
        sim.finishAt(AtResult::cmsError(int(fail)), {});
        return;
    }
    messageReference = (messageReference + 1) % 256;
    sim.finishAt(AtResult::ok(), {"+CMGS: " + std::to_string(messageReference)});
}

// The bytes after the prompt. Blanks and line ends between the digits are
// ignored; what follows Ctrl-Z or ESC goes back to the command parser.
void pduInput(Simulator &sim, const std::string &bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == CtrlZ || c == Esc) {
            if (c == CtrlZ) {
                pduFinished(sim);
            } else {
                pending = Pending();
                sim.finishAt(AtResult::ok(), {});
            }
            const std::string rest = bytes.substr(i + 1);
            if (!rest.empty())
                sim.modemInput(rest);
            return;
        }
        if (c == '\r' || c == '\n' || c == ' ')
            continue;
        if (pending.pdu.size() < MaxPduDigits)
            pending.pdu += c;
        else
            pending.overflow = true;
    }
}

AtResult cmgs(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type == AtType::Test)
        return AtResult::ok();
    if (cmd.type != AtType::Set)
        return AtResult::error();
    if (ctx.state().number("at.cmgf") != 0)
        return AtResult::cmsError(CmsOperationNotSupported); // text mode is not offered
    const auto length = cmd.number(0);
    if (!length || *length < 7 || *length > 164)
        return AtResult::cmsError(CmsInvalidPdu);
    pending = Pending();
    pending.length = *length;
    ctx.sim().modem().sendReply("\r\n> ");
    inputSim = &ctx.sim();
    ctx.divert([](const std::string &bytes) { pduInput(*inputSim, bytes); });
    return AtResult::deferred();
}

std::string jsonQuoted(const std::string &text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

const Family family("smssend", [](Registry &r) {
    r.keyPrefix("sms.sent.", "the PDUs sent with AT+CMGS, in hex as they arrived, numbered from 1");
    r.key("sms.fail", "0", "n other than 0: every AT+CMGS answers +CMS ERROR: n after the PDU");
    r.key("sms.hang", "0", "1: AT+CMGS never answers after the PDU");
    r.at("+CMGS", cmgs);
    r.onReset([](Simulator &) { pending = Pending(); });
    r.control("sent", "sent [clear]: the sent messages decoded, one a line: N, number, text (JSON string), "
                      "and for a part of a concatenated message its reference and part/total",
              [](Simulator &sim, const std::string &args) {
        State &s = sim.state();
        if (trim(args) == "clear") {
            for (int n = 1; s.has("sms.sent." + std::to_string(n)); ++n)
                s.remove("sms.sent." + std::to_string(n));
            return std::string("OK\n");
        }
        std::string out;
        for (int n = 1; s.has("sms.sent." + std::to_string(n)); ++n) {
            const std::string hex = s.value("sms.sent." + std::to_string(n));
            std::vector<uint8_t> o;
            Submit m;
            const long tpdu = hexToOctets(hex, o) ? long(o.size()) - 1 - o[0] : 0;
            if (!decodeSubmit(hex, tpdu, m)) {
                out += std::to_string(n) + " ERROR undecodable\n";
                continue;
            }
            out += std::to_string(n) + " " + m.number + " " + jsonQuoted(m.text);
            if (m.reference >= 0)
                out += " ref " + std::to_string(m.reference) + " part " + std::to_string(m.part) + "/"
                     + std::to_string(m.total);
            out += "\n";
        }
        return out;
    });
});

} // namespace
