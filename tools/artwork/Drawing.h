#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRectF>

class QPainter;

// The house look: flat shapes with a navy outline, light blue and orange fills, on white.
namespace look {

inline const QColor navy{0x00, 0x00, 0x80};
inline const QColor lightBlue{0xB9, 0xDC, 0xFF};
inline const QColor paleBlue{0xDD, 0xEE, 0xFF};
inline const QColor orange{0xF3, 0x8B, 0x1F};
inline const QColor white{0xFF, 0xFF, 0xFF};

// A transparent canvas for icons, a white one for bitmaps.
QImage transparentCanvas(int width, int height);
QImage whiteCanvas(int width, int height);
void prepare(QPainter &p);

// Verdana's free cousin, bold; the labels of the windows are Verdana bold.
QFont font(qreal pixelSize, bool italic = false);

void fillOutlined(QPainter &p, const QPainterPath &shape, const QColor &fill, qreal outline);

// A thick stroke (a check mark, a handle) as a shape of its own, so it can get an outline.
QPainterPath strokeShape(const QPainterPath &line, qreal width);

enum class Towards { Left, Right, Up, Down };
QPainterPath arrow(const QRectF &box, Towards direction, qreal shaftRatio = 0.42,
                   qreal headRatio = 0.5);

// A person seen from the front: head and shoulders, standing on the box's bottom edge.
QPainterPath person(const QRectF &box);

// A record card: a rounded sheet with a header band and lines of text.
void card(QPainter &p, const QRectF &box, qreal outline, const QColor &header);

// A magnifier whose lens is centred on `centre`; the handle points down-right.
void magnifier(QPainter &p, QPointF centre, qreal radius, qreal outline);

void circle(QPainter &p, QPointF centre, qreal radius, const QColor &fill);

} // namespace look
