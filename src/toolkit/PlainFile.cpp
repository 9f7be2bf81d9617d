#include "toolkit/PlainFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tk {

namespace {

FileKind kindOf(const struct stat &info)
{
    if (S_ISREG(info.st_mode))
        return FileKind::Plain;
    if (S_ISDIR(info.st_mode))
        return FileKind::Folder;
    return FileKind::Special;
}

bool isResource(const QString &path)
{
    return path.startsWith(QLatin1Char(':'));
}

} // namespace

FileKind fileKind(const QString &path)
{
    if (isResource(path))
        return QFile::exists(path) ? FileKind::Plain : FileKind::Missing;
    struct stat info;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return FileKind::Missing;
    return kindOf(info);
}

FileKind openPlainFile(const QString &path, QFile &file)
{
    if (isResource(path)) {
        file.setFileName(path);
        return file.open(QIODevice::ReadOnly) ? FileKind::Plain : FileKind::Missing;
    }
    // A device is not even opened: opening some of them already does something.
    const FileKind before = fileKind(path);
    if (before != FileKind::Plain)
        return before;
    const int fd
        = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? FileKind::Missing : FileKind::Plain;
    struct stat info;
    const FileKind opened = ::fstat(fd, &info) == 0 ? kindOf(info) : FileKind::Special;
    if (opened != FileKind::Plain) {
        ::close(fd);
        return opened;
    }
    // Plain files do not block anyway; reads stay as they would be without the flag.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        errno = EIO;
        return FileKind::Plain;
    }
    return FileKind::Plain;
}

} // namespace tk
