#include "db/TextRules.h"

#include <QChar>
#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace db {

namespace {

// What one code point means to matching and ordering. Built from Qt's Unicode tables, one
// 256-code-point page at a time on first use, so the cost stays with the scripts in use.
struct Entry
{
    char32_t key = 0; // folded for matching: lower case, base letter; 0 = ignorable mark
    quint32 weight = 0; // primary sort weight of the key; 0 = ignored when ordering
    char32_t caseOnly = 0; // lower case with the accents kept: the tie-break between equals
    qint8 digit = -1; // decimal digit value, for ordering numbers by value
};

using Page = std::array<Entry, 256>;

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kEnye = 0x00F1;
constexpr char32_t kNulKey = 0x110000;

// Primary weights, by class: blanks sort first, then numbers, then letters. Punctuation and
// symbols get no primary weight, so "¿Qué...?" files under Q and «El...» under E.
constexpr quint32 kBlankWeight = 1u << 24;
constexpr quint32 kDigitWeight = 2u << 24;
constexpr quint32 kLetterWeight = 3u << 24;

char32_t baseLetter(char32_t c)
{
    // Ñ is a letter of its own in Spanish, not an accented N.
    if (c == 0x00D1 || c == kEnye)
        return kEnye;
    // Decomposing a Hangul syllable would leave only its first consonant.
    if (c >= 0xAC00 && c <= 0xD7A3)
        return c;
    while (QChar::decompositionTag(c) == QChar::Canonical) {
        const QString parts = QChar::decomposition(c);
        if (parts.isEmpty())
            break;
        const char32_t first = parts.at(0).isHighSurrogate() && parts.size() > 1
            ? QChar::surrogateToUcs4(parts.at(0), parts.at(1))
            : parts.at(0).unicode();
        if (first == c)
            break;
        c = first;
    }
    return c;
}

Entry makeEntry(char32_t c)
{
    Entry e;
    if (c >= 0xD800 && c <= 0xDFFF)
        c = kReplacement;
    e.caseOnly = QChar::toCaseFolded(c);
    const QChar::Category category = QChar::category(c);
    if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing)
        return e; // accents typed as separate marks are ignored like precomposed ones
    e.key = QChar::toCaseFolded(baseLetter(c));
    if (e.key == 0x00D1)
        e.key = kEnye;
    if (e.key == 0)
        e.key = kNulKey; // U+0000 is a character like any other, not an ignorable mark

    if (QChar::isSpace(c)) {
        e.weight = kBlankWeight;
    } else if (category == QChar::Number_DecimalDigit) {
        e.digit = static_cast<qint8>(QChar::digitValue(c));
        e.weight = kDigitWeight;
    } else if (QChar::isLetterOrNumber(e.key)) {
        // Latin letters in the Spanish alphabet's order, ñ after n; other scripts after z,
        // by code point.
        const char32_t k = e.key;
        quint32 rank;
        if (k >= 'a' && k <= 'n')
            rank = 1 + (k - 'a');
        else if (k == kEnye)
            rank = 15;
        else if (k >= 'o' && k <= 'z')
            rank = 16 + (k - 'o');
        else
            rank = 0x100 + k;
        e.weight = kLetterWeight | rank;
    }
    return e;
}

constexpr std::size_t kPageCount = (kLastCodePoint + 1) / 256;
std::array<std::atomic<const Page *>, kPageCount> pages{};
std::mutex pagesMutex;

const Page &buildPage(std::size_t index)
{
    const std::lock_guard lock(pagesMutex);
    if (const Page *page = pages[index].load(std::memory_order_acquire))
        return *page;
    auto *page = new Page; // lives as long as the program, like Qt's own tables
    for (char32_t i = 0; i < 256; ++i)
        (*page)[i] = makeEntry(char32_t(index * 256 + i));
    pages[index].store(page, std::memory_order_release);
    return *page;
}

// Most text is Latin-1: its page is built before main and read directly.
const Page &latin1 = buildPage(0);

inline const Entry &entryFor(char32_t c)
{
    if (c < 256)
        return latin1[c];
    if (c > kLastCodePoint)
        c = kReplacement;
    const std::size_t index = c >> 8;
    const Page *page = pages[index].load(std::memory_order_acquire);
    return (*(page ? page : &buildPage(index)))[c & 0xFF];
}

// Decodes UTF-8 leniently: a malformed byte reads as U+FFFD and decoding goes on.
class Utf8Reader
{
public:
    Utf8Reader(const void *data, int size)
        : m_p(static_cast<const unsigned char *>(data)), m_end(m_p + (size > 0 ? size : 0))
    { }

