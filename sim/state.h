#pragma once

#include <climits>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The handset's state: a flat table of text values under dotted keys
// ("ring.level", "code.pin", ...). Families declare the keys they own with a
// realistic default; a state file and the control socket may only touch
// declared keys (or keys under a declared prefix such as "sms."), so a typo
// is reported instead of silently ignored.
//
// State file format (also what `dump` prints, so a dump can be loaded again):
//   # comment                     (whole line; blank lines are ignored too)
//   key = value                   value is trimmed
//   key = "value with  spaces"    double quotes keep blanks; inside them
//                                 \" \\ \n \r \t and \xHH are escapes
// A key missing from the file keeps its default.
// What values a key takes, where it has a type: whole numbers in a range
// (with further single values, such as 99 for "unknown"), or one of a list
// of words. Keys without a type take any text (names, numbers of digits).
struct ValueType
{
    enum class Kind { Text, Number, Choice };
    Kind kind = Kind::Text;
    long min = 0, max = 0;
    std::vector<std::string> choices;  // Choice; also the extra values of a Number

    static ValueType text() { return {}; }
    static ValueType range(long lo, long hi, std::vector<std::string> also = {})
    {
        return {Kind::Number, lo, hi, std::move(also)};
    }
    static ValueType number() { return range(LONG_MIN, LONG_MAX); }
    static ValueType flag() { return range(0, 1); }
    static ValueType oneOf(std::vector<std::string> words) { return {Kind::Choice, 0, 0, std::move(words)}; }

    bool accepts(const std::string &value) const;
    std::string describe() const;  // "0..31 or 99", "GSM, IRA or UCS2"
};

class State
{
public:
    void declare(const std::string &key, const std::string &defaultValue, const std::string &doc,
                 ValueType type = {});
    // Declares every key that starts with prefix (which should end in ".").
    void declarePrefix(const std::string &prefix, const std::string &doc);

    bool known(const std::string &key) const;
    bool has(const std::string &key) const { return m_values.count(key) != 0; }
    std::string value(const std::string &key) const;
    // The value as a number; fallback when it is missing or not a whole number.
    long number(const std::string &key, long fallback = 0) const;
    bool flag(const std::string &key) const { return number(key) != 0; }
    std::string defaultValue(const std::string &key) const;

    // Returns false (and changes nothing) for an undeclared key.
    bool set(const std::string &key, const std::string &value);
    // Why value does not fit the key's type ("expected 1..5"); empty when it does.
    std::string checkValue(const std::string &key, const std::string &value) const;
    bool setNumber(const std::string &key, long value) { return set(key, std::to_string(value)); }
    void remove(const std::string &key);

    const std::map<std::string, std::string> &all() const { return m_values; }
    const std::map<std::string, std::string> &docs() const { return m_docs; }

    // Loads "key = value" lines; on failure error names the file and line.
    bool loadFile(const std::string &path, std::string &error);
    bool loadText(const std::string &text, const std::string &origin, std::string &error);
    std::string dump() const;

    // A value as it is written in a state file (quoted when needed), and back.
    static std::string quote(const std::string &value);
    static bool unquote(const std::string &text, std::string &value);

private:
    std::map<std::string, std::string> m_values;
    std::map<std::string, std::string> m_defaults;
    std::map<std::string, std::string> m_docs;
    std::map<std::string, ValueType> m_types;
    std::vector<std::string> m_prefixes;
};

// Whole-number parse of a complete text (optional sign); false for anything else.
bool parseNumber(const std::string &text, long &out);
std::string toUpper(std::string text);
std::string trim(const std::string &text);
