#pragma once

// The sky view GPSMapa: a picture of the sky seen from the receiver, drawn
// with Qt's painter on an image. The rings are elevations (the outer one 0°,
// one ring every 15°, the centre the zenith), the axes the compass: north at
// the top, east to the right. A satellite is drawn at its place on the rings:
// at distance 90 - elevation (in ring units) from the centre, in the
// direction of its azimuth, clockwise from north. Its number is written there
// in red, or in a dim red while it has no signal-to-noise value.
//
// The picture is always drawn whole from the satellites in view, so marks of
// satellites that have moved or left never pile up.

#include "nmea.h"

#include <QColor>
#include <QImage>
#include <QPointF>

class QPainter;

namespace SkyView {

// The design size of the view, in logical pixels.
constexpr int Size = 200;

inline const QColor Background{0, 0, 0};
inline const QColor Grid{0x00, 0x80, 0x00};
inline const QColor Label{0xFF, 0xFF, 0xFF};
inline const QColor Tracked{0xFF, 0x00, 0x00};
inline const QColor Untracked{0x80, 0x20, 0x20};

// The empty grid on a picture of w by h logical pixels: black, seven green
// rings, the axes and the white labels.
void DrawSkyGrid(QPainter &painter, int w, int h);

// Where a satellite at elevation (0..90) and azimuth (degrees clockwise from
// north) is on a picture of w by h: the centre of its mark.
QPointF skyPosition(int elevation, int azimuth, int w = Size, int h = Size);

// The satellites' marks; those without a valid elevation or azimuth are not
// drawn (they have no place in the sky).
void MarkSatellites(QPainter &painter, const QList<Nmea::Satellite> &satellites, int w, int h);

// The whole picture at the given device pixel ratio (sharp on high-density
// screens): Size by Size logical pixels.
QImage GPSMapa(const QList<Nmea::Satellite> &satellites, qreal devicePixelRatio = 1.0);

} // namespace SkyView
