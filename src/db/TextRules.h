#pragma once

struct sqlite3;

namespace db {

// Name of the collation that orders text as a Spanish reader expects.
inline constexpr char kSpanishCollation[] = "ES";

// Registers on a handle the LIKE that ignores case and accents (wildcards % and _ only)
// and the Spanish collation. Every handle the db layer queries gets these.
void installTextRules(sqlite3 *handle);

} // namespace db
