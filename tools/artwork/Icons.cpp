#include "Icons.h"

#include "Drawing.h"

#include <QPainter>

using namespace look;

namespace icons {
namespace {

constexpr qreal kLine = 1.0;

void users(QPainter &p, qreal dx, qreal dy)
{
    fillOutlined(p, person(QRectF(6.5 + dx, 0.5 + dy, 9, 11)), lightBlue, kLine);
    fillOutlined(p, person(QRectF(0.5 + dx, 3.5 + dy, 10, 12)), orange, kLine);
}

void cornerArrow(QPainter &p)
{
    fillOutlined(p, arrow(QRectF(8.5, 9, 7, 6.5), Towards::Right, 0.4, 0.5), orange, kLine);
}

} // namespace

void pairOfUsers(QPainter &p)
{
    users(p, 0, 0);
}

void discWithArrow(QPainter &p)
{
    QPainterPath disc;
    disc.addEllipse(QPointF(7, 7), 6.5, 6.5);
    fillOutlined(p, disc, lightBlue, kLine);
    p.setPen(QPen(white, 1.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 9, 9), 95 * 16, 80 * 16);
    QPainterPath hub;
    hub.addEllipse(QPointF(7, 7), 2, 2);
    fillOutlined(p, hub, white, kLine);
    cornerArrow(p);
}

void drumWithArrow(QPainter &p)
{
    const QRectF top(1.5, 1.5, 11, 4);
    QPainterPath drum;
    drum.moveTo(1.5, 3.5);
    drum.lineTo(1.5, 12.5);
    drum.arcTo(QRectF(1.5, 10.5, 11, 4), 180, 180);
    drum.lineTo(12.5, 3.5);
    drum.arcTo(top, 0, 180);
    drum.closeSubpath();
    fillOutlined(p, drum, lightBlue, kLine);
    QPainterPath lid;
    lid.addEllipse(top);
    fillOutlined(p, lid, white, kLine);
    p.setPen(QPen(navy, kLine));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(1.5, 5.5, 11, 4), 180 * 16, 180 * 16);
    cornerArrow(p);
}

void cardWithCheck(QPainter &p)
{
    card(p, QRectF(0.5, 1.5, 13, 11), kLine, lightBlue);
    QPainterPath tick;
    tick.moveTo(7, 11);
    tick.lineTo(9.5, 13.5);
    tick.lineTo(14, 7.5);
    fillOutlined(p, strokeShape(tick, 2.6), orange, kLine);
}

void book(QPainter &p)
{
    QPainterPath pages;
    pages.addRoundedRect(QRectF(3.5, 10.5, 10, 4), 1, 1);
    fillOutlined(p, pages, white, kLine);
    p.setPen(QPen(lightBlue, 1));
    p.drawLine(QPointF(5, 12.5), QPointF(13, 12.5));

    QPainterPath cover;
    cover.addRoundedRect(QRectF(2.5, 1.5, 11, 11), 1, 1);
    fillOutlined(p, cover, navy, kLine);
    p.setPen(QPen(lightBlue, 1));
    p.drawLine(QPointF(4.5, 2), QPointF(4.5, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(lightBlue);
    p.drawRect(QRectF(6.5, 4, 5, 3));

    QPolygonF ribbon{{9.5, 11}, {12, 11}, {12, 15.5}, {10.75, 14.25}, {9.5, 15.5}};
    QPainterPath mark;
    mark.addPolygon(ribbon);
    mark.closeSubpath();
    p.setBrush(orange);
    p.drawPath(mark);
}

void usersWithArrow(QPainter &p)
{
    users(p, -0.5, -0.5);
    cornerArrow(p);
}

void descriptor(QPainter &p)
{
    QPainterPath tag;
    tag.moveTo(0.5, 8);
    tag.lineTo(5, 3.5);
    tag.lineTo(15.5, 3.5);
    tag.lineTo(15.5, 12.5);
    tag.lineTo(5, 12.5);
    tag.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(6.5, 8), 1.3, 1.3);
    fillOutlined(p, tag.subtracted(hole), orange, kLine);
    p.setPen(QPen(white, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.5, 8), QPointF(13, 8));
}

void level(QPainter &p)
{
    const QRectF bars[] = {{0.5, 9.5, 4, 5}, {5.5, 6.5, 4, 8}, {10.5, 2.5, 4, 12}};
    for (int i = 0; i < 3; ++i) {
        QPainterPath bar;
        bar.addRect(bars[i]);
        fillOutlined(p, bar, i == 2 ? orange : lightBlue, kLine);
    }
    p.setPen(QPen(navy, kLine));
    p.drawLine(QPointF(0, 15.5), QPointF(16, 15.5));
}

void title(QPainter &p)
{
    QPainterPath page;
    page.addRoundedRect(QRectF(1.5, 0.5, 13, 15), 1, 1);
    fillOutlined(p, page, white, kLine);
    p.setPen(Qt::NoPen);
    p.setBrush(navy);
    p.drawRect(QRectF(4, 3, 8, 2));
    p.drawRect(QRectF(7, 5, 2, 6));
    p.setBrush(orange);
    p.drawRect(QRectF(4, 12, 8, 2));
}

} // namespace icons
