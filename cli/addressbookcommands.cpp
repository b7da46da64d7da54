// torvane-cli addressbook show|vcard: the handset's contact database (and
// group file) copied to the PC, listed or written as vCard, through the same
// reader and writer as the address-book page.

#include "adresar.h"
#include "clicommand.h"
#include "cp1250.h"
#include "vcard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {

QString utf8Of(const QByteArray &cp1250Text)
{
    return Cp1250::toUnicode(cp1250Text);
}

bool readWhole(const char *command, const QString &path, QByteArray *bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        cliFail(command, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        cliFail(command, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

struct Loaded
{
    AdresarFile contacts;
    SkupinyTable groups;
    bool withGroups = false;
};

// The arguments FILE [--groups FILE] plus the command's own, already taken.
int load(const char *command, QStringList args, Loaded *loaded)
{
    bool missing = false;
    const QString groupsPath = takeOption(args, QStringLiteral("--groups"), &missing);
    if (missing)
        return cliFail(command, QStringLiteral("--groups needs a file"), CliUsage);
    for (const QString &arg : args)
        if (arg.startsWith(u'-') && arg.size() > 1)
            return cliFail(command, QStringLiteral("unknown option %1").arg(arg), CliUsage);
    if (args.size() != 1)
        return cliFail(command, QStringLiteral("give one database file"), CliUsage);

    QByteArray bytes;
    if (!readWhole(command, args.first(), &bytes))
        return CliFailed;
    loaded->contacts = ReadAdresarFile(bytes);
    QByteArray groupBytes;
    if (!groupsPath.isEmpty()) {
        if (!readWhole(command, groupsPath, &groupBytes))
            return CliFailed;
        loaded->withGroups = true;
    }
    loaded->groups = ParseSkupinyList(groupBytes);
    if (loaded->contacts.notShown() > 0)
        cliErr(QStringLiteral("torvane-cli: %1: the file holds %2 records; only the first %3 are read\n")
                   .arg(QLatin1String(command))
                   .arg(loaded->contacts.total)
                   .arg(AdresarCapacity));
    return CliOk;
}

QString groupName(const Loaded &loaded, const TAdresar &contact)
{
    const int entry = GroupEntryFor(loaded.groups.entries, contact.SkupinaCislo);
    return entry ? utf8Of(loaded.groups.entries[entry].NazevSkupiny) : QString();
}

int runShow(const QStringList &arguments)
{
    const char *command = "addressbook show";
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    Loaded loaded;
    if (const int status = load(command, args, &loaded); status != CliOk)
        return status;

    const QList<TAdresar> &contacts = loaded.contacts.contacts;
    if (json) {
        for (const TAdresar &c : contacts) {
            QStringList members;
            for (const AdresarField &field : AdresarFields) {
                const QString key = jsonString(QLatin1String(field.name)) + QStringLiteral(": ");
                members << key + (field.text ? jsonString(c.*field.text)
                                             : QString::number(c.SkupinaCislo));
            }
            members << QStringLiteral("\"Skupina\": ") + jsonString(groupName(loaded, c));
            cliOut(u'{' + members.join(QStringLiteral(", ")) + QStringLiteral("}\n"));
        }
        return CliOk;
    }

    QString out;
    if (loaded.withGroups) {
        out += QStringLiteral("Groups:\n");
        for (int i = 1; i <= loaded.groups.count; ++i)
            out += QStringLiteral("  %1  %2\n")
                       .arg(loaded.groups.entries[i].CisloSkupiny, 3)
                       .arg(utf8Of(loaded.groups.entries[i].NazevSkupiny));
        out += u'\n';
    }
    for (qsizetype k = 0; k < contacts.size(); ++k) {
        const TAdresar &c = contacts[k];
        out += QStringLiteral("%1\n").arg(k + 1, 3, 10, QLatin1Char('0'));
        for (const AdresarField &field : AdresarFields) {
            QString value;
            if (field.text)
                value = c.*field.text;
            else if (c.SkupinaCislo != 0)
                value = QString::number(c.SkupinaCislo);
            if (!value.isEmpty())
                out += QStringLiteral("  %1 %2\n").arg(QLatin1String(field.name) + u':', -13).arg(value);
        }
        if (const QString group = groupName(loaded, c); !group.isEmpty())
            out += QStringLiteral("  %1 %2\n").arg(QStringLiteral("Skupina:"), -13).arg(group);
        if (k + 1 < contacts.size())
            out += u'\n';
    }
    cliOut(out);
    return CliOk;
}

int runVcard(const QStringList &arguments)
{
    const char *command = "addressbook vcard";
    QStringList args = arguments;
    bool missing = false;
    const QString outPath = takeOption(args, QStringLiteral("-o"), &missing);
    if (missing)
        return cliFail(command, QStringLiteral("-o needs a file"), CliUsage);
    const bool force = takeFlag(args, QStringLiteral("--force"));
    Loaded loaded;
    if (const int status = load(command, args, &loaded); status != CliOk)
        return status;

    const QByteArray vcard = AdresarToVCard(loaded.contacts.contacts, loaded.groups.entries);
    if (outPath.isEmpty()) {
#ifdef Q_OS_WIN
        _setmode(_fileno(stdout), _O_BINARY); // the CRLF line ends as they are
#endif
        std::fwrite(vcard.constData(), 1, size_t(vcard.size()), stdout);
        std::fflush(stdout);
        return CliOk;
    }
    if (QFileInfo::exists(outPath) && !force)
        return cliFail(command, QStringLiteral("%1 exists (--force replaces it)").arg(QDir::toNativeSeparators(outPath)));
    QSaveFile file(outPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(vcard) != vcard.size() || !file.commit())
        return cliFail(command, QStringLiteral("cannot write %1: %2").arg(outPath, file.errorString()));
    return CliOk;
}

const CliRegistration addressBookCommands{
    {"addressbook show", "FILE [--groups FILE] [--json]",
     "list the contacts of the handset's contact database file",
     "FILE     the contact database copied from the handset (pbm_master_v_20.dat).\n"
     "  --groups FILE   the group file (GrpDList ver 01.db): the group names are listed\n"
     "                  and each contact's group is named.\n"
     "  --json          one JSON object per contact, in file order, with every field of\n"
     "                  the record (\"ZobrJmeno\", \"Krestni\", ..., \"SkupinaCislo\") and\n"
     "                  \"Skupina\", the group's name.\n"
     "Without --json every non-empty field is listed by its name. At most the first 500\n"
     "records are read, as the phone manager does.\n",
     runShow},
    {"addressbook vcard", "FILE [--groups FILE] [-o OUT [--force]]",
     "write the contacts of a contact database file as vCard 3.0",
     "The same file as the address-book page saves: UTF-8, one vCard per contact, the\n"
     "group as CATEGORIES when --groups is given. Without -o it goes to standard output;\n"
     "with -o OUT it is written to OUT once it is complete; an existing OUT is replaced\n"
     "only with --force (without it: exit status 1, the file stays).\n",
     runVcard},
};

} // namespace
