#include "state.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

bool parseNumber(const std::string &text, long &out)
{
    if (text.empty() || text.size() > 18)
        return false;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size())
        return false;
    long v = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        v = v * 10 + (text[i] - '0');
    }
    out = negative ? -v : v;
    return true;
}

std::string toUpper(std::string text)
{
    for (char &c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string trim(const std::string &text)
{
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
        --e;
    return text.substr(b, e - b);
}

void State::declare(const std::string &key, const std::string &defaultValue, const std::string &doc,
                    ValueType type)
{
    if (type.kind != ValueType::Kind::Text)
        m_types[key] = std::move(type);
    else
        m_types.erase(key);
    m_defaults[key] = defaultValue;
    m_docs[key] = doc;
    m_values.emplace(key, defaultValue);
}

void State::declarePrefix(const std::string &prefix, const std::string &doc)
{
    m_prefixes.push_back(prefix);
    m_docs[prefix + "*"] = doc;
}

bool State::known(const std::string &key) const
{
    if (m_defaults.count(key))
        return true;
    for (const std::string &p : m_prefixes)
        if (key.size() > p.size() && key.compare(0, p.size(), p) == 0)
            return true;
    return false;
}

std::string State::value(const std::string &key) const
{
    const auto it = m_values.find(key);
    return it == m_values.end() ? std::string() : it->second;
}

long State::number(const std::string &key, long fallback) const
{
    long v;
    return parseNumber(trim(value(key)), v) ? v : fallback;
}

std::string State::defaultValue(const std::string &key) const
{
    const auto it = m_defaults.find(key);
    return it == m_defaults.end() ? std::string() : it->second;
}

bool ValueType::accepts(const std::string &value) const
{
    switch (kind) {
    case Kind::Text:
        return true;
    case Kind::Number: {
        for (const std::string &c : choices)
            if (value == c)
                return true;
        long n = 0;
        return parseNumber(value, n) && n >= min && n <= max;
    }
    case Kind::Choice:
        for (const std::string &c : choices)
            if (value == c)
                return true;
        return false;
    }
    return false;
}

std::string ValueType::describe() const
{
    std::vector<std::string> parts;
    if (kind == Kind::Number) {
        if (min == LONG_MIN && max == LONG_MAX)
            parts.push_back("a whole number");
        else if (max - min == 1)
            parts = {std::to_string(min), std::to_string(max)};
        else
            parts.push_back(std::to_string(min) + ".." + std::to_string(max));
    }
    parts.insert(parts.end(), choices.begin(), choices.end());
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += i + 1 == parts.size() ? " or " : ", ";
        out += parts[i];
    }
    return out;
}

std::string State::checkValue(const std::string &key, const std::string &value) const
{
    const auto it = m_types.find(key);
    if (it == m_types.end() || it->second.accepts(value))
        return {};
    return "expected " + it->second.describe();
}

bool State::set(const std::string &key, const std::string &value)
{
    if (!known(key))
        return false;
    m_values[key] = value;
    return true;
}

void State::remove(const std::string &key)
{
    m_values.erase(key);
}

bool State::loadFile(const std::string &path, std::string &error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    return loadText(ss.str(), path, error);
}

bool State::loadText(const std::string &text, const std::string &origin, std::string &error)
{
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string t = trim(line);
        if (t.empty() || t[0] == '#')
            continue;
        const size_t eq = t.find('=');
        const std::string where = origin + ":" + std::to_string(number) + ": ";
        if (eq == std::string::npos) {
            error = where + "expected \"key = value\"";
            return false;
        }
        const std::string key = trim(t.substr(0, eq));
        std::string value;
        if (key.empty()) {
            error = where + "missing key before \"=\"";
            return false;
        }
        if (!known(key)) {
            error = where + "unknown key \"" + key + "\"";
            return false;
        }
        if (!unquote(trim(t.substr(eq + 1)), value)) {
            error = where + "badly quoted value";
            return false;
        }
        m_values[key] = value;
    }
    return true;
}

std::string State::dump() const
{
    std::string out;
    for (const auto &[key, value] : m_values)
        out += key + " = " + quote(value) + "\n";
    return out;
}

std::string State::quote(const std::string &value)
{
    bool plain = !value.empty() && value.front() != '"' && value.front() != ' ' && value.back() != ' ';
    for (unsigned char c : value)
        if (c < 32 || c == 127)
            plain = false;
    if (plain || value.empty())
        return value.empty() ? std::string("\"\"") : value;
    std::string out = "\"";
    for (unsigned char c : value) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 32 || c == 127) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

bool State::unquote(const std::string &text, std::string &value)
{
    value.clear();
    if (text.empty() || text.front() != '"') {
        value = text;
        return true;
    }
    if (text.size() < 2 || text.back() != '"')
        return false;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        char c = text[i];
        if (c == '"')
            return false;
        if (c != '\\') {
            value += c;
            continue;
        }
        if (++i + 1 > text.size() - 1)
            return false;
        switch (text[i]) {
        case '"': value += '"'; break;
        case '\\': value += '\\'; break;
        case 'n': value += '\n'; break;
        case 'r': value += '\r'; break;
        case 't': value += '\t'; break;
        case 'x': {
            if (i + 3 > text.size() - 1)
                return false;
            const std::string hex = text.substr(i + 1, 2);
            if (!std::isxdigit(static_cast<unsigned char>(hex[0]))
                || !std::isxdigit(static_cast<unsigned char>(hex[1])))
                return false;
            value += char(std::stoi(hex, nullptr, 16));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}
