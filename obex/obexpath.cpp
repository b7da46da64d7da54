#include "obexpath.h"

QStringList PathComponents(const QString &label)
{
    QStringList out;
    for (const QString &piece : label.mid(1).split(u'\\'))
        if (!piece.isEmpty())
            out.append(piece);
    return out;
}

QString PathComponent(const QString &label, int n)
{
    const QStringList pieces = label.mid(1).split(u'\\');
    return n >= 1 && n <= pieces.size() ? pieces[n - 1] : QString();
}

QString ChangeFolder(const QString &label, const QString &name, bool up)
{
    if (up) {
        QString path = label;
        path.chop(1);
        const qsizetype slash = path.lastIndexOf(u'\\');
        path = slash >= 0 ? path.left(slash + 1) : QString();
        return path.isEmpty() ? QStringLiteral("\\") : path;
    }
    QString component = name;
    const qsizetype open = component.indexOf(u'[');
    if (open >= 0)
        component.remove(open, 1);
    const qsizetype close = component.indexOf(u']');
    if (close >= 0)
        component.remove(close, 1);
    if (component.isEmpty())
        return label;
    return label + component + u'\\';
}
