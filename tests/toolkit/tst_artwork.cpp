#include "resources/Art.h"

#include <QDirIterator>
#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QSet>
#include <QTest>
#include <QtEndian>

namespace {

struct Picture
{
    const char *path;
    int width, height;
};

// Sizes are those the windows place the pictures at; a wrong one shifts or clips a window.
const Picture kPictures[] = {
    {art::kReturnBitmap, 48, 50},     {art::kExitIcon, 48, 48},
    {art::kSponsorLogo, 202, 68},     {art::kBanner, 531, 163},
    {art::kCover, 578, 388},          {art::kGuideButton, 137, 132},
    {art::kSearchButton, 145, 147},   {art::kAuthorsButton, 166, 141},
    {art::kAuthorsPicture, 596, 470}, {art::kSearchDecoration, 161, 163},
    {art::kDescriptorIcon, 16, 16},   {art::kLevelIcon, 16, 16},
    {art::kTitleIcon, 16, 16},        {art::kFindIcon, 32, 32},
    {art::kNewSearchBitmap, 44, 44},  {art::kLinkBitmap, 49, 44},
    {art::kDownloadBitmap, 45, 43},
};

const char *const kWindowIcons[] = {
    art::kIconSplash, art::kIconPrincipal, art::kIconTarvelo,
    art::kIconFicha,  art::kIconOrlaneva,  art::kIconAutores,
};

constexpr int kIconSizes[] = {16, 24, 32, 48};

using SizeDepth = QPair<int, int>;

// Every picture also comes at twice its pixels, as name@2x beside name.
constexpr int kScales[] = {1, 2};

QString atScale(const char *path, int scale)
{
    QString name = QString::fromUtf8(path);
    if (scale != 1)
        name.insert(name.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(scale));
    return name;
}

QSet<SizeDepth> expectedImages(int scale)
{
    QSet<SizeDepth> all;
    for (int size : kIconSizes) {
        all.insert({size * scale, 8});
        all.insert({size * scale, 32});
    }
    return all;
}

quint16 u16(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

quint32 u32(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

int rowBytes(int width, int bits)
{
    return ((width * bits + 31) / 32) * 4;
}

// The image of the given size and original depth, as Qt's ICO reader decodes it.
QImage icoImage(const QString &path, int size, int depth)
{
    QImageReader reader(path);
    for (int i = 0; i < reader.imageCount(); ++i) {
        reader.jumpToImage(i);
        QImage img = reader.read();
        if (img.width() == size && img.text(QStringLiteral("_q_icoOrigDepth")).toInt() == depth)
            return img.convertToFormat(QImage::Format_ARGB32);
    }
    return {};
}

} // namespace

class tst_Artwork : public QObject
{
    Q_OBJECT

private slots:
    void pictureSize_data();
    void pictureSize();
    void windowIconDirectory_data();
    void windowIconDirectory();
    void windowIconReadByQt_data();
    void windowIconReadByQt();
    void palettisedImageMatchesTrueColour_data();
    void palettisedImageMatchesTrueColour();
    void everyPictureIsNamed();
};

void tst_Artwork::pictureSize_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    for (int scale : kScales)
        for (const Picture &p : kPictures) {
            const QString path = atScale(p.path, scale);
            QTest::newRow(qPrintable(path)) << path << QSize(p.width, p.height) * scale;
        }
}

void tst_Artwork::pictureSize()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QImageReader reader(path);
    const QImage img = reader.read();
    QVERIFY2(!img.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(img.size(), size);
    if (path.endsWith(QStringLiteral(".ico"))) {
        // Button and label icons are single images with real transparency.
        QCOMPARE(reader.imageCount(), 1);
        QVERIFY(img.hasAlphaChannel());
        QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
    }
}

void tst_Artwork::windowIconDirectory_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("scale");
    for (int scale : kScales)
        for (const char *path : kWindowIcons)
            QTest::newRow(qPrintable(atScale(path, scale))) << atScale(path, scale) << scale;
}

