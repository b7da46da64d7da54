#include "vcard.h"

#include "cp1250.h"

#include <QDate>
#include <QStringList>

namespace {

// Group names are Windows-1250 in their file; contact texts are Unicode.
QString text(const QByteArray &cp1250)
{
    return Cp1250::toUnicode(cp1250);
}

const QString &text(const QString &unicode)
{
    return unicode;
}

QString escaped(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case ',': out += QLatin1String("\\,"); break;
        case ';': out += QLatin1String("\\;"); break;
        case '\r':
            if (i + 1 < value.size() && value[i + 1] == u'\n')
                ++i;
            out += QLatin1String("\\n");
            break;
        case '\n': out += QLatin1String("\\n"); break;
        default: out += c;
        }
    }
    return out;
}

// A content line, folded: at most 75 octets per physical line, a
// continuation starting with one blank, no UTF-8 sequence split.
void appendLine(QByteArray &out, const QString &line)
{
    const QByteArray utf8 = line.toUtf8();
    qsizetype start = 0;
    qsizetype room = 75;
    while (utf8.size() - start > room) {
        qsizetype cut = start + room;
        while (cut > start && (quint8(utf8[cut]) & 0xC0) == 0x80)
            --cut;
        out += utf8.mid(start, cut - start);
        out += "\r\n ";
        start = cut;
        room = 74; // the leading blank counts
    }
    out += utf8.mid(start);
    out += "\r\n";
}

QString joined(std::initializer_list<QString> components)
{
    QStringList parts;
    for (const QString &c : components)
        parts << escaped(c);
    return parts.join(u';');
}

QString formattedName(const TAdresar &c)
{
    if (!c.ZobrJmeno.isEmpty())
        return text(c.ZobrJmeno);
    const QString name = (text(c.Krestni) + u' ' + text(c.Prijmeni)).trimmed();
    if (!name.isEmpty())
        return name;
    if (!c.OFirma.isEmpty())
        return text(c.OFirma);
    for (const QString *number : {&c.SoukMobil, &c.ObchMobil, &c.SoukTel, &c.ObchTel})
        if (!number->isEmpty())
            return text(*number);
    return {};
}

} // namespace

bool HasAnyField(const TAdresar &contact)
{
    if (contact.SkupinaCislo != 0)
        return true;
    for (const AdresarField &field : AdresarFields)
        if (field.text && !(contact.*field.text).isEmpty())
            return true;
    return false;
}

QByteArray ContactToVCard(const TAdresar &c, const QList<TSkupiny> &skupiny)
{
    QByteArray out;
    appendLine(out, QStringLiteral("BEGIN:VCARD"));
    appendLine(out, QStringLiteral("VERSION:3.0"));
    appendLine(out, QStringLiteral("FN:") + escaped(formattedName(c)));
    appendLine(out, QStringLiteral("N:") + joined({text(c.Prijmeni), text(c.Krestni), {}, {}, {}}));

    const auto property = [&out](const char *name, const QString &value) {
        if (!value.isEmpty())
            appendLine(out, QLatin1String(name) + u':' + escaped(value));
    };
    property("TEL;TYPE=HOME,VOICE", c.SoukTel);
    property("TEL;TYPE=WORK,VOICE", c.ObchTel);
    property("TEL;TYPE=HOME,CELL", c.SoukMobil);
    property("TEL;TYPE=WORK,CELL", c.ObchMobil);
    property("TEL;TYPE=HOME,FAX", c.SFax);
    property("TEL;TYPE=WORK,FAX", c.OFax);
    property("EMAIL;TYPE=INTERNET,HOME", c.SEmail1);
    property("EMAIL;TYPE=INTERNET,HOME", c.SEmail2);
    property("EMAIL;TYPE=INTERNET,WORK", c.OEmail1);
    property("EMAIL;TYPE=INTERNET,WORK", c.OEmail2);
    property("URL", c.SWWW);
    property("URL", c.OWWW);

    const auto address = [&out](const char *type, const QString &dodatek, const QString &ulice,
                                const QString &mesto, const QString &zeme2, const QString &psc,
                                const QString &zeme1) {
        if ((dodatek + ulice + mesto + zeme2 + psc + zeme1).isEmpty())
            return;
        appendLine(out, QStringLiteral("ADR;TYPE=%1:").arg(QLatin1String(type))
                            + joined({{}, text(dodatek), text(ulice), text(mesto), text(zeme2),
                                      text(psc), text(zeme1)}));
    };
    address("HOME", c.SDodatek, c.SUlice, c.SMesto, c.SZeme2, c.SPSC, c.SZeme1);
    address("WORK", c.ODodatek, c.OUlice, c.OMesto, c.OZeme2, c.OPSC, c.OZeme1);

    property("ORG", c.OFirma);
    property("TITLE", c.OPozice);
    QString note = c.SPoznamka;
    if (!c.OPoznamka.isEmpty())
        note += (note.isEmpty() ? QString() : QStringLiteral("\n")) + c.OPoznamka;
    property("NOTE", note);

    const QDate birthday = QDate::fromString(text(c.ONarozky).trimmed(), QStringLiteral("dd.MM.yyyy"));
    if (birthday.isValid())
        appendLine(out, QStringLiteral("BDAY:") + birthday.toString(QStringLiteral("yyyy-MM-dd")));

    if (const int entry = GroupEntryFor(skupiny, c.SkupinaCislo))
        property("CATEGORIES", text(skupiny[entry].NazevSkupiny.trimmed()));
    appendLine(out, QStringLiteral("END:VCARD"));
    return out;
}

QByteArray AdresarToVCard(const QList<TAdresar> &contacts, const QList<TSkupiny> &skupiny)
{
    QByteArray out;
    for (const TAdresar &contact : contacts)
        if (HasAnyField(contact))
            out += ContactToVCard(contact, skupiny);
    return out;
}
