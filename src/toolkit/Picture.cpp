#include "toolkit/Picture.h"

#include "common/Error.h"
#include "common/Paths.h"
#include "toolkit/JpegDecoder.h"
#include "toolkit/PlainFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace tk {

using orlaneva::Error;
namespace ErrorNumber = orlaneva::ErrorNumber;

namespace {

// Catalogues written on Windows name files in any letter case: when the exact path is
// missing, each missing component is matched ignoring case. Unresolvable: the path as given.
QString resolveIgnoringCase(const QString &file)
{
    if (QFileInfo::exists(file))
        return file;
    const QString absolute = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    const QStringList parts = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = QStringLiteral("/");
    for (const QString &part : parts) {
        QString next = QDir(current).filePath(part);
        if (!QFileInfo::exists(next)) {
            const QStringList entries = QDir(current).entryList(
                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
            auto match = std::find_if(entries.begin(), entries.end(), [&](const QString &e) {
                return e.compare(part, Qt::CaseInsensitive) == 0;
            });
            if (match == entries.end())
                return file;
            next = QDir(current).filePath(*match);
        }
        current = next;
    }
    return QDir::toNativeSeparators(current);
}

} // namespace

QImage LoadPicture(const QString &path)
{
    const QString given = orlaneva::nativePath(path);
    const QString file = resolveIgnoringCase(given);
    const QFileInfo info(file);
    if (!info.exists())
        throw Error(ErrorNumber::FileNotFound,
                    QStringLiteral("No se encuentra el archivo de imagen '%1'.").arg(given));
    if (info.isDir())
        throw Error(ErrorNumber::PathNotFound,
                    QStringLiteral("'%1' es una carpeta, no un archivo de imagen.").arg(file));
    const auto notPicture = [&] {
        return Error(ErrorNumber::InvalidPicture,
                     QStringLiteral("'%1' no es un archivo de imagen: es una tubería, un "
                                    "dispositivo o un socket.")
                         .arg(file));
    };
    QFile device;
    const FileKind kind = openPlainFile(file, device);
    if (kind == FileKind::Special)
        throw notPicture();
    if (!device.isOpen())
        throw Error(ErrorNumber::PermissionDenied,
                    QStringLiteral("No se puede leer el archivo de imagen '%1': permiso denegado.")
                        .arg(file));
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        throw Error(ErrorNumber::InvalidPicture,
                    QStringLiteral("El archivo '%1' no es una imagen o su formato no se reconoce.")
                        .arg(file));
    // The header tells the size: a picture too large is refused before any pixel is decoded.
    const QSize size = reader.size();
    const auto tooLarge = [&] {
        return Error(ErrorNumber::OutOfMemory,
                     QStringLiteral("La imagen '%1' es demasiado grande para mostrarla (%2 x %3 "
                                    "píxeles; como mucho %4 píxeles).")
                         .arg(file)
                         .arg(size.width())
                         .arg(size.height())
                         .arg(PictureMaxPixels));
    };
    const auto damaged = [&] {
        return Error(ErrorNumber::InvalidPicture,
                     QStringLiteral("La imagen '%1' no es válida o está dañada.").arg(file));
    };
    if (size.isValid() && qint64(size.width()) * size.height() > PictureMaxPixels)
        throw tooLarge();
    // Photographs go through the toolkit's own decoder (same pixels, less copying); CMYK ones
    // and files of over 1 GiB stay with Qt's streaming reader. The file is read, not mapped:
    // a mapping of a file truncated meanwhile (a share, a copy in progress) ends in SIGBUS.
    QFile source;
    if (reader.format() == "jpeg" && device.size() <= qint64(1) << 30
        && openPlainFile(file, source) == FileKind::Plain && source.isOpen()) {
        const JpegDecode jpeg = decodeJpeg(source.readAll(), PictureMaxPixels);
        if (jpeg.status == JpegDecode::Decoded)
            return jpeg.image;
        if (jpeg.status == JpegDecode::TooLarge)
            throw tooLarge();
        if (jpeg.status == JpegDecode::Damaged)
            throw damaged();
    }
    // Readers that cannot tell the size beforehand allocate within tk::initialize()'s limit.
    QImage image = reader.read();
    if (image.isNull())
        throw damaged();
    return image;
}

} // namespace tk
