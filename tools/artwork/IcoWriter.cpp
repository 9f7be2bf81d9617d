#include "IcoWriter.h"

#include <QDataStream>
#include <QHash>
#include <QIODevice>

#include <algorithm>
#include <climits>

namespace ico {
namespace {

constexpr int kPaletteSize = 256;
constexpr int kInfoHeaderSize = 40;

int rowBytes(int width, int bits)
{
    return ((width * bits + 31) / 32) * 4;
}

QRgb opaque(QRgb c)
{
    return c | 0xff000000u;
}

struct ColourCount
{
    QRgb colour;
    qint64 count;
};

// Median cut over a weighted histogram; only needed when an image has more colours than fit.
QList<QRgb> medianCut(QList<ColourCount> colours, int wanted)
{
    struct Box
    {
        qsizetype begin, end;
    };
    auto channel = [](QRgb c, int ch) {
        return ch == 0 ? qRed(c) : ch == 1 ? qGreen(c) : qBlue(c);
    };
    auto widest = [&](const Box &b, int *range) {
        int best = 0;
        *range = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (qsizetype i = b.begin; i < b.end; ++i) {
                lo = std::min(lo, channel(colours[i].colour, ch));
                hi = std::max(hi, channel(colours[i].colour, ch));
            }
            if (hi - lo > *range) {
                *range = hi - lo;
                best = ch;
            }
        }
        return best;
    };

    QList<Box> boxes{{0, colours.size()}};
    while (boxes.size() < wanted) {
        qsizetype pick = -1;
        int pickRange = 0;
        int pickChannel = 0;
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            if (boxes[i].end - boxes[i].begin < 2)
                continue;
            int range;
            const int ch = widest(boxes[i], &range);
            if (range > pickRange) {
                pick = i;
                pickRange = range;
                pickChannel = ch;
            }
        }
        if (pick < 0)
            break;
        Box box = boxes[pick];
        std::sort(colours.begin() + box.begin, colours.begin() + box.end,
                  [&](const ColourCount &a, const ColourCount &b) {
                      return channel(a.colour, pickChannel) < channel(b.colour, pickChannel);
                  });
        qint64 total = 0;
        for (qsizetype i = box.begin; i < box.end; ++i)
            total += colours[i].count;
        qint64 half = 0;
        qsizetype split = box.begin + 1;
        for (qsizetype i = box.begin; i < box.end - 1; ++i) {
            half += colours[i].count;
            split = i + 1;
            if (half * 2 >= total)
                break;
        }
        boxes[pick] = {box.begin, split};
        boxes.append({split, box.end});
    }

    QList<QRgb> palette;
    for (const Box &b : boxes) {
        qint64 r = 0, g = 0, bl = 0, n = 0;
        for (qsizetype i = b.begin; i < b.end; ++i) {
            r += qRed(colours[i].colour) * colours[i].count;
            g += qGreen(colours[i].colour) * colours[i].count;
            bl += qBlue(colours[i].colour) * colours[i].count;
            n += colours[i].count;
        }
        palette.append(qRgb(int((r + n / 2) / n), int((g + n / 2) / n), int((bl + n / 2) / n)));
    }
    return palette;
}

