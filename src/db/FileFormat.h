#pragma once

#include <QByteArray>
#include <QString>

namespace db {

// The kinds of catalogue file the db layer can read, told by their first bytes (never by the
// file's name: every catalogue is called fichas.mdb).
enum class FileFormat { Unknown, SQLite, Jet3, Jet4, Ace };

// Bytes worth reading from the start of a file to tell its format.
inline constexpr int kFormatProbeSize = 100;

FileFormat detectFormat(const QByteArray &head);

// Spanish name of the format, for messages.
QString formatName(FileFormat format);

// A SQLite file whose header promises more pages than the file holds (a cut-short copy).
// Only meaningful when detectFormat() said SQLite; fileSize is the size on disk.
bool isTruncatedSqlite(const QByteArray &head, qint64 fileSize);

} // namespace db
