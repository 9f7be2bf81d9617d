#pragma once

#include <string>
#include <vector>

struct sqlite3;

namespace db {

// Name of the collation that orders text as a Spanish reader expects.
inline constexpr char kSpanishCollation[] = "ES";

// Registers on a handle the LIKE that ignores case and accents (wildcards % and _ only)
// and the Spanish collation. Every handle the db layer queries gets these.
void installTextRules(sqlite3 *handle);

// Bytes whose order (memcmp, then the shorter first) is the Spanish collation's order of the
// UTF-8 texts they stand for: computed once per text, they sort it with plain comparisons.
std::string spanishSortKey(const char *utf8, int size);

// What LIKE compares: texts and patterns folded into keys (case and accents gone, ñ kept),
// the pattern's wildcards as markers. Open so that a plain matcher can check the real one.
namespace like {
inline constexpr char32_t kAnyRun = 0xFFFFFFFF; // %, consecutive ones as one
inline constexpr char32_t kAnyOne = 0xFFFFFFFE; // _
std::vector<char32_t> foldPattern(const char *utf8, int size, char32_t escape = 0);
std::vector<char32_t> foldText(const char *utf8, int size);
} // namespace like

} // namespace db