int nearest(const QList<QRgb> &table, QRgb c)
{
    int best = 1;
    int bestDistance = INT_MAX;
    for (int i = 1; i < table.size(); ++i) {
        const int dr = qRed(table[i]) - qRed(c);
        const int dg = qGreen(table[i]) - qGreen(c);
        const int db = qBlue(table[i]) - qBlue(c);
        const int d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

QByteArray andMask(const QImage &argb, const QImage *indexed)
{
    const int w = argb.width();
    const int h = argb.height();
    const int stride = rowBytes(w, 1);
    QByteArray mask(stride * h, '\0');
    for (int y = 0; y < h; ++y) {
        char *row = mask.data() + (h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            const bool transparent
                = indexed ? indexed->pixelIndex(x, y) == 0 : qAlpha(argb.pixel(x, y)) == 0;
            if (transparent)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        }
    }
    return mask;
}

QByteArray imageData(const QImage &source, Depth depth)
{
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    const int w = argb.width();
    const int h = argb.height();
    const int bits = int(depth);

    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    const int xorSize = rowBytes(w, bits) * h;
    const int andSize = rowBytes(w, 1) * h;
    s << quint32(kInfoHeaderSize) << qint32(w) << qint32(2 * h) << quint16(1) << quint16(bits)
      << quint32(0) << quint32(xorSize + andSize) << qint32(0) << qint32(0)
      << quint32(depth == Depth::Colours256 ? kPaletteSize : 0) << quint32(0);

    if (depth == Depth::Colours256) {
        const QImage indexed = palettised(argb);
        const QList<QRgb> table = indexed.colorTable();
        for (int i = 0; i < kPaletteSize; ++i) {
            const QRgb c = i < table.size() ? table[i] : 0;
            s << quint8(qBlue(c)) << quint8(qGreen(c)) << quint8(qRed(c)) << quint8(0);
        }
        const int stride = rowBytes(w, 8);
        for (int y = h - 1; y >= 0; --y) {
            for (int x = 0; x < stride; ++x)
                s << quint8(x < w ? indexed.pixelIndex(x, y) : 0);
        }
        out.append(andMask(argb, &indexed));
    } else {
        for (int y = h - 1; y >= 0; --y) {
            for (int x = 0; x < w; ++x) {
                const QRgb c = argb.pixel(x, y);
                s << quint8(qBlue(c)) << quint8(qGreen(c)) << quint8(qRed(c)) << quint8(qAlpha(c));
            }
        }
        out.append(andMask(argb, nullptr));
    }
    return out;
}

} // namespace

QImage palettised(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QHash<QRgb, qint64> histogram;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb c = argb.pixel(x, y);
            if (qAlpha(c) >= 128)
                ++histogram[opaque(c)];
        }
    }
    QList<ColourCount> colours;
    for (auto it = histogram.cbegin(); it != histogram.cend(); ++it)
        colours.append({it.key(), it.value()});
    std::sort(colours.begin(), colours.end(),
              [](const ColourCount &a, const ColourCount &b) { return a.colour < b.colour; });

    QList<QRgb> table{qRgb(0, 0, 0)};
    if (colours.size() < kPaletteSize) {
        for (const ColourCount &c : colours)
            table.append(c.colour);
    } else {
        table.append(medianCut(colours, kPaletteSize - 1));
    }

    QImage indexed(argb.size(), QImage::Format_Indexed8);
    indexed.setColorTable(table);
    QHash<QRgb, int> cache;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb c = argb.pixel(x, y);
            int index = 0;
            if (qAlpha(c) >= 128) {
                auto it = cache.constFind(opaque(c));
                if (it == cache.cend())
                    it = cache.insert(opaque(c), nearest(table, opaque(c)));
                index = it.value();
            }
            indexed.setPixel(x, y, uint(index));
        }
    }
    return indexed;
}

QByteArray file(const QList<Entry> &entries)
{
    constexpr int kDirHeader = 6;
    constexpr int kDirEntry = 16;
    QList<QByteArray> images;
    for (const Entry &e : entries)
        images.append(imageData(e.image, e.depth));

    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << quint16(0) << quint16(1) << quint16(entries.size());
    quint32 offset = kDirHeader + kDirEntry * quint32(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QImage &img = entries[i].image;
        // 0 stands for 256 in the one-byte size fields; the colour count is 0 from 8 bits up.
        s << quint8(img.width() & 0xff) << quint8(img.height() & 0xff) << quint8(0) << quint8(0)
          << quint16(1) << quint16(int(entries[i].depth)) << quint32(images[i].size()) << offset;
        offset += quint32(images[i].size());
    }
    for (const QByteArray &img : images)
        out.append(img);
    return out;
}

} // namespace ico
