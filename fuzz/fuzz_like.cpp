// The LIKE and the Spanish collation that installTextRules puts on a handle, driven through
// SQLite as the queries drive them. An input reads as three parts: the pattern up to the first
// line break, the ESCAPE character up to the second (none when empty), then the text. Besides
// not crashing, a few properties must hold for any text:
//  - LIKE answers as the plain table-filling matcher over the same folded keys;
//  - a text without wildcards matches itself, and '%' + it + '%' matches it;
//  - '%' matches everything;
//  - the collation orders any two texts one way only, and a text equals itself.
#include "db/TextRules.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Engine
{
    sqlite3 *handle = nullptr;
    sqlite3_stmt *like = nullptr;
    sqlite3_stmt *likeEscape = nullptr;
    sqlite3_stmt *order = nullptr;

    Engine()
    {
        if (sqlite3_open(":memory:", &handle) != SQLITE_OK)
            std::abort();
        db::installTextRules(handle);
        prepare("SELECT ?2 LIKE ?1", &like);
        prepare("SELECT ?2 LIKE ?1 ESCAPE ?3", &likeEscape);
        prepare("SELECT ?1 < ?2 COLLATE ES, ?2 < ?1 COLLATE ES, ?1 = ?2 COLLATE ES,"
                " ?1 = ?1 COLLATE ES",
                &order);
    }

    void prepare(const char *sql, sqlite3_stmt **statement)
    {
        if (sqlite3_prepare_v2(handle, sql, -1, statement, nullptr) != SQLITE_OK)
            std::abort();
    }
};

Engine &engine()
{
    static Engine instance; // one handle for the whole run, as the fuzzer calls in a loop
    return instance;
}

void bind(sqlite3_stmt *statement, int index, std::string_view text)
{
    // A null pointer would bind Null, not the empty text.
    sqlite3_bind_text(statement, index, text.empty() ? "" : text.data(),
                      static_cast<int>(text.size()), SQLITE_STATIC);
}

// 1 or 0 for a match; -1 when SQLite refused the statement (a bad ESCAPE).
int like(std::string_view pattern, std::string_view text)
{
    sqlite3_stmt *statement = engine().like;
    bind(statement, 1, pattern);
    bind(statement, 2, text);
    const int rc = sqlite3_step(statement);
    const int result = rc == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
    if (rc == SQLITE_ROW && sqlite3_column_type(statement, 0) != SQLITE_INTEGER)
        std::abort();
    sqlite3_reset(statement);
    return result;
}

void likeEscape(std::string_view pattern, std::string_view text, std::string_view escape)
{
    sqlite3_stmt *statement = engine().likeEscape;
    bind(statement, 1, pattern);
    bind(statement, 2, text);
    bind(statement, 3, escape);
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_ROW && rc != SQLITE_ERROR)
        std::abort();
    sqlite3_reset(statement);
}

void checkOrder(std::string_view a, std::string_view b)
{
    sqlite3_stmt *statement = engine().order;
    bind(statement, 1, a);
    bind(statement, 2, b);
    if (sqlite3_step(statement) != SQLITE_ROW)
        std::abort();
    const int less = sqlite3_column_int(statement, 0);
    const int greater = sqlite3_column_int(statement, 1);
    const int equal = sqlite3_column_int(statement, 2);
    const int self = sqlite3_column_int(statement, 3);
    sqlite3_reset(statement);
    if (less + greater + equal != 1 || self != 1)
        std::abort();
}

// Whole-text wildcard match by dynamic programming, the plainest matcher there is.
bool plainMatch(const std::vector<char32_t> &pattern, const std::vector<char32_t> &text)
{
    std::vector<char> reach(text.size() + 1, 0), next(text.size() + 1, 0);
    reach[0] = 1;
    for (const char32_t p : pattern) {
        for (std::size_t j = 0; j <= text.size(); ++j) {
            if (p == db::like::kAnyRun)
                next[j] = reach[j] || (j > 0 && next[j - 1]);
            else
                next[j] = j > 0 && reach[j - 1] && (p == db::like::kAnyOne || p == text[j - 1]);
        }
        reach.swap(next);
    }
    return reach[text.size()];
}

std::string_view takeLine(std::string_view &rest)
{
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    const std::string_view pattern = takeLine(rest);
    const std::string_view escape = takeLine(rest);
    const std::string_view text = rest;

    if (escape.empty()) {
        const int result = like(pattern, text);
        if (result < 0)
            std::abort();
        const std::vector<char32_t> keys
            = db::like::foldPattern(pattern.data(), static_cast<int>(pattern.size()));
        const std::vector<char32_t> folded
            = db::like::foldText(text.data(), static_cast<int>(text.size()));
        if (keys.size() * folded.size() <= 4000000 && result != int(plainMatch(keys, folded)))
            std::abort();
    } else {
        likeEscape(pattern, text, escape);
    }

    std::string plain;
    for (const char c : text) {
        if (c != '%' && c != '_')
            plain.push_back(c);
    }
    if (like(plain, plain) != 1 || like('%' + plain + '%', plain) != 1 || like("%", text) != 1)
        std::abort();

    checkOrder(pattern, text);
    return 0;
}
