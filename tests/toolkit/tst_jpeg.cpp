// Photographs are decoded by the toolkit's own JPEG path; whatever the picture, the user must
// see exactly what Qt's reader would have shown, and a hostile file must not cost gigabytes.
#include "common/Error.h"
#include "toolkit/Controls.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

// Edges and gradients in every channel, so chroma upsampling and rounding show.
QImage sample(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x ^ y) & 0xff));
    QPainter painter(&image);
    painter.setBrush(QColor(250, 30, 60));
    painter.drawEllipse(image.rect().adjusted(width / 4, height / 4, -width / 4, -height / 4));
    return image;
}

QByteArray qtJpeg(const QImage &image, int quality, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

struct Encoding
{
    J_COLOR_SPACE stored = JCS_YCbCr;
    bool fullChroma = false; // 4:4:4 instead of the usual 4:2:0
    bool progressive = false;
};

// Variants Qt's writer cannot make: CMYK, RGB-coded, 4:4:4.
QByteArray libjpegJpeg(const QImage &picture, Encoding encoding)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    const bool cmyk = encoding.stored == JCS_CMYK;
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = cmyk ? 4 : 3;
    info.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, encoding.stored);
    jpeg_set_quality(&info, 85, TRUE);
    if (encoding.fullChroma)
        for (int c = 0; c < info.num_components; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (encoding.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(rgb.width()) * 4);
    while (info.next_scanline < info.image_height) {
        const uchar *source = rgb.constScanLine(int(info.next_scanline));
        for (int x = 0; x < rgb.width(); ++x)
            for (int c = 0; c < info.input_components; ++c)
                row[size_t(x * info.input_components + c)] = cmyk
                    ? JSAMPLE(255 - source[x * 3 + (c % 3)] / (c == 3 ? 2 : 1))
                    : source[x * 3 + c];
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

// Format_RGB32 promises 0xff in the fourth byte; painting relies on it.
bool opaque(const QImage &image)
{
    if (image.format() != QImage::Format_RGB32)
        return true;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 0xff)
                return false;
    }
    return true;
}

int errorNumber(const QString &path, QString *description)
{
    try {
        tk::LoadPicture(path);
    } catch (const orlaneva::Error &error) {
        *description = error.description();
        return error.number();
    }
    return 0;
}

} // namespace

class TestJpeg : public QObject
{
    Q_OBJECT

private slots:
    void sameAsQtsReader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QImage picture = sample(203, 157); // odd sizes: partial blocks on both edges
        const QByteArray photo = qtJpeg(picture, 90);
        QTest::newRow("baseline 4:2:0") << photo;
        QTest::newRow("low quality") << qtJpeg(picture, 20);
        QTest::newRow("progressive") << qtJpeg(picture, 90, true);
        QTest::newRow("grey") << qtJpeg(picture.convertToFormat(QImage::Format_Grayscale8), 90);
        QTest::newRow("one pixel") << qtJpeg(sample(1, 1), 90);
        QTest::newRow("4:4:4") << libjpegJpeg(picture, {JCS_YCbCr, true, false});
        QTest::newRow("4:4:4 progressive") << libjpegJpeg(picture, {JCS_YCbCr, true, true});
        QTest::newRow("stored as RGB") << libjpegJpeg(picture, {JCS_RGB, true, false});
        QTest::newRow("CMYK") << libjpegJpeg(picture, {JCS_CMYK, true, false});
        // A download cut short: the rows that arrived, the rest filled as Qt fills them.
        QTest::newRow("cut in the scan") << photo.left(photo.size() * 3 / 5);
    }
    void sameAsQtsReader()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(QStringLiteral("foto.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();

        const QImage expected = QImageReader(path).read();
        QVERIFY(!expected.isNull());
        const QImage shown = tk::LoadPicture(path);
        QCOMPARE(shown.format(), expected.format());
        QCOMPARE(shown.size(), expected.size());
        QVERIFY(shown == expected);
        QVERIFY(opaque(shown));
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("says");
        const QImage picture = sample(16, 16);
        QByteArray forged = libjpegJpeg(picture, {JCS_YCbCr, true, true});
        // The frame header of a progressive picture, then its height and width: 16384 x 16384
        // is within the pixel limit, but holding its coefficients would take 1.5 GiB.
        const qsizetype frame = forged.indexOf("\xff\xc2");
        QVERIFY(frame > 0);
        forged.replace(frame + 5, 4, QByteArray("\x40\x00\x40\x00", 4));
        QTest::newRow("forged progressive header") << forged << 7 << QStringLiteral("demasiado");

        const QByteArray photo = qtJpeg(picture, 90);
        QTest::newRow("cut before the scan")
            << photo.left(photo.indexOf("\xff\xda")) << 481 << QStringLiteral("dañada");
    }
    void refusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, number);
        QFETCH(QString, says);
        const QString path = m_dir.filePath(QStringLiteral("rara.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
        QString description;
        QCOMPARE(errorNumber(path, &description), number);
        QVERIFY2(description.contains(says) && description.contains(path), qPrintable(description));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestJpeg)
#include "tst_jpeg.moc"
