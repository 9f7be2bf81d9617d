// Writes the 32-bit images of a window icon (.ico) as the PNG files of a freedesktop icon
// theme: <out>/hicolor/<N>x<N>/apps/<name>.png. The menu entry's icon is the main window's.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>
#include <map>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: icon_export <icon.ico> <theme folder> <name>\n");
        return 2;
    }
    const QString icon = QString::fromLocal8Bit(argv[1]);
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QString name = QString::fromLocal8Bit(argv[3]);

    QImageReader reader(icon);
    std::map<int, QImage> bySize;
    for (int i = 0; i < reader.imageCount(); ++i) {
        reader.jumpToImage(i);
        const QImage image = reader.read();
        // The 256-colour twins stand in for old displays; the theme wants alpha.
        if (image.isNull() || image.text(QStringLiteral("_q_icoOrigDepth")).toInt() != 32)
            continue;
        bySize[image.width()] = image.convertToFormat(QImage::Format_ARGB32);
    }
    bool ok = true;
    for (int size : {16, 24, 32, 48}) {
        const auto found = bySize.find(size);
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        const QString file
            = out.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (found == bySize.end()) {
            std::fprintf(stderr, "icon_export: %s has no 32-bit %dx%d image\n", argv[1], size,
                         size);
            ok = false;
        } else if (!QDir().mkpath(out.filePath(folder)) || !found->second.save(file, "PNG")) {
            std::fprintf(stderr, "icon_export: cannot write %s\n", qPrintable(file));
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
