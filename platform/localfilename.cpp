#include "localfilename.h"

#include <QStringList>
#include <QStringView>

QString LocalFileName(const QString &handsetName)
{
    if (handsetName.isEmpty() || handsetName == QLatin1String(".") || handsetName == QLatin1String(".."))
        return {};
    QString name = handsetName;
    // Separators and what Windows does not allow in a name become "_", so
    // the file stays in the folder chosen ("\evil.txt" is "_evil.txt",
    // "../../x" is ".._.._x").
    for (QChar &c : name)
        if (c.unicode() < 32 || QStringView(u":*?\"<>|/\\").contains(c))
            c = u'_';
    // Windows drops a final dot or space, which would make two names one.
    if (name.endsWith(u'.') || name.endsWith(u' '))
        name.back() = u'_';
    // Device names of Windows, with any extension.
    static const QStringList devices{"CON", "PRN", "AUX", "NUL", "COM1", "COM2", "COM3", "COM4", "COM5",
                                     "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4",
                                     "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    if (devices.contains(name.section(u'.', 0, 0).trimmed(), Qt::CaseInsensitive))
        name.prepend(u'_');
    return name;
}
