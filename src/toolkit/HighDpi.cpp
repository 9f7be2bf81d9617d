#include "toolkit/HighDpi.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPixmap>

#include <algorithm>
#include <map>

namespace tk {

qreal pictureRatio()
{
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

QString doubleSizeName(const QString &resource)
{
    const qsizetype dot = resource.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = resource.lastIndexOf(QLatin1Char('/'));
    QString name = resource;
    name.insert(dot > slash ? dot : resource.size(), QStringLiteral("@2x"));
    return name;
}

QImage LoadArt(const QString &resource)
{
    if (pictureRatio() > 1.0) {
        const QString large = doubleSizeName(resource);
        if (QFile::exists(large)) {
            QImage img(large);
            if (!img.isNull()) {
                img.setDevicePixelRatio(2.0);
                return img;
            }
        }
    }
    return QImage(resource);
}

namespace {

int depthOf(const QImage &img)
{
    bool known = false;
    const int original = img.text(QStringLiteral("_q_icoOrigDepth")).toInt(&known);
    return known ? original : img.depth();
}

// The icon engine keys its images by pixel size: of an .ico's 256-colour and true-colour
// copies of one size, the deeper one is kept.
void addEveryImage(std::map<int, QImage> &bySize, const QString &file)
{
    QImageReader reader(file);
    const int count = std::max(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage img = reader.read();
        if (img.isNull())
            continue;
        const int key = img.width() * 65536 + img.height();
        auto found = bySize.find(key);
        if (found == bySize.end() || depthOf(found->second) <= depthOf(img))
            bySize[key] = img;
    }
}

} // namespace

QIcon ArtIcon(const QString &resource)
{
    std::map<int, QImage> bySize;
    addEveryImage(bySize, resource);
    const QString large = doubleSizeName(resource);
    if (QFile::exists(large))
        addEveryImage(bySize, large);
    QIcon icon;
    for (const auto &entry : bySize)
        icon.addPixmap(QPixmap::fromImage(entry.second));
    return icon;
}

} // namespace tk