// Read against the file format rather than Qt's reader, which forgives what Windows does not.
void tst_Artwork::windowIconDirectory()
{
    QFETCH(QString, path);
    QFETCH(int, scale);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray b = file.readAll();
    QVERIFY(b.size() >= 6);
    QCOMPARE(u16(b, 0), 0);
    QCOMPARE(u16(b, 2), 1);
    const int count = u16(b, 4);
    QCOMPARE(count, 8);
    QVERIFY(b.size() >= 6 + 16 * count);

    QSet<SizeDepth> found;
    qint64 end = 6 + 16 * count;
    for (int i = 0; i < count; ++i) {
        const qsizetype e = 6 + 16 * i;
        const int w = quint8(b[e]);
        const int h = quint8(b[e + 1]);
        const int bits = u16(b, e + 6);
        const quint32 bytes = u32(b, e + 8);
        const quint32 offset = u32(b, e + 12);
        QCOMPARE(h, w);
        QCOMPARE(quint8(b[e + 2]), 0); // colour count: 0 from 8 bits up
        QCOMPARE(u16(b, e + 4), 1);
        const int palette = bits == 8 ? 256 * 4 : 0;
        QCOMPARE(bytes, quint32(40 + palette + (rowBytes(w, bits) + rowBytes(w, 1)) * h));
        QVERIFY2(offset >= end, "images overlap or overlap the directory");
        QVERIFY(qint64(offset) + bytes <= b.size());
        end = offset + bytes;

        QCOMPARE(u32(b, offset), 40u);
        QCOMPARE(qint32(u32(b, offset + 4)), w);
        QCOMPARE(qint32(u32(b, offset + 8)), 2 * h); // colour bitmap plus AND mask
        QCOMPARE(u16(b, offset + 12), 1);
        QCOMPARE(int(u16(b, offset + 14)), bits);
        QCOMPARE(u32(b, offset + 16), 0u);
        QVERIFY(!found.contains({w, bits}));
        found.insert({w, bits});
    }
    QCOMPARE(found, expectedImages(scale));
}

void tst_Artwork::windowIconReadByQt_data()
{
    windowIconDirectory_data();
}

void tst_Artwork::windowIconReadByQt()
{
    QFETCH(QString, path);
    QFETCH(int, scale);
    QImageReader reader(path);
    QCOMPARE(reader.imageCount(), 8);
    QSet<SizeDepth> found;
    for (int i = 0; i < 8; ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage img = reader.read();
        QVERIFY2(!img.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(img.width(), img.height());
        found.insert({img.width(), img.text(QStringLiteral("_q_icoOrigDepth")).toInt()});
    }
    QCOMPARE(found, expectedImages(scale));

    const QIcon icon(path);
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : kIconSizes)
        QVERIFY2(sizes.contains(QSize(size, size) * scale), qPrintable(QString::number(size)));
}

void tst_Artwork::palettisedImageMatchesTrueColour_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("size");
    for (int scale : kScales)
        for (const char *path : kWindowIcons) {
            for (int size : kIconSizes) {
                const QString file = atScale(path, scale);
                QTest::addRow("%s@%d", qPrintable(file), size * scale) << file << size * scale;
            }
        }
}

// The 256-colour image must show the same picture: a palette or mask out of step (rows
// upside down, channels swapped, wrong index for transparency) shows up here.
void tst_Artwork::palettisedImageMatchesTrueColour()
{
    QFETCH(QString, path);
    QFETCH(int, size);
    const QImage full = icoImage(path, size, 32);
    const QImage indexed = icoImage(path, size, 8);
    QVERIFY(!full.isNull());
    QVERIFY(!indexed.isNull());
    QCOMPARE(indexed.size(), full.size());

    int opaque = 0;
    int transparent = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb f = full.pixel(x, y);
            const QRgb p = indexed.pixel(x, y);
            if (qAlpha(f) == 0) {
                QCOMPARE(qAlpha(p), 0);
                ++transparent;
            } else if (qAlpha(f) == 255) {
                QCOMPARE(qAlpha(p), 255);
                QVERIFY2(qAbs(qRed(f) - qRed(p)) <= 24 && qAbs(qGreen(f) - qGreen(p)) <= 24
                             && qAbs(qBlue(f) - qBlue(p)) <= 24,
                         qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
                ++opaque;
            }
        }
    }
    // Both kinds must be there, or the comparison proves nothing.
    QVERIFY(opaque > size * size / 4);
    QVERIFY(transparent > 0);
}

void tst_Artwork::everyPictureIsNamed()
{
    QSet<QString> named;
    for (int scale : kScales) {
        for (const Picture &p : kPictures)
            named.insert(atScale(p.path, scale));
        for (const char *path : kWindowIcons)
            named.insert(atScale(path, scale));
    }
    QCOMPARE(named.size(),
             int((std::size(kPictures) + std::size(kWindowIcons)) * std::size(kScales)));

    QSet<QString> compiled;
    QDirIterator it(QStringLiteral(":/art"), QDir::Files);
    while (it.hasNext())
        compiled.insert(it.next());
    QCOMPARE(compiled, named);
}

QTEST_MAIN(tst_Artwork)
#include "tst_artwork.moc"
