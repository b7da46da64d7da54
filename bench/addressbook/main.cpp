// Times the group-file reader on a 20 MB file: a few groups, then bytes
// without any group marker and one 00 03 at the very end, so that the reader
// goes on entry after entry to the table's 998 while the markers it looks
// for are missing. One pass over the file must do, whatever its shape.
//
// Prints rows: name <TAB> measured <TAB> unit <TAB> target.

#include "adresar.h"

#include <QElapsedTimer>

#include <cstdio>

int main()
{
    QByteArray file;
    for (int g = 1; g <= 5; ++g) {
        const QByteArray name = "Skupina " + QByteArray::number(g);
        const int n = int(name.size()) + 2;
        file += QByteArray("\x00\x03\x01", 3) + char(g) + '\0' + QByteArray("\x00\x04\x04", 3) + char(n) + '\0'
                + '\x01' + name + QByteArray(2, '\0');
    }
    file += QByteArray(20 * 1024 * 1024, '\x01');
    file += QByteArray("\x00\x03", 2);

    QElapsedTimer timer;
    timer.start();
    const SkupinyTable table = ParseSkupinyList(file);
    const qint64 elapsed = timer.elapsed();
    if (table.count != SkupinyCapacity - 1 || table.entries[5].NazevSkupiny != "Skupina 5") {
        std::fprintf(stderr, "bench_addressbook: read %d groups\n", table.count);
        return 1;
    }
    std::printf("addressbook_groups_20MB_file_markers_missing\t%lld\tms\t<1000\n", static_cast<long long>(elapsed));
    return 0;
}
