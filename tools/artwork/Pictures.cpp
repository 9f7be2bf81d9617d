#include "Pictures.h"

#include "Drawing.h"

#include <QPainter>

using namespace look;

namespace pictures {
namespace {

// Fits a text into a width, never above the given pixel size.
QFont fitted(const QString &text, qreal width, qreal maxPixels, bool italic = false)
{
    QFont f = font(maxPixels, italic);
    while (f.pixelSize() > 6 && QFontMetricsF(f).horizontalAdvance(text) > width)
        f.setPixelSize(f.pixelSize() - 1);
    return f;
}

void text(QPainter &p, const QRectF &box, const QString &s, const QFont &f, const QColor &c,
          int flags = Qt::AlignCenter)
{
    p.setFont(f);
    p.setPen(c);
    p.drawText(box, flags, s);
}

QPainterPath rounded(const QRectF &r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void openBook(QPainter &p, const QRectF &box, qreal line)
{
    const qreal cx = box.center().x();
    const qreal w = box.width() / 2;
    const qreal top = box.top() + box.height() * 0.12;
    const qreal bottom = box.bottom() - box.height() * 0.16;

    QPainterPath covers;
    covers.moveTo(box.left(), top + box.height() * 0.1);
    covers.lineTo(box.left(), box.bottom() - box.height() * 0.06);
    covers.quadTo(cx - w * 0.5, box.bottom() - box.height() * 0.12, cx, box.bottom());
    covers.quadTo(cx + w * 0.5, box.bottom() - box.height() * 0.12, box.right(),
                  box.bottom() - box.height() * 0.06);
    covers.lineTo(box.right(), top + box.height() * 0.1);
    covers.closeSubpath();
    fillOutlined(p, covers, navy, line);

    const qreal inset = w * 0.07;
    for (int side : {-1, 1}) {
        const qreal outer = cx + side * (w - inset);
        QPainterPath page;
        page.moveTo(cx, top + box.height() * 0.08);
        page.quadTo(cx + side * w * 0.45, top - box.height() * 0.06, outer, top);
        page.lineTo(outer, bottom);
        page.quadTo(cx + side * w * 0.45, bottom - box.height() * 0.08, cx,
                    bottom + box.height() * 0.06);
        page.closeSubpath();
        fillOutlined(p, page, white, line);

        QPen pen(lightBlue, std::max(1.5, line), Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        for (int i = 0; i < 4; ++i) {
            const qreal t = 0.3 + 0.15 * i;
            const qreal y = top + (bottom - top) * t;
            const qreal a = cx + side * w * 0.16;
            const qreal b = cx + side * (w - inset * 2.6) * (i == 3 ? 0.7 : 1.0);
            p.drawLine(QPointF(a, y), QPointF(b, y));
        }
    }
}

void ribbon(QPainter &p, QPointF topCentre, qreal width, qreal length)
{
    const qreal x = topCentre.x() - width / 2;
    QPolygonF poly{{x, topCentre.y()},
                   {x + width, topCentre.y()},
                   {x + width, topCentre.y() + length},
                   {x + width / 2, topCentre.y() + length - width * 0.6},
                   {x, topCentre.y() + length}};
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(orange);
    p.drawPath(path);
}

void rotatedCard(QPainter &p, QPointF centre, QSizeF size, qreal degrees, qreal line,
                 const QColor &header)
{
    p.save();
    p.translate(centre);
    p.rotate(degrees);
    card(p, QRectF(-size.width() / 2, -size.height() / 2, size.width(), size.height()), line,
         header);
    p.restore();
}

void page(QPainter &p, const QRectF &box, qreal fold, qreal line)
{
    QPainterPath sheet;
    sheet.moveTo(box.topLeft());
    sheet.lineTo(box.right() - fold, box.top());
    sheet.lineTo(box.right(), box.top() + fold);
    sheet.lineTo(box.bottomRight());
    sheet.lineTo(box.bottomLeft());
    sheet.closeSubpath();
    fillOutlined(p, sheet, white, line);
    QPainterPath corner;
    corner.moveTo(box.right() - fold, box.top());
    corner.lineTo(box.right() - fold, box.top() + fold);
    corner.lineTo(box.right(), box.top() + fold);
    corner.closeSubpath();
    fillOutlined(p, corner, lightBlue, line);
}

void pageLines(QPainter &p, const QRectF &box, int count, qreal width)
{
    p.setPen(QPen(lightBlue, width, Qt::SolidLine, Qt::RoundCap));
    const qreal step = box.height() / std::max(1, count - 1);
    for (int i = 0; i < count; ++i) {
        const qreal y = box.top() + step * i;
        const qreal end = i == count - 1 ? box.left() + box.width() * 0.6 : box.right();
        p.drawLine(QPointF(box.left(), y), QPointF(end, y));
    }
}

} // namespace

void returnArrow(QPainter &p)
{
    circle(p, QPointF(24, 25), 22, lightBlue);
    QPainterPath bend;
    bend.moveTo(33, 35);
    bend.lineTo(33, 27);
    bend.quadTo(33, 20, 26, 20);
    bend.lineTo(20, 20);
    fillOutlined(p, strokeShape(bend, 7), orange, 2);
    fillOutlined(p, arrow(QRectF(6, 11, 16, 18), Towards::Left, 0.39, 1.0), orange, 2);
    // The shaft's outline would show across the head; paint the joint over.
    p.setPen(Qt::NoPen);
    p.setBrush(orange);
    p.drawRect(QRectF(19, 17.5, 5, 5));
}

void exitDoor(QPainter &p)
{
    QPainterPath frame;
    frame.addRect(QRectF(5, 3, 26, 42));
    fillOutlined(p, frame, lightBlue, 3);
    QPainterPath leaf;
    leaf.moveTo(5, 3);
    leaf.lineTo(19, 8);
    leaf.lineTo(19, 42);
    leaf.lineTo(5, 45);
    leaf.closeSubpath();
    fillOutlined(p, leaf, white, 3);
    circle(p, QPointF(15.5, 25.5), 2, navy);
    fillOutlined(p, arrow(QRectF(22, 14, 24.5, 22), Towards::Right, 0.42, 0.5), orange, 2.5);
}

void sponsors(QPainter &p)
{
    // The box shows 193x65 of the 202x68 logo: nothing lives in the right and bottom margins.
    // The "Patrocinan:" label reaches 9 pixels into the box, in front of it: the left margin
    // stays white.
    const QRectF marks[] = {{13, 3, 28, 28}, {13, 35, 28, 28}};

    QPainterPath shield;
    shield.addRoundedRect(marks[0], 5, 5);
    fillOutlined(p, shield, navy, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(white);
    const QRectF m = marks[0];
    QPolygonF roof{
        {m.left() + 5, m.top() + 11}, {m.center().x(), m.top() + 5}, {m.right() - 5, m.top() + 11}};
    p.drawPolygon(roof);
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(m.left() + 7 + i * 5.5, m.top() + 13, 3, 8));
    p.drawRect(QRectF(m.left() + 5, m.top() + 22, 18, 2.5));

    const QRectF n = marks[1];
    circle(p, n.center(), 14, orange);
    p.setBrush(white);
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const qreal r = i % 2 ? 4.2 : 10;
        const qreal a = M_PI / 2 + i * M_PI / 5;
        const QPointF pt(n.center().x() + r * std::cos(a), n.center().y() - r * std::sin(a));
        i ? star.lineTo(pt) : star.moveTo(pt);
    }
    star.closeSubpath();
    p.drawPath(star);

    const QFont big = fitted(QStringLiteral("Fundación Valdenora"), 144, 13);
    const QFont small = font(9.5);
    text(p, QRectF(47, 3, 146, 16), QStringLiteral("Fundación Valdenora"), big, navy,
         Qt::AlignLeft | Qt::AlignVCenter);
    text(p, QRectF(47, 18, 146, 13), QStringLiteral("para la educación"), small, orange,
         Qt::AlignLeft | Qt::AlignVCenter);
    text(p, QRectF(47, 35, 146, 16), QStringLiteral("Consorcio Tarvelo"), big, navy,
         Qt::AlignLeft | Qt::AlignVCenter);
    text(p, QRectF(47, 50, 146, 13), QStringLiteral("de centros escolares"), small, orange,
         Qt::AlignLeft | Qt::AlignVCenter);
}

void banner(QPainter &p)
{
    QPainterPath band;
    band.addRoundedRect(QRectF(2, 10, 527, 143), 22, 22);
    fillOutlined(p, band, paleBlue, 0);

    circle(p, QPointF(84, 81), 66, lightBlue);
    rotatedCard(p, QPointF(70, 84), QSizeF(70, 52), -14, 3, lightBlue);
    rotatedCard(p, QPointF(84, 80), QSizeF(70, 52), -2, 3, lightBlue);
    rotatedCard(p, QPointF(98, 78), QSizeF(70, 52), 10, 3, orange);

    const QString name = QStringLiteral("Orlaneva");
    const QFont title = fitted(name, 330, 84, true);
    text(p, QRectF(172, 14, 340, 96), name, title, navy, Qt::AlignLeft | Qt::AlignVCenter);
    p.setPen(Qt::NoPen);
    p.setBrush(orange);
    p.drawRoundedRect(QRectF(176, 108, 330, 5), 2.5, 2.5);
    const QString tagline = QStringLiteral("Catálogo de recursos educativos");
    text(p, QRectF(176, 116, 340, 28), tagline, fitted(tagline, 330, 22), navy,
         Qt::AlignLeft | Qt::AlignVCenter);
}

void cover(QPainter &p)
{
    const QRectF sky(6, 6, 566, 376);
    const QPainterPath panel = rounded(sky, 28);
    fillOutlined(p, panel, paleBlue, 0);
    p.save();
    p.setClipPath(panel);
    circle(p, QPointF(486, 84), 52, orange);
    circle(p, QPointF(110, 110), 70, lightBlue);
    circle(p, QPointF(420, 250), 110, lightBlue);
    p.setPen(Qt::NoPen);
    p.setBrush(navy);
    QPainterPath hill;
    hill.moveTo(0, 350);
    hill.quadTo(289, 318, 578, 350);
    hill.lineTo(578, 388);
    hill.lineTo(0, 388);
    hill.closeSubpath();
    p.drawPath(hill);
    p.restore();

    rotatedCard(p, QPointF(170, 116), QSizeF(104, 76), -18, 3, lightBlue);
    rotatedCard(p, QPointF(300, 78), QSizeF(104, 76), 4, 3, orange);
    rotatedCard(p, QPointF(420, 126), QSizeF(104, 76), 20, 3, lightBlue);

    openBook(p, QRectF(149, 150, 280, 168), 3);
    ribbon(p, QPointF(350, 180), 16, 128);

    p.setPen(Qt::NoPen);
    p.setBrush(white);
    for (const QPointF &c :
         {QPointF(230, 50), QPointF(376, 36), QPointF(92, 228), QPointF(500, 200)}) {
        QPainterPath sparkle;
        sparkle.moveTo(c + QPointF(0, -9));
        sparkle.quadTo(c, c + QPointF(9, 0));
        sparkle.quadTo(c, c + QPointF(0, 9));
        sparkle.quadTo(c, c + QPointF(-9, 0));
        sparkle.quadTo(c, c + QPointF(0, -9));
        p.drawPath(sparkle);
    }
}

void guideButton(QPainter &p)
{
    circle(p, QPointF(68.5, 66), 62, lightBlue);
    openBook(p, QRectF(16, 30, 105, 76), 3);
    ribbon(p, QPointF(96, 42), 10, 66);
}

void searchButton(QPainter &p)
{
    circle(p, QPointF(72.5, 73.5), 68, lightBlue);
    rotatedCard(p, QPointF(58, 62), QSizeF(68, 50), -12, 3, lightBlue);
    rotatedCard(p, QPointF(70, 74), QSizeF(68, 50), 0, 3, orange);
    magnifier(p, QPointF(86, 84), 20, 3);
}

void authorsButton(QPainter &p)
{
    circle(p, QPointF(83, 70.5), 66, lightBlue);
    fillOutlined(p, person(QRectF(22, 36, 48, 64)), white, 3);
    fillOutlined(p, person(QRectF(96, 36, 48, 64)), white, 3);
    fillOutlined(p, person(QRectF(52, 26, 62, 86)), orange, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(navy);
    p.drawRoundedRect(QRectF(14, 110, 138, 10), 5, 5);
}

void authors(QPainter &p)
{
    const QString heading = QStringLiteral("Equipo Orlaneva");
    text(p, QRectF(0, 10, 596, 44), heading, font(30), navy);
    p.setPen(Qt::NoPen);
    p.setBrush(orange);
    p.drawRoundedRect(QRectF(198, 56, 200, 5), 2.5, 2.5);

    struct Member
    {
        const char16_t *role;
        const char16_t *task;
        QColor colour;
    };
    const Member team[] = {
        {u"Coordinación", u"del proyecto", orange}, {u"Contenidos", u"y fichas", lightBlue},
        {u"Ilustración", u"y diseño", orange},      {u"Documentación", u"y catálogo", lightBlue},
        {u"Revisión", u"pedagógica", orange},       {u"Maquetación", u"y edición", lightBlue},
    };
    const QFont role = font(16);
    const QFont who = font(13);
    for (int i = 0; i < 6; ++i) {
        const QRectF box(22 + (i % 3) * 188, 78 + (i / 3) * 190, 176, 178);
        fillOutlined(p, rounded(box, 14), paleBlue, 2);
        const QPointF c(box.center().x(), box.top() + 64);
        QPainterPath badge;
        badge.addEllipse(c, 48, 48);
        fillOutlined(p, badge, white, 2);
        p.save();
        p.setClipPath(badge);
        fillOutlined(p, person(QRectF(c.x() - 34, c.y() - 32, 68, 86)), team[i].colour, 2.5);
        p.restore();
        p.setPen(QPen(navy, 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, 48, 48);
        text(p, QRectF(box.left(), box.top() + 118, box.width(), 24),
             QString::fromUtf16(team[i].role), role, navy);
        text(p, QRectF(box.left(), box.top() + 142, box.width(), 20),
             QString::fromUtf16(team[i].task), who, orange);
    }
}

void cardDrawer(QPainter &p)
{
    circle(p, QPointF(80.5, 81.5), 76, lightBlue);
    rotatedCard(p, QPointF(62, 64), QSizeF(62, 46), -8, 3, lightBlue);
    rotatedCard(p, QPointF(98, 60), QSizeF(62, 46), 7, 3, lightBlue);
    rotatedCard(p, QPointF(80, 74), QSizeF(66, 48), 0, 3, orange);

    QPainterPath box;
    box.addRoundedRect(QRectF(28, 90, 105, 52), 6, 6);
    fillOutlined(p, box, navy, 3);
    QPainterPath label;
    label.addRoundedRect(QRectF(62, 104, 37, 16), 3, 3);
    fillOutlined(p, label, white, 0);
    QPainterPath handle;
    handle.addRoundedRect(QRectF(70, 125, 21, 7), 3.5, 3.5);
    fillOutlined(p, handle, orange, 0);
    p.setPen(QPen(lightBlue, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(68, 112), QPointF(93, 112));
}

void findIcon(QPainter &p)
{
    magnifier(p, QPointF(13, 13), 9, 2);
}

void freshPage(QPainter &p)
{
    page(p, QRectF(7, 3, 28, 37), 9, 2);
    pageLines(p, QRectF(12, 17, 17, 14), 4, 2);
    QPainterPath badge;
    badge.addEllipse(QPointF(33, 33), 9, 9);
    fillOutlined(p, badge, orange, 2);
    p.setPen(QPen(white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(33, 28), QPointF(33, 38));
    p.drawLine(QPointF(28, 33), QPointF(38, 33));
}

void globeLink(QPainter &p)
{
    const QPointF c(21, 22);
    const qreal r = 18;
    QPainterPath globe;
    globe.addEllipse(c, r, r);
    fillOutlined(p, globe, lightBlue, 2);
    p.setPen(QPen(navy, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r * 0.45, r);
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
    p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
    const qreal chord = r * 0.866; // the latitudes at half the radius
    p.drawLine(QPointF(c.x() - chord, c.y() - r / 2), QPointF(c.x() + chord, c.y() - r / 2));
    p.drawLine(QPointF(c.x() - chord, c.y() + r / 2), QPointF(c.x() + chord, c.y() + r / 2));
    p.setPen(QPen(navy, 2));
    p.drawEllipse(c, r, r);

    p.save();
    p.translate(37, 31);
    p.rotate(-45);
    fillOutlined(p, arrow(QRectF(-11, -8, 22, 16), Towards::Right, 0.42, 0.5), orange, 2);
    p.restore();
}

void downloadGuide(QPainter &p)
{
    page(p, QRectF(7, 10, 31, 31), 8, 2);
    pageLines(p, QRectF(12, 31, 21, 5), 2, 2);
    fillOutlined(p, arrow(QRectF(12, 1, 21, 28), Towards::Down, 0.42, 0.5), orange, 2);
}

} // namespace pictures
