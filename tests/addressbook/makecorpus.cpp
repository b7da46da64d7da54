// Writes the seed corpus of the address-book fuzz target: database and group
// files from the generator's tables, whole and cut short.

#include "adresargen.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace AdresarGen;

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: adresar-corpus FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const auto write = [&](const char *name, const QByteArray &bytes) {
        QFile f(folder + QLatin1Char('/') + QLatin1String(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    const QByteArray db = databaseFile(sampleContacts());
    const QByteArray groups = groupFile(sampleGroups());
    const QByteArray every = databaseFile({everyField()});
    bool ok = write("database-sample.dat", db) && write("database-every-field.dat", every)
              && write("database-cut.dat", db.left(db.size() * 2 / 3))
              && write("database-one-record.dat", record(sampleContacts().first(), 1))
              && write("groups-sample.db", groups) && write("groups-cut.db", groups.left(groups.size() - 5));
    return ok ? 0 : 1;
}