    bool atEnd() const { return m_p >= m_end; }
    const unsigned char *position() const { return m_p; }

    char32_t next()
    {
        const unsigned char b = *m_p++;
        if (b < 0x80)
            return b;
        int extra;
        char32_t c;
        if (b >= 0xF0 && b < 0xF5) {
            extra = 3;
            c = b & 0x07;
        } else if (b >= 0xE0) {
            extra = 2;
            c = b & 0x0F;
        } else if (b >= 0xC2 && b < 0xE0) {
            extra = 1;
            c = b & 0x1F;
        } else {
            return kReplacement;
        }
        if (m_end - m_p < extra)
            return kReplacement;
        for (int i = 0; i < extra; ++i) {
            if ((m_p[i] & 0xC0) != 0x80)
                return kReplacement;
            c = (c << 6) | (m_p[i] & 0x3F);
        }
        m_p += extra;
        return c;
    }

    // A combining tilde comes next (U+0303, bytes CC 83): "n" + tilde spells ñ.
    bool takeTilde()
    {
        if (m_end - m_p >= 2 && m_p[0] == 0xCC && m_p[1] == 0x83) {
            m_p += 2;
            return true;
        }
        return false;
    }

private:
    const unsigned char *m_p;
    const unsigned char *m_end;
};

// The next character that counts, with ignorable marks dropped; nullptr at the end.
inline const Entry *nextEntry(Utf8Reader &reader)
{
    while (!reader.atEnd()) {
        const Entry &e = entryFor(reader.next());
        if (e.key == 0)
            continue;
        if (e.key == 'n' && reader.takeTilde())
            return &entryFor(kEnye);
        return &e;
    }
    return nullptr;
}

// ---- Ordering ----

// Ordering entries: as nextEntry, but without those that carry no primary weight.
inline const Entry *nextWeighted(Utf8Reader &reader)
{
    while (const Entry *e = nextEntry(reader)) {
        if (e->weight != 0)
            return e;
    }
    return nullptr;
}

// A run of digits, read whole, without its leading zeros. Returns the first entry after it.
const Entry *readNumber(Utf8Reader &reader, const Entry *first, std::string &digits, int &zeros)
{
    digits.clear();
    zeros = 0;
    const Entry *e = first;
    while (e && e->digit >= 0) {
        if (e->digit == 0 && digits.empty())
            ++zeros;
        else
            digits.push_back(char('0' + e->digit));
        e = nextWeighted(reader);
    }
    return e;
}

int comparePrimary(const void *a, int na, const void *b, int nb)
{
    Utf8Reader ra(a, na), rb(b, nb);
    const Entry *ea = nextWeighted(ra);
    const Entry *eb = nextWeighted(rb);
    std::string da, db;
    while (ea && eb) {
        if (ea->digit >= 0 && eb->digit >= 0) {
            // Numbers sort by value: "Unidad 2" before "Unidad 10".
            int za, zb;
            ea = readNumber(ra, ea, da, za);
            eb = readNumber(rb, eb, db, zb);
            if (da.size() != db.size())
                return da.size() < db.size() ? -1 : 1;
            if (const int c = da.compare(db))
                return c < 0 ? -1 : 1;
            continue;
        }
        if (ea->weight != eb->weight)
            return ea->weight < eb->weight ? -1 : 1;
        ea = nextWeighted(ra);
        eb = nextWeighted(rb);
    }
    if (ea || eb)
        return ea ? 1 : -1;
    return 0;
}

