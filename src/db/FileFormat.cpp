#include "db/FileFormat.h"

namespace db {

namespace {

quint32 bigEndian(const QByteArray &bytes, int offset, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | static_cast<quint8>(bytes.at(offset + i));
    return value;
}

bool hasAt(const QByteArray &bytes, int offset, QByteArrayView text)
{
    return bytes.size() >= offset + text.size()
        && QByteArrayView(bytes).sliced(offset, text.size()) == text;
}

} // namespace

FileFormat detectFormat(const QByteArray &head)
{
    // Both signatures carry their terminating NUL: "SQLite format 3" followed by text is not
    // a database.
    if (hasAt(head, 0, QByteArrayView("SQLite format 3\0", 16)))
        return FileFormat::SQLite;
    if (hasAt(head, 4, QByteArrayView("Standard ACE DB\0", 16)))
        return FileFormat::Ace;
    if (hasAt(head, 0, QByteArrayView("\0\1\0\0", 4))
        && hasAt(head, 4, QByteArrayView("Standard Jet DB\0", 16)) && head.size() > 0x14) {
        switch (static_cast<quint8>(head.at(0x14))) {
        case 0:
            return FileFormat::Jet3;
        case 1:
            return FileFormat::Jet4;
        default:
            return FileFormat::Ace;
        }
    }
    return FileFormat::Unknown;
}

QString formatName(FileFormat format)
{
    switch (format) {
    case FileFormat::SQLite:
        return QStringLiteral("SQLite 3");
    case FileFormat::Jet3:
        return QStringLiteral("Microsoft Jet 3 (Access 97)");
    case FileFormat::Jet4:
        return QStringLiteral("Microsoft Jet 4 (Access 2000-2003)");
    case FileFormat::Ace:
        return QStringLiteral("Microsoft ACE (Access 2007 o posterior)");
    case FileFormat::Unknown:
        break;
    }
    return QStringLiteral("desconocido");
}

bool isTruncatedSqlite(const QByteArray &head, qint64 fileSize)
{
    if (head.size() < 100)
        return true;
    quint32 pageSize = bigEndian(head, 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return true;
    if (fileSize < pageSize || fileSize % pageSize != 0)
        return true;
    // The page count at offset 28 is only trusted when the change counter (24) matches the
    // version-valid-for number (92), as SQLite itself does.
    const quint32 pageCount = bigEndian(head, 28, 4);
    if (pageCount != 0 && bigEndian(head, 24, 4) == bigEndian(head, 92, 4))
        return fileSize < qint64(pageCount) * pageSize;
    return false;
}

} // namespace db
