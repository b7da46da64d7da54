#include "inifile.h"

#include <QFile>
#include <QSaveFile>

#include <optional>

namespace {

QByteArray stripLineEnd(QByteArray line)
{
    while (line.endsWith('\r') || line.endsWith('\n'))
        line.chop(1);
    return line;
}

std::optional<QByteArray> sectionName(const QByteArray &line)
{
    const QByteArray t = line.trimmed();
    if (t.size() < 2 || !t.startsWith('['))
        return std::nullopt;
    const int close = t.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

bool sameName(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Splits "key = value" into its trimmed parts; lines without "=" and comment lines give nothing.
std::optional<std::pair<QByteArray, QByteArray>> keyValue(const QByteArray &line)
{
    const QByteArray t = line.trimmed();
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('['))
        return std::nullopt;
    const int eq = t.indexOf('=');
    if (eq <= 0)
        return std::nullopt;
    return std::make_pair(t.left(eq).trimmed(), t.mid(eq + 1).trimmed());
}

// The file's lines; nothing when it cannot be read. A missing file is an empty one.
std::optional<QList<QByteArray>> readFileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return f.exists() ? std::nullopt : std::optional<QList<QByteArray>>(QList<QByteArray>());
    QList<QByteArray> lines;
    const QByteArray all = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    for (const QByteArray &l : all.split('\n'))
        lines.append(stripLineEnd(l));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QList<QByteArray> readLines(const QString &path)
{
    return readFileLines(path).value_or(QList<QByteArray>());
}

std::optional<QByteArray> lookup(const QString &path, const QByteArray &section, const QByteArray &key)
{
    bool inSection = false;
    for (const QByteArray &line : readLines(path)) {
        if (auto s = sectionName(line)) {
            inSection = sameName(*s, section);
            continue;
        }
        if (!inSection)
            continue;
        if (auto kv = keyValue(line); kv && sameName(kv->first, key))
            return kv->second.left(IniFile::MaxValueLength);
    }
    return std::nullopt;
}

bool writeLines(const QString &path, const QList<QByteArray> &lines)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // A short write (disk full, size limit) does not always set an error on
    // the file, and committing then would put a truncated file in place.
    QByteArray all;
    for (const QByteArray &l : lines)
        all += l + "\r\n";
    if (f.write(all) != all.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

// Rewrites the file with key set to value (or removed when value is empty optional).
bool update(const QString &path, const QByteArray &section, const QByteArray &key,
            const std::optional<QByteArray> &value)
{
    // A line break in a name or value would split it into lines of their own
    // (even a section header), so such text is refused.
    auto hasLineBreak = [](const QByteArray &t) { return t.contains('\r') || t.contains('\n'); };
    if (hasLineBreak(section) || hasLineBreak(key) || (value && hasLineBreak(*value)))
        return false;
    // A file that exists but cannot be read is not rewritten: that would
    // replace all its other settings with the one being written.
    const auto existing = readFileLines(path);
    if (!existing)
        return false;
    QList<QByteArray> lines = *existing;
    int sectionStart = -1;  // index of the section's header line
    int sectionEnd = -1;    // index after its last non-empty line
    bool inSection = false;
    for (int i = 0; i < lines.size(); ++i) {
        if (auto s = sectionName(lines[i])) {
            if (inSection)
                break;
            inSection = sameName(*s, section);
            if (inSection) {
                sectionStart = i;
                sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!lines[i].trimmed().isEmpty())
            sectionEnd = i + 1;
        if (auto kv = keyValue(lines[i]); kv && sameName(kv->first, key)) {
            if (value)
                lines[i] = kv->first + '=' + *value;
            else
                lines.removeAt(i);
            return writeLines(path, lines);
        }
    }
    if (!value)
        return true;
    if (sectionStart < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QByteArray());
        lines.append('[' + section + ']');
        lines.append(key + '=' + *value);
    } else {
        lines.insert(sectionEnd, key + '=' + *value);
    }
    return writeLines(path, lines);
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{
}

QByteArray IniFile::readString(const QByteArray &section, const QByteArray &key,
                               const QByteArray &defaultValue) const
{
    return lookup(m_path, section, key).value_or(defaultValue);
}

int IniFile::readInteger(const QByteArray &section, const QByteArray &key, int defaultValue) const
{
    const auto v = lookup(m_path, section, key);
    if (!v)
        return defaultValue;
    bool ok = false;
    QByteArray t = *v;
    int value = 0;
    if (t.startsWith("0x") || t.startsWith("0X"))
        value = t.mid(2).toInt(&ok, 16);
    else
        value = t.toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool IniFile::readBool(const QByteArray &section, const QByteArray &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::hasKey(const QByteArray &section, const QByteArray &key) const
{
    return lookup(m_path, section, key).has_value();
}

bool IniFile::writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    return update(m_path, section, key, value);
}

bool IniFile::writeInteger(const QByteArray &section, const QByteArray &key, int value)
{
    return writeString(section, key, QByteArray::number(value));
}

bool IniFile::writeBool(const QByteArray &section, const QByteArray &key, bool value)
{
    return writeString(section, key, value ? "1" : "0");
}

bool IniFile::deleteKey(const QByteArray &section, const QByteArray &key)
{
    return update(m_path, section, key, std::nullopt);
}
