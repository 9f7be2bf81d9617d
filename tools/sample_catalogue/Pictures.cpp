#include "Pictures.h"

#include "common/Classification.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

// One per descriptor, in the order of orlaneva::kDescriptors.
const QColor kThemes[] = {
    QColor(0x2E, 0x7D, 0x32), QColor(0xC6, 0x28, 0x28), QColor(0x6A, 0x1B, 0x9A),
    QColor(0x15, 0x65, 0xC0), QColor(0xEF, 0x6C, 0x00), QColor(0x00, 0x83, 0x8F),
    QColor(0x45, 0x5A, 0x64),
};
static_assert(std::size(kThemes) == std::size(orlaneva::kDescriptors));

const QColor kPaper(0xFB, 0xF7, 0xEE);
const QColor kInk(0x26, 0x23, 0x1E);
const QColor kRule(0xC9, 0xD8, 0xE8);
const QColor kMargin(0xE5, 0x9A, 0x9A);

QColor themeColour(const std::optional<QString> &descriptores)
{
    if (descriptores) {
        for (std::size_t i = 0; i < std::size(kThemes); ++i) {
            if (descriptores->startsWith(QString::fromUtf8(orlaneva::kDescriptors[i])))
                return kThemes[i];
        }
    }
    return QColor(0x79, 0x55, 0x48);
}

QFont font(const char *family, int pixels, bool bold = false, bool italic = false)
{
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QString orDash(const std::optional<QString> &value)
{
    return value && !value->isEmpty() ? *value : QStringLiteral("—");
}

} // namespace

