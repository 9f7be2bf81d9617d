#pragma once

#include "jetwriter/JetWriter.h"

#include <QString>

namespace jetwriter {

// Writes the tables of a SQLite file as a Jet 4 file, rows in rowid order, columns in their
// order: INTEGER as Long, REAL as Double, text as Text, or as Memo where a value is longer
// than 255 characters. Null stays Null. Throws std::runtime_error.
void copyFromSqlite(const QString &sqlitePath, const QString &jetPath, const Options &options = {});

} // namespace jetwriter
