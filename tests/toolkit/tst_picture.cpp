#include "common/Error.h"
#include "toolkit/Controls.h"
#include "toolkit/Form.h"
#include "toolkit/Services.h"

#include "TestSupport.h"
#include "toolkit/Picture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio> // jpeglib.h needs FILE declared first
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>

namespace {

class BoxForm : public tk::Form
{
public:
    BoxForm() : Form({QStringLiteral("frm_Cajas"), QStringLiteral("Cajas"), 9000, 6000, {}}) { }
    tk::PictureBox PicContenedor;

protected:
    void createControls() override
    {
        PicContenedor.create(*this, QStringLiteral("PicContenedor"));
        PicContenedor.Move(300, 300, 6000, 4500);
    }
};

double tppX()
{
    return tk::Screen::TwipsPerPixelX();
}

double tppY()
{
    return tk::Screen::TwipsPerPixelY();
}

QImage testImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    return image;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A Windows bitmap header that claims the given size and carries no pixels.
QByteArray bitmapHeader(qint32 width, qint32 height)
{
    QByteArray bytes(54, '\0');
    auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, bytes.data() + at); };
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, bytes.data() + at); };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, quint32(width));
    put32(22, quint32(height));
    put16(26, 1);
    put16(28, 24);
    return bytes;
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray length(4, '\0');
    qToBigEndian(quint32(data.size()), length.data());
    const QByteArray body = QByteArray(type) + data;
    QByteArray crc(4, '\0');
    qToBigEndian(crc32(body), crc.data());
    return length + body + crc;
}

// A PNG whose header claims the given size; its pixel data is missing.
QByteArray pngHeader(quint32 width, quint32 height)
{
    QByteArray ihdr(13, '\0');
    qToBigEndian(width, ihdr.data());
    qToBigEndian(height, ihdr.data() + 4);
    ihdr[8] = 8; // bits per sample
    ihdr[9] = 2; // RGB
    return QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", ihdr)
        + pngChunk("IDAT", QByteArray());
}

// The smallest GIF there is: one pixel. Qt reads GIF but does not write it.
const QByteArray kOnePixelGif = QByteArray::fromHex(
    "47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b");

// Photographs take the toolkit's own JPEG path; the user must see exactly what Qt's reader
// would have shown.
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

