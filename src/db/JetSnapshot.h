#pragma once

#include <QString>

#include <memory>

struct sqlite3;

namespace db::jet {

// The tables of a Jet (Access) file, read with libmdb into an in-memory SQLite database
// whose text columns carry the Spanish collation. An unchanged file (same identity, size and
// modification time) is read once; later calls share the snapshot. Throws orlaneva::Error.
std::shared_ptr<sqlite3> openSnapshot(const QString &nativePath);

} // namespace db::jet
