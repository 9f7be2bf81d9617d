#include "Drawing.h"

#include <QPainter>
#include <QPainterPathStroker>

namespace look {

QImage transparentCanvas(int width, int height)
{
    QImage img(width, height, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

QImage whiteCanvas(int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(white);
    return img;
}

void prepare(QPainter &p)
{
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing
                     | QPainter::SmoothPixmapTransform);
}

QFont font(qreal pixelSize, bool italic)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(qRound(pixelSize));
    f.setBold(true);
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void fillOutlined(QPainter &p, const QPainterPath &shape, const QColor &fill, qreal outline)
{
    QPen pen(navy, outline);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(outline > 0 ? pen : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawPath(shape);
}

QPainterPath strokeShape(const QPainterPath &line, qreal width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(line).simplified();
}

QPainterPath arrow(const QRectF &box, Towards direction, qreal shaftRatio, qreal headRatio)
{
    // Built pointing right in a unit box, then turned into place.
    const qreal s = shaftRatio / 2;
    const qreal h = 1 - headRatio;
    QPolygonF unit{{0, 0.5 - s}, {h, 0.5 - s}, {h, 0},      {1, 0.5},
                   {h, 1},       {h, 0.5 + s}, {0, 0.5 + s}};
    QTransform t;
    switch (direction) {
    case Towards::Right:
        break;
    case Towards::Left:
        t = QTransform(-1, 0, 0, 1, 1, 0);
        break;
    case Towards::Down:
        t = QTransform(0, 1, 1, 0, 0, 0);
        break;
    case Towards::Up:
        t = QTransform(0, -1, 1, 0, 0, 1);
        break;
    }
    const QTransform place
        = QTransform::fromTranslate(box.left(), box.top()).scale(box.width(), box.height());
    QPainterPath path;
    path.addPolygon((t * place).map(unit));
    path.closeSubpath();
    return path;
}

QPainterPath person(const QRectF &box)
{
    const qreal w = box.width();
    const qreal h = box.height();
    const qreal headR = w * 0.27;
    QPainterPath path;
    path.addEllipse(QPointF(box.center().x(), box.top() + headR), headR, headR);
    const qreal shoulders = box.top() + 2 * headR + h * 0.06;
    QPainterPath body;
    const QRectF arc(box.left(), shoulders, w, (box.bottom() - shoulders) * 1.6);
    body.moveTo(box.left(), box.bottom());
    body.arcTo(arc, 180, -180);
    body.lineTo(box.right(), box.bottom());
    body.closeSubpath();
    path.addPath(body);
    return path;
}

void card(QPainter &p, const QRectF &box, qreal outline, const QColor &header)
{
    const qreal r = box.width() * 0.08;
    QPainterPath sheet;
    sheet.addRoundedRect(box, r, r);
    fillOutlined(p, sheet, white, outline);

    p.save();
    p.setClipPath(sheet);
    p.setPen(Qt::NoPen);
    p.setBrush(header);
    p.drawRect(QRectF(box.left(), box.top(), box.width(), box.height() * 0.26));
    p.restore();
    p.setPen(QPen(navy, outline));
    p.setBrush(Qt::NoBrush);
    p.drawPath(sheet);

    QPen line(lightBlue, std::max(1.0, box.height() * 0.07), Qt::SolidLine, Qt::RoundCap);
    p.setPen(line);
    const qreal left = box.left() + box.width() * 0.16;
    const qreal right = box.right() - box.width() * 0.16;
    for (int i = 0; i < 3; ++i) {
        const qreal y = box.top() + box.height() * (0.45 + 0.17 * i);
        const qreal end = i == 2 ? left + (right - left) * 0.6 : right;
        p.drawLine(QPointF(left, y), QPointF(end, y));
    }
}

void magnifier(QPainter &p, QPointF centre, qreal radius, qreal outline)
{
    const QPointF dir(0.7071, 0.7071);
    const QPointF start = centre + dir * (radius + outline * 0.5);
    const QPointF end = centre + dir * (radius * 2.3);
    QPainterPath neck;
    neck.moveTo(start);
    neck.lineTo(start + dir * radius * 0.35);
    fillOutlined(p, strokeShape(neck, radius * 0.34), navy, outline);
    QPainterPath grip;
    grip.moveTo(start + dir * radius * 0.55);
    grip.lineTo(end);
    fillOutlined(p, strokeShape(grip, radius * 0.5), orange, outline);

    QPainterPath lens;
    lens.addEllipse(centre, radius, radius);
    fillOutlined(p, lens, lightBlue, outline * 1.4);
    p.setPen(QPen(white, radius * 0.16, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const qreal r = radius * 0.62;
    p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 100 * 16, 70 * 16);
}

void circle(QPainter &p, QPointF centre, qreal radius, const QColor &fill)
{
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(centre, radius, radius);
}

} // namespace look