// Between texts equal to a reader: unaccented before accented, then punctuation, then the
// bytes themselves, so that only identical texts compare equal.
int compareTies(const void *a, int na, const void *b, int nb)
{
    Utf8Reader ra(a, na), rb(b, nb);
    while (!ra.atEnd() && !rb.atEnd()) {
        const char32_t ca = entryFor(ra.next()).caseOnly;
        const char32_t cb = entryFor(rb.next()).caseOnly;
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (!ra.atEnd() || !rb.atEnd())
        return ra.atEnd() ? -1 : 1;
    const int c = std::memcmp(a, b, std::size_t(std::min(na, nb)));
    if (c != 0)
        return c < 0 ? -1 : 1;
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

int compareSpanish(void *, int na, const void *a, int nb, const void *b)
{
    if (const int c = comparePrimary(a, na, b, nb))
        return c;
    return compareTies(a, na, b, nb);
}

// ---- Matching ----

// A LIKE pattern folded once per statement: literal keys, with two markers for the wildcards.
constexpr char32_t kAnyRun = 0xFFFFFFFF;
constexpr char32_t kAnyOne = 0xFFFFFFFE;

struct Pattern
{
    char32_t escape = 0;
    std::vector<char32_t> keys;
    // '%word%', the form every search statement uses: a plain substring search.
    bool contains = false;
    std::vector<char32_t> word;
    bool latinWord = false; // every key of word below 0xFF: searched in FoldedBytes
    std::string wordBytes;
};

Pattern compilePattern(const unsigned char *text, int size, char32_t escape)
{
    Pattern p;
    p.escape = escape;
    Utf8Reader reader(text, size);
    bool escaped = false;
    while (!reader.atEnd()) {
        const char32_t c = reader.next();
        if (!escaped && escape != 0 && c == escape) {
            escaped = true;
            continue;
        }
        if (!escaped && c == '%') {
            if (p.keys.empty() || p.keys.back() != kAnyRun)
                p.keys.push_back(kAnyRun);
            continue;
        }
        if (!escaped && c == '_') {
            p.keys.push_back(kAnyOne);
            continue;
        }
        escaped = false;
        const Entry &e = entryFor(c);
        if (e.key == 0)
            continue;
        p.keys.push_back(e.key == 'n' && reader.takeTilde() ? kEnye : e.key);
    }
    if (p.keys.size() >= 2 && p.keys.front() == kAnyRun && p.keys.back() == kAnyRun
        && std::none_of(p.keys.begin() + 1, p.keys.end() - 1,
                        [](char32_t k) { return k == kAnyRun || k == kAnyOne; })) {
        p.contains = true;
        p.word.assign(p.keys.begin() + 1, p.keys.end() - 1);
        p.latinWord
            = std::all_of(p.word.begin(), p.word.end(), [](char32_t k) { return k < 0xFF; });
        if (p.latinWord) {
            for (char32_t k : p.word)
                p.wordBytes.push_back(static_cast<char>(k));
        }
    }
    return p;
}

// ASCII keys, for the common case of plain ASCII text: lower case; NUL keeps a key.
constexpr std::array<char32_t, 128> kAsciiKeys = [] {
    std::array<char32_t, 128> keys{};
    for (char32_t c = 0; c < 128; ++c)
        keys[c] = c >= 'A' && c <= 'Z' ? c + 32 : c;
    keys[0] = kNulKey;
    return keys;
}();

// A text folded into keys once per row; most values fit the stack buffer.
class FoldedText
{
public:
    FoldedText(const unsigned char *text, int size)
    {
        m_keys = m_buffer.data();
        const unsigned char *p = text;
        const unsigned char *end = text + (size > 0 ? size : 0);
        const unsigned char *markEnd = nullptr; // where the last ignorable mark ended
        while (p < end) {
            if (m_size == m_capacity)
                grow();
            if (*p < 0x80) {
                m_keys[m_size++] = kAsciiKeys[*p++];
                continue;
            }
            const unsigned char *start = p;
            Utf8Reader reader(p, int(end - p));
            const char32_t c = reader.next();
            p = reader.position();
            const Entry &e = entryFor(c);
            if (e.key != 0) {
                m_keys[m_size++] = e.key;
            } else {
                // "n" and a combining tilde right after it spell ñ, as the pattern reads them;
                // after another mark the tilde is a mark like it.
                if (c == 0x0303 && start != markEnd && m_size > 0 && m_keys[m_size - 1] == 'n')
                    m_keys[m_size - 1] = kEnye;
                markEnd = p;
            }
        }
    }
    FoldedText(const FoldedText &) = delete;
    FoldedText &operator=(const FoldedText &) = delete;

    const char32_t *begin() const { return m_keys; }
    const char32_t *end() const { return m_keys + m_size; }

private:
    void grow()
    {
        if (m_keys == m_buffer.data())
            m_heap.assign(m_buffer.begin(), m_buffer.begin() + std::ptrdiff_t(m_size));
        m_heap.resize(m_capacity * 2);
        m_keys = m_heap.data();
        m_capacity = m_heap.size();
    }

    std::array<char32_t, 256> m_buffer;
    std::vector<char32_t> m_heap;
    char32_t *m_keys = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 256;
};

// The same keys as bytes, for '%word%' patterns whose keys all lie below 256 (Latin text):
// a key above that can never be part of such a match and reads as 0xFF, which no key is.
class FoldedBytes
{
public:
    FoldedBytes(const unsigned char *text, int size)
    {
        m_bytes = m_buffer.data();
        const unsigned char *p = text;
        const unsigned char *end = text + (size > 0 ? size : 0);
        const unsigned char *markEnd = nullptr;
        while (p < end) {
            if (m_size == m_capacity)
                grow();
            if (*p < 0x80) {
                const unsigned char b = *p++;
                m_bytes[m_size++] = b >= 'A' && b <= 'Z' ? b + 32 : b;
                continue;
            }
            const unsigned char *start = p;
            Utf8Reader reader(p, int(end - p));
            const char32_t c = reader.next();
            p = reader.position();
            const char32_t key = entryFor(c).key;
            if (key != 0) {
                m_bytes[m_size++] = key < 0xFF ? static_cast<unsigned char>(key) : 0xFF;
            } else {
                if (c == 0x0303 && start != markEnd && m_size > 0 && m_bytes[m_size - 1] == 'n')
                    m_bytes[m_size - 1] = static_cast<unsigned char>(kEnye);
                markEnd = p;
            }
        }
    }
    FoldedBytes(const FoldedBytes &) = delete;
    FoldedBytes &operator=(const FoldedBytes &) = delete;

    const unsigned char *data() const { return m_bytes; }
    std::size_t size() const { return m_size; }

private:
    void grow()
    {
        if (m_bytes == m_buffer.data())
            m_heap.assign(m_buffer.begin(), m_buffer.begin() + std::ptrdiff_t(m_size));
        m_heap.resize(m_capacity * 2);
        m_bytes = m_heap.data();
        m_capacity = m_heap.size();
    }

    std::array<unsigned char, 512> m_buffer;
    std::vector<unsigned char> m_heap;
    unsigned char *m_bytes = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 512;
};

// Wildcard match with backtracking to the last %: linear for the usual patterns.
bool matches(const std::vector<char32_t> &pattern, const char32_t *text, const char32_t *end)
{
    const std::size_t np = pattern.size();
    std::size_t p = 0;
    std::size_t starP = std::size_t(-1);
    const char32_t *starT = nullptr;
    const char32_t *t = text;
    while (t < end) {
        if (p < np && pattern[p] == kAnyRun) {
            starP = ++p;
            starT = t;
            if (p == np)
                return true;
            continue;
        }
        if (p < np && (pattern[p] == kAnyOne || pattern[p] == *t)) {
            ++p;
            ++t;
            continue;
        }
        if (starP == std::size_t(-1))
            return false;
        p = starP;
        t = ++starT;
    }
    while (p < np && pattern[p] == kAnyRun)
        ++p;
    return p == np;
}

void deletePattern(void *p)
{
    delete static_cast<Pattern *>(p);
}

void likeFunction(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return; // Null in, Null out, as SQL's LIKE
    }
    char32_t escape = 0;
    if (argc == 3) {
        const auto *e = sqlite3_value_text(argv[2]);
        const int n = sqlite3_value_bytes(argv[2]);
        Utf8Reader reader(e, n);
        if (!reader.atEnd())
            escape = reader.next();
        if (escape == 0 || !reader.atEnd()) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
    }
    const auto *patternText = sqlite3_value_text(argv[0]);
    const int patternSize = sqlite3_value_bytes(argv[0]);
    auto *pattern = static_cast<Pattern *>(sqlite3_get_auxdata(context, 0));
    // SQLite keeps the compiled pattern while the pattern argument stays the same.
    if (!pattern || pattern->escape != escape) {
        pattern = new Pattern(compilePattern(patternText, patternSize, escape));
        sqlite3_set_auxdata(context, 0, pattern, deletePattern);
        pattern = static_cast<Pattern *>(sqlite3_get_auxdata(context, 0));
        if (!pattern) {
            sqlite3_result_error_nomem(context);
            return;
        }
    }
    const auto *text = sqlite3_value_text(argv[1]);
    const int textSize = sqlite3_value_bytes(argv[1]);
    if (pattern->latinWord) {
        const FoldedBytes folded(text, textSize);
        const bool found = pattern->wordBytes.empty()
            || memmem(folded.data(), folded.size(), pattern->wordBytes.data(),
                      pattern->wordBytes.size())
                != nullptr;
        sqlite3_result_int(context, found ? 1 : 0);
        return;
    }
    const FoldedText folded(text, textSize);
    const bool found = pattern->contains
        ? std::search(folded.begin(), folded.end(), pattern->word.begin(), pattern->word.end())
            != folded.end()
        : matches(pattern->keys, folded.begin(), folded.end());
    sqlite3_result_int(context, found ? 1 : 0);
}

} // namespace

void installTextRules(sqlite3 *handle)
{
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function(handle, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_function(handle, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_collation(handle, kSpanishCollation, SQLITE_UTF8, nullptr, compareSpanish);
}

} // namespace db
