#include "skyview.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace SkyView {

namespace {

QFont smallFont()
{
    QFont font;
    font.setPixelSize(10);
    return font;
}

// Text with its top-left corner at (x, y).
void textAt(QPainter &p, int x, int y, const QString &text)
{
    p.drawText(QRect(x, y, 200, 40), Qt::AlignLeft | Qt::AlignTop, text);
}

} // namespace

void DrawSkyGrid(QPainter &p, int w, int h)
{
    const int cx = w / 2;
    const int cy = h / 2;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(QRect(0, 0, w, h), Background);
    p.setPen(QPen(Grid, 1));
    p.setBrush(Background);
    for (int i = 0; i <= 6; ++i) {
        const int inset = 15 * i + 10;
        const QRect box(QPoint(inset, inset), QPoint(w - inset, h - inset));
        if (box.width() <= 0)
            p.drawPoint(cx, cy);
        else
            p.drawEllipse(QRectF(box.x(), box.y(), box.width(), box.height()));
    }
    p.drawLine(cx, 0, cx, h);
    p.drawLine(0, cy, w, cy);

    p.setFont(smallFont());
    p.setPen(Label);
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Background);
    const struct { const char16_t *text; int x, y; } labels[] = {
        {u"0°", cx - 3, 1},        {u"180°", cx - 9, h - 14}, {u"270°", 1, cy - 7},
        {u"90°", w - 17, cy - 7},  {u"75°", cx - 15, cy + 5}, {u"60°", cx - 27, cy + 15},
        {u"45°", cx - 40, cy + 25}, {u"30°", cx - 52, cy + 35}, {u"15°", cx - 64, cy + 45},
        {u"0°", cx - 72, cy + 55},
    };
    for (const auto &l : labels)
        textAt(p, l.x, l.y, QString::fromUtf16(l.text));
    p.restore();
}

QPointF skyPosition(int elevation, int azimuth, int w, int h)
{
    const double cx = w / 2;
    const double cy = h / 2;
    // The outer ring (0°) lies 10 pixels inside the edge.
    const double horizon = std::min(cx, cy) - 10.0;
    const double r = (90.0 - std::clamp(elevation, 0, 90)) * horizon / 90.0;
    const double a = azimuth * M_PI / 180.0;
    return {cx + r * std::sin(a), cy - r * std::cos(a)};
}

void MarkSatellites(QPainter &p, const QList<Nmea::Satellite> &satellites, int w, int h)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(smallFont());
    p.setBackgroundMode(Qt::TransparentMode);
    const QFontMetrics metrics(p.font());
    // Untracked first, so that a tracked number is never hidden under one.
    for (const bool tracked : {false, true}) {
        for (const Nmea::Satellite &s : satellites) {
            const auto e = s.elevationValue();
            const auto a = s.azimuthValue();
            if (!e || !a || s.snrValue().has_value() != tracked)
                continue;
            const QPointF at = skyPosition(*e, *a, w, h);
            const QString text = QString::fromLatin1(s.id);
            const QRectF box(at.x() - metrics.horizontalAdvance(text) / 2.0 - 1,
                             at.y() - metrics.height() / 2.0, metrics.horizontalAdvance(text) + 2,
                             metrics.height());
            p.setPen(tracked ? Tracked : Untracked);
            p.drawText(box, Qt::AlignCenter, text);
        }
    }
    p.restore();
}

QImage GPSMapa(const QList<Nmea::Satellite> &satellites, qreal devicePixelRatio)
{
    const qreal dpr = std::clamp<qreal>(devicePixelRatio, 1.0, 8.0);
    const int pixels = int(std::ceil(Size * dpr));
    QImage image(pixels, pixels, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    QPainter p(&image);
    DrawSkyGrid(p, Size, Size);
    MarkSatellites(p, satellites, Size, Size);
    p.end();
    return image;
}

} // namespace SkyView