using testing::errorNumber;

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_form = std::make_unique<BoxForm>();
        m_form->Load();
    }
    void cleanup()
    {
        m_form->Unload();
        m_form.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void autoSize_data()
    {
        QTest::addColumn<int>("border");
        QTest::addColumn<int>("framePixels");
        QTest::newRow("no border") << int(tk::PictureBox::vbBSNone) << 0;
        QTest::newRow("fixed single") << int(tk::PictureBox::vbFixedSingle) << 4;
    }
    void autoSize()
    {
        QFETCH(int, border);
        QFETCH(int, framePixels);
        auto &box = m_form->Controls().Add<tk::PictureBox>(QStringLiteral("pic_Imagen"));
        QVERIFY(!box.Visible());
        box.setBorderStyle(border);
        box.setAutoSize(true);
        box.setPicture(testImage(123, 45));
        QCOMPARE(box.Width(), qRound((123 + framePixels) * tppX()));
        QCOMPARE(box.Height(), qRound((45 + framePixels) * tppY()));
        QCOMPARE(box.ScaleWidth(), qRound(123 * tppX()));
        QCOMPARE(box.ScaleHeight(), qRound(45 * tppY()));
        QVERIFY(box.hasPicture());
    }

    void withoutAutoSizeTheBoxKeepsItsSize()
    {
        auto &box = m_form->PicContenedor;
        box.setPicture(testImage(2000, 2000));
        QCOMPARE(box.Width(), 6000);
        QCOMPARE(box.Height(), 4500);
    }

    void resizeIsNotifiedAtOnceOnlyWhenTheSizeChanges()
    {
        auto &box = m_form->PicContenedor;
        QStringList seen;
        box.Resize = [&] { seen << QStringLiteral("%1x%2").arg(box.Width()).arg(box.Height()); };
        box.Move(0, 0);
        QCOMPARE(seen, QStringList());
        box.Move(0, 0, 3000, 4500);
        box.setHeight(1500);
        QCOMPARE(seen, (QStringList{QStringLiteral("3000x4500"), QStringLiteral("3000x1500")}));
        box.Resize = nullptr;
    }

    void containerReparentsIntoTheInnerArea()
    {
        auto &box = m_form->Controls().Add<tk::PictureBox>(QStringLiteral("pic_Imagen"));
        auto &bar = m_form->Controls().Add<tk::VScrollBar>(QStringLiteral("Vertical_Scroll"));
        box.Move(150, 300, 1500, 1500);
        box.setContainer(m_form->PicContenedor);
        bar.setContainer(m_form->PicContenedor);
        QWidget *inner = m_form->PicContenedor.client();
        QCOMPARE(box.widget()->parentWidget(), inner);
        QCOMPARE(box.widget()->geometry(),
                 QRect(qRound(150 / tppX()), qRound(300 / tppY()), qRound(1500 / tppX()),
                       qRound(1500 / tppY())));
        QVERIFY(!box.Visible()); // re-parenting keeps it hidden
        QCOMPARE(box.Left(), 150);

        // Bring to front: the last child paints on top.
        QCOMPARE(inner->children().last(), bar.widget());
        box.ZOrder();
        QCOMPARE(inner->children().last(), box.widget());
    }

    void runTimeControlsAreAddedAndRemovedByName()
    {
        auto &controls = m_form->Controls();
        auto &box = controls.Add<tk::PictureBox>(QStringLiteral("pic_Imagen"));
        QPointer<QWidget> widget = box.widget();
        QCOMPARE(widget->objectName(), QStringLiteral("pic_Imagen"));
        QCOMPARE(controls.find(QStringLiteral("pic_Imagen")), &box);
        QCOMPARE(errorNumber([&] { controls.Add<tk::PictureBox>(QStringLiteral("pic_Imagen")); }),
                 orlaneva::ErrorNumber::ControlNameInUse);
        controls.Remove(QStringLiteral("pic_Imagen"));
        QVERIFY(!controls.find(QStringLiteral("pic_Imagen")));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!widget);
        QCOMPARE(errorNumber([&] { controls.Remove(QStringLiteral("pic_Imagen")); }),
                 orlaneva::ErrorNumber::ControlNotFound);
    }

    void loadsTheUsualFormats_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("bmp") << QStringLiteral("a.bmp") << QSize(31, 17);
        QTest::newRow("png") << QStringLiteral("a.png") << QSize(31, 17);
        QTest::newRow("jpeg") << QStringLiteral("a.jpg") << QSize(31, 17);
        QTest::newRow("gif") << QStringLiteral("a.gif") << QSize(1, 1);
        QTest::newRow("png named bmp") << QStringLiteral("png.bmp") << QSize(31, 17);
    }
    void loadsTheUsualFormats()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QString path = m_dir.filePath(name);
        if (name.endsWith(QLatin1String(".gif")))
            writeBytes(path, kOnePixelGif);
        else
            QVERIFY(testImage(size.width(), size.height())
                        .save(path, name.startsWith(QLatin1String("png")) ? "PNG" : nullptr));
        QCOMPARE(tk::LoadPicture(path).size(), size);
    }

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
        writeBytes(path, bytes);

        const QImage expected = QImageReader(path).read();
        QVERIFY(!expected.isNull());
        const QImage shown = tk::LoadPicture(path);
        QCOMPARE(shown.format(), expected.format());
        QCOMPARE(shown.size(), expected.size());
        QVERIFY(shown == expected);
        QVERIFY(opaque(shown));
    }

    void windowsPathsIgnoreLetterCase()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("Fichas")));
        QVERIFY(testImage(9, 7).save(m_dir.filePath(QStringLiteral("Fichas/Ficha Ñu.JPG"))));
        const QString windowsPath = m_dir.path() + QStringLiteral("\\fichas\\FICHA ñU.jpg");
        QCOMPARE(tk::LoadPicture(windowsPath).size(), QSize(9, 7));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing") << QStringLiteral("nada.bmp") << QByteArray() << 53
                                 << QStringLiteral("No se encuentra");
        QTest::newRow("not a picture")
            << QStringLiteral("texto.jpg") << QByteArray("esto no es una imagen\n") << 481
            << QStringLiteral("no es una imagen");
        QTest::newRow("truncated") << QStringLiteral("corta.bmp") << bitmapHeader(40, 40) << 481
                                   << QStringLiteral("dañada");
        QTest::newRow("pixels missing")
            << QStringLiteral("vacia.png") << pngHeader(40, 40) << 481 << QStringLiteral("dañada");
        // Without the header check the decoder would be asked for 13 GiB.
        QTest::newRow("too large") << QStringLiteral("enorme.png") << pngHeader(60000, 60000) << 7
                                   << QStringLiteral("demasiado grande");
        const QImage small = sample(16, 16);
        QByteArray forged = libjpegJpeg(small, {JCS_YCbCr, true, true});
        // The frame header of a progressive picture, then its height and width: 16384 x 16384
        // is within the pixel limit, but holding its coefficients would take 1.5 GiB.
        const qsizetype frame = forged.indexOf("\xff\xc2");
        QVERIFY(frame > 0);
        forged.replace(frame + 5, 4, QByteArray("\x40\x00\x40\x00", 4));
        QTest::newRow("forged progressive jpeg")
            << QStringLiteral("forjada.jpg") << forged << 7 << QStringLiteral("demasiado grande");
        const QByteArray photo = qtJpeg(small, 90);
        QTest::newRow("jpeg cut before the scan")
            << QStringLiteral("sin-datos.jpg") << photo.left(photo.indexOf("\xff\xda")) << 481
            << QStringLiteral("dañada");
    }
    void failures()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, number);
        QFETCH(QString, says);
        const QString path = m_dir.filePath(name);
        if (!bytes.isEmpty())
            writeBytes(path, bytes);
        QString description;
        QCOMPARE(errorNumber([&] { tk::LoadPicture(path); }, &description), number);
        QVERIFY2(description.contains(says), qPrintable(description));
        QVERIFY2(description.contains(name), qPrintable(description));
    }

    // Opening a FIFO for reading waits for a writer, for ever; a device may do anything.
    void specialFilesAreRefusedWithoutWaiting_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QTest::newRow("fifo") << QStringLiteral("fifo") << QStringLiteral("tuberia.bmp");
        QTest::newRow("link to a fifo")
            << QStringLiteral("link to fifo") << QStringLiteral("enlace.png");
        QTest::newRow("socket") << QStringLiteral("socket") << QStringLiteral("socket.jpg");
        QTest::newRow("device") << QStringLiteral("device") << QStringLiteral("nulo.bmp");
    }
    void specialFilesAreRefusedWithoutWaiting()
    {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        const QString path = m_dir.filePath(name);
        const QByteArray native = QFile::encodeName(path);
        int socketFd = -1;
        if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        } else if (kind == QLatin1String("link to fifo")) {
            const QString fifo = m_dir.filePath(QStringLiteral("real-fifo"));
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
            QVERIFY(QFile::link(fifo, path));
        } else if (kind == QLatin1String("socket")) {
            socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            QVERIFY(size_t(native.size()) < sizeof address.sun_path);
            std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
            QCOMPARE(::bind(socketFd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        } else {
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), path));
        }
        QString description;
        const int number = errorNumber([&] { tk::LoadPicture(path); }, &description);
        if (socketFd >= 0)
            ::close(socketFd);
        QCOMPARE(number, orlaneva::ErrorNumber::InvalidPicture);
        QVERIFY2(description.contains(QStringLiteral("no es un archivo de imagen")),
                 qPrintable(description));
        QVERIFY2(description.contains(name), qPrintable(description));
    }

    // The owner may keep the pictures on another disk: a link is followed.
    void aLinkToAPictureElsewhereIsFollowed()
    {
        QTemporaryDir elsewhere;
        QVERIFY(testImage(5, 3).save(elsewhere.filePath(QStringLiteral("lejos.png"))));
        QVERIFY(QFile::link(elsewhere.path(), m_dir.filePath(QStringLiteral("Enlazadas"))));
        QCOMPARE(tk::LoadPicture(m_dir.path() + QStringLiteral("\\Enlazadas\\lejos.png")).size(),
                 QSize(5, 3));
    }

    void aFolderIsNotAPicture()
    {
        QCOMPARE(errorNumber([&] { tk::LoadPicture(m_dir.path()); }),
                 orlaneva::ErrorNumber::PathNotFound);
    }

private:
    std::unique_ptr<BoxForm> m_form;
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestPicture)
#include "tst_picture.moc"
