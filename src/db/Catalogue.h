#pragma once

#include <QString>

#include <memory>

struct sqlite3;

namespace db {

// The catalogue file as the engine queries it: an in-memory snapshot with the text rules
// installed, table Ficha's text columns in the Spanish collation and an index that serves
// `order by Titulo`. An unchanged file (same identity, size and times) is read once; later
// calls share the snapshot. The file is only read. Handles are for one thread at a time, as
// the program has only one. Throws orlaneva::Error naming the file.
std::shared_ptr<sqlite3> openCatalogue(const QString &nativePath);

// Adds the title-order index to a snapshot's table Ficha if it lacks one. Idempotent; a
// handle it cannot index (read-only, no such table) is left as it is.
void indexForSearch(sqlite3 *handle);

} // namespace db