QImage drawCardPicture(const SampleCard &card)
{
    const int w = 1400, h = 1800;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(0xD9, 0xD2, 0xC3));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF paper(40, 40, w - 80, h - 80);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawRoundedRect(paper, 24, 24);

    // Ruled like an index card, with its red margin line.
    p.setPen(QPen(kRule, 2));
    for (int y = 620; y < h - 120; y += 64)
        p.drawLine(QPointF(paper.left() + 20, y), QPointF(paper.right() - 20, y));
    p.setPen(QPen(kMargin, 3));
    p.drawLine(QPointF(190, 340), QPointF(190, h - 90));

    const QColor colour = themeColour(card.descriptores);
    QPainterPath band;
    band.addRoundedRect(QRectF(paper.left(), paper.top(), paper.width(), 260), 24, 24);
    band.addRect(QRectF(paper.left(), paper.top() + 200, paper.width(), 60));
    p.fillPath(band.simplified(), colour);
    p.setPen(QPen(QColor(0x8A, 0x7A, 0x5A), 4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(paper, 24, 24);

    p.setPen(Qt::white);
    p.setFont(font("DejaVu Sans", 40, true));
    p.drawText(QRectF(100, 80, 900, 70), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("FICHA Nº %1").arg(card.id));
    p.setFont(font("DejaVu Sans", 30));
    p.drawText(QRectF(100, 160, 1200, 60), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Orlaneva · Catálogo de recursos educativos"));
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(1220, 170), 90, 90);
    p.setPen(colour);
    p.setFont(font("DejaVu Serif", 110, true));
    const QString initial = orDash(card.titulo).left(1).toUpper();
    p.drawText(QRectF(1130, 80, 180, 180), Qt::AlignCenter, initial);

    p.setPen(kInk);
    p.setFont(font("DejaVu Serif", 62, true));
    const QRectF titleBox(220, 330, w - 320, 280);
    p.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, orDash(card.titulo));

    const QList<std::pair<QString, QString>> fields{
        {QStringLiteral("Autor"), orDash(card.autor)},
        {QStringLiteral("Nivel educativo"), orDash(card.nivel)},
        {QStringLiteral("Descriptores"), orDash(card.descriptores)},
        {QStringLiteral("Editorial"), orDash(card.editorial)},
        {QStringLiteral("Año"), card.anio ? QString::number(*card.anio) : QStringLiteral("—")},
        {QStringLiteral("Idioma"), orDash(card.idioma)},
        {QStringLiteral("Formato"), orDash(card.formato)},
    };
    int y = 628;
    for (const auto &[label, value] : fields) {
        p.setFont(font("DejaVu Sans", 30, true));
        p.setPen(colour);
        p.drawText(QRectF(220, y, 330, 64), Qt::AlignLeft | Qt::AlignBottom, label + u':');
        p.setFont(font("DejaVu Sans", 32));
        p.setPen(kInk);
        p.drawText(QRectF(560, y, w - 660, 64), Qt::AlignLeft | Qt::AlignBottom, value);
        y += 64;
    }
    y += 64;
    p.setFont(font("DejaVu Sans", 30, true));
    p.setPen(colour);
    p.drawText(QRectF(220, y, 600, 64), Qt::AlignLeft | Qt::AlignBottom,
               QStringLiteral("Resumen:"));
    y += 64;
    p.setFont(font("DejaVu Serif", 34, false, true));
    p.setPen(kInk);
    p.drawText(QRectF(220, y + 12, w - 320, 64 * 6),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               card.resumen ? *card.resumen : QStringLiteral("Sin resumen."));

    p.setFont(font("DejaVu Sans Mono", 28));
    p.setPen(QColor(0x55, 0x4E, 0x44));
    p.drawText(QRectF(220, h - 200, w - 320, 80), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Enlace: ") + orDash(card.enlace));
    return image;
}

QImage drawPresentation()
{
    const int w = 1400, h = 780;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    p.fillRect(QRect(0, 0, w, 200), QColor(0x1B, 0x3A, 0x5C));
    p.setPen(Qt::white);
    p.setFont(font("DejaVu Serif", 96, true));
    p.drawText(QRect(60, 10, 900, 130), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Orlaneva"));
    p.setFont(font("DejaVu Sans", 34));
    p.drawText(QRect(64, 130, 1300, 56), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Catálogo de fichas de recursos educativos"));

    p.setPen(QColor(0x26, 0x23, 0x1E));
    p.setFont(font("DejaVu Sans", 28));
    p.drawText(QRect(60, 230, w - 120, 120), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("Busque materiales para el aula por descriptor, por nivel educativo "
                              "y por palabras del título. Cada ficha describe un recurso y abre "
                              "su enlace: una página web o un documento del catálogo."));

    int x = 60, y = 380;
    p.setFont(font("DejaVu Sans", 24, true));
    for (std::size_t i = 0; i < std::size(kThemes); ++i) {
        const QRect tile(x, y, 300, 110);
        p.setPen(Qt::NoPen);
        p.setBrush(kThemes[i]);
        p.drawRoundedRect(tile, 14, 14);
        p.setPen(Qt::white);
        p.drawText(tile.adjusted(16, 8, -16, -8), Qt::AlignCenter | Qt::TextWordWrap,
                   QString::fromUtf8(orlaneva::kDescriptors[i]));
        x += 320;
        if (x + 300 > w) {
            x = 60;
            y += 130;
        }
    }
    p.setPen(QColor(0x1B, 0x3A, 0x5C));
    p.setFont(font("DejaVu Sans", 26, true));
    p.drawText(
        QRect(60, h - 90, w - 120, 50), Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("Infantil  ·  Primaria  ·  Secundaria  ·  Formación del profesorado"));
    return image;
}

QImage drawGuideCover()
{
    const int w = 1100, h = 1400;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(0xF3, 0xEE, 0xE2));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // A stack of record cards, the catalogue's emblem.
    for (int i = 0; i < 7; ++i) {
        p.save();
        p.translate(w / 2, 820);
        p.rotate(-18 + i * 6);
        p.setPen(QPen(QColor(0x8A, 0x7A, 0x5A), 3));
        p.setBrush(i == 6 ? QColor(Qt::white) : kThemes[i].lighter(170));
        p.drawRoundedRect(QRectF(-300, -190, 600, 380), 16, 16);
        if (i == 6) {
            p.setPen(QPen(kRule, 3));
            for (int y = -90; y <= 140; y += 46)
                p.drawLine(QPointF(-260, y), QPointF(260, y));
        }
        p.restore();
    }

    p.fillRect(QRect(0, 0, w, 360), QColor(0x1B, 0x3A, 0x5C));
    p.setPen(Qt::white);
    p.setFont(font("DejaVu Serif", 130, true));
    p.drawText(QRect(0, 40, w, 200), Qt::AlignCenter, QStringLiteral("Orlaneva"));
    p.setFont(font("DejaVu Sans", 44));
    p.drawText(QRect(0, 240, w, 80), Qt::AlignCenter, QStringLiteral("Guía de uso del catálogo"));

    p.setPen(QColor(0x26, 0x23, 0x1E));
    p.setFont(font("DejaVu Sans", 34));
    p.drawText(QRect(80, h - 260, w - 160, 200), Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("Fichas de recursos educativos para Infantil, Primaria, Secundaria "
                              "y la formación del profesorado"));
    return image;
}

void saveIndexed(const QImage &image, const QString &path, const char *format)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            ++counts[line[x]];
    }
    std::vector<std::pair<int, QRgb>> byCount;
    byCount.reserve(std::size_t(counts.size()));
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byCount.emplace_back(it.value(), it.key());
    std::sort(byCount.begin(), byCount.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    QList<QRgb> palette;
    for (std::size_t i = 0; i < byCount.size() && i < 256; ++i)
        palette.append(byCount[i].second);
    const QImage indexed = rgb.convertToFormat(QImage::Format_Indexed8, palette,
                                               Qt::ThresholdDither | Qt::AvoidDither);
    if (!indexed.save(path, format))
        throw std::runtime_error(("cannot write " + path.toStdString()).c_str());
}
