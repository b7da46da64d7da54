#include "localfilename.h"

#include <QStringView>

QString LocalFileName(const QString &handsetName)
{
    if (handsetName.isEmpty() || handsetName == QLatin1String(".") || handsetName == QLatin1String("..")
        || handsetName.contains(u'/') || handsetName.contains(u'\\'))
        return {};
    QString name = handsetName;
    for (QChar &c : name)
        if (c.unicode() < 32 || QStringView(u":*?\"<>|").contains(c))
            c = u'_';
    return name;
}
