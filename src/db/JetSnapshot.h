#pragma once

#include <QString>

#include <memory>

struct sqlite3;

namespace db::jet {

// The tables of a Jet (Access) file, read with libmdb into an in-memory SQLite database
// whose text columns carry the Spanish collation: every user table, or only the one named
// (in any letter case). The file is one Catalogue has checked; this reads its format.
// Throws orlaneva::Error.
std::shared_ptr<sqlite3> readSnapshot(const QString &nativePath, qint64 fileSize,
                                      const QString &onlyTable = {});
// The same for a file of any size, every table.
std::shared_ptr<sqlite3> readSnapshot(const QString &nativePath);

} // namespace db::jet
