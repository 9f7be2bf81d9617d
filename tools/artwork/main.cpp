// Draws every picture the program carries into a folder (resources/art), each also at twice
// the pixels as name@2x for screens at a device pixel ratio of 2. Run by hand after changing
// a drawing; the pictures are committed, so the build never runs this.

#include "Drawing.h"
#include "IcoWriter.h"
#include "Icons.h"
#include "Pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>

namespace {

using Draw = void (*)(QPainter &);

struct Bitmap
{
    const char *file;
    int width, height;
    Draw draw;
};

// An icon used as a button or label picture: one 32-bit image.
struct Icon
{
    const char *file;
    int size;
    qreal gridUnits; // the size of the grid the drawing is made on
    Draw draw;
};

struct WindowIcon
{
    const char *file;
    Draw draw;
};

const Bitmap kBitmaps[] = {
    {"volver.png", 48, 50, pictures::returnArrow},
    {"patrocinan.png", 202, 68, pictures::sponsors},
    {"banner.png", 531, 163, pictures::banner},
    {"portada.png", 578, 388, pictures::cover},
    {"boton_guia.png", 137, 132, pictures::guideButton},
    {"boton_busqueda.png", 145, 147, pictures::searchButton},
    {"boton_autores.png", 166, 141, pictures::authorsButton},
    {"autores.png", 596, 470, pictures::authors},
    {"fichero.png", 161, 163, pictures::cardDrawer},
    {"nueva_busqueda.png", 44, 44, pictures::freshPage},
    {"vinculo.png", 49, 44, pictures::globeLink},
    {"descargar.png", 45, 43, pictures::downloadGuide},
};

const Icon kIcons[] = {
    {"salir.ico", 48, 48, pictures::exitDoor},
    {"buscar.ico", 32, 32, pictures::findIcon},
    {"descriptores.ico", 16, 16, icons::descriptor},
    {"nivel.ico", 16, 16, icons::level},
    {"titulo.ico", 16, 16, icons::title},
};

const WindowIcon kWindowIcons[] = {
    {"splash.ico", icons::pairOfUsers},
    {"principal.ico", icons::discWithArrow},
    {"tarvelo.ico", icons::drumWithArrow},
    {"ficha.ico", icons::cardWithCheck},
    {"guia.ico", icons::book},
    {"autores.ico", icons::usersWithArrow},
};

constexpr int kWindowIconSizes[] = {16, 24, 32, 48};

// The same drawing at every scale: the painter scales, the drawings keep their own units.
constexpr int kScales[] = {1, 2};

QImage drawIcon(Draw draw, int size, qreal gridUnits)
{
    QImage img = look::transparentCanvas(size, size);
    QPainter p(&img);
    look::prepare(p);
    p.scale(size / gridUnits, size / gridUnits);
    draw(p);
    return img;
}

QImage drawBitmap(const Bitmap &b, int scale)
{
    QImage img = look::whiteCanvas(b.width * scale, b.height * scale);
    QPainter p(&img);
    look::prepare(p);
    p.scale(scale, scale);
    b.draw(p);
    return img;
}

// "volver.png" at scale 2 is "volver@2x.png", the name Qt's high-DPI lookup uses.
QString scaledName(const char *file, int scale)
{
    QString name = QString::fromLatin1(file);
    if (scale != 1)
        name.insert(name.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(scale));
    return name;
}

bool save(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "artwork: cannot write %s\n", qPrintable(f.fileName()));
        return false;
    }
    std::printf("%s\n", qPrintable(f.fileName()));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: artwork <folder>   (normally resources/art)\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "artwork: cannot create %s\n", argv[1]);
        return 1;
    }
    const QString family = QFontInfo(look::font(12)).family();
    if (family != QStringLiteral("DejaVu Sans"))
        std::fprintf(stderr, "artwork: DejaVu Sans is missing, texts fall back to %s\n",
                     qPrintable(family));

    bool ok = true;
    for (int scale : kScales) {
        for (const Bitmap &b : kBitmaps) {
            const QImage img = drawBitmap(b, scale);
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            img.save(&buffer, "PNG");
            ok = save(dir, scaledName(b.file, scale), png) && ok;
        }
        for (const Icon &i : kIcons) {
            const QImage img = drawIcon(i.draw, i.size * scale, i.gridUnits);
            ok = save(dir, scaledName(i.file, scale), ico::file({{img, ico::Depth::Argb32}})) && ok;
        }
        for (const WindowIcon &w : kWindowIcons) {
            QList<ico::Entry> entries;
            for (int size : kWindowIconSizes) {
                const QImage img = drawIcon(w.draw, size * scale, 16);
                entries.append({img, ico::Depth::Colours256});
                entries.append({img, ico::Depth::Argb32});
            }
            ok = save(dir, scaledName(w.file, scale), ico::file(entries)) && ok;
        }
    }
    return ok ? 0 : 1;
}
