#include "db/TextRules.h"

#include <QChar>
#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
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

// Where two texts may be compared from: the end of the bytes they share, backed up to just after
// a letter or a blank (n excepted, a combining tilde may follow it). What comes before such a
// point reads the same in both, and no number, ñ or character runs across it.
std::size_t sharedStart(const unsigned char *a, std::size_t na, const unsigned char *b,
                        std::size_t nb, bool *identical)
{
    const std::size_t n = std::min(na, nb);
    std::size_t cut = 0;
    std::size_t i = 0;
    for (; i < n && a[i] == b[i]; ++i) {
        const unsigned char c = a[i];
        if (c < 0x80 && latin1[c].weight != 0 && latin1[c].digit < 0 && (c | 0x20) != 'n')
            cut = i + 1;
    }
    *identical = i == na && na == nb;
    return cut;
}

// Texts mostly differ within plain ASCII letters: compared here byte by byte while both sides
// hold one. Returns the order when found, else 0 with *at where the full reading takes over.
int comparePrimaryAscii(const unsigned char *a, std::size_t na, const unsigned char *b,
                        std::size_t nb, std::size_t *at)
{
    std::size_t i = *at;
    for (; i < na && i < nb; ++i) {
        const unsigned char ca = a[i];
        const unsigned char cb = b[i];
        if ((ca | cb) >= 0x80)
            break;
        const Entry &ea = latin1[ca];
        const Entry &eb = latin1[cb];
        if (ea.weight == 0 || eb.weight == 0 || ea.digit >= 0 || eb.digit >= 0)
            break;
        if (((ca | 0x20) == 'n' && i + 1 < na && a[i + 1] == 0xCC)
            || ((cb | 0x20) == 'n' && i + 1 < nb && b[i + 1] == 0xCC))
            break;
        if (ea.weight != eb.weight)
            return ea.weight < eb.weight ? -1 : 1;
    }
    *at = i;
    return 0;
}

int compareSpanish(void *, int na, const void *a, int nb, const void *b)
{
    const auto *pa = static_cast<const unsigned char *>(a);
    const auto *pb = static_cast<const unsigned char *>(b);
    const std::size_t sa = std::size_t(std::max(na, 0));
    const std::size_t sb = std::size_t(std::max(nb, 0));
    bool identical = false;
    const std::size_t start = sharedStart(pa, sa, pb, sb, &identical);
    if (identical)
        return 0;
    std::size_t at = start;
    if (const int c = comparePrimaryAscii(pa, sa, pb, sb, &at))
        return c;
    if (const int c = comparePrimary(pa + at, int(sa - at), pb + at, int(sb - at)))
        return c;
    return compareTies(pa + start, int(sa - start), pb + start, int(sb - start));
}

void appendBigEndian(std::string &out, quint32 value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(char((value >> shift) & 0xFF));
}

// ---- Matching ----

// A LIKE pattern is folded once per statement into literal keys and the two wildcard markers
// (like::kAnyRun, like::kAnyOne), then split at its % into segments.
using like::kAnyOne;
using like::kAnyRun;

constexpr std::size_t kNotFound = std::size_t(-1);

// Where a run of literal keys (no wildcard) first occurs: Knuth-Morris-Pratt, so that no text
// costs more than a pass over it, whatever repeats in the word.
class LiteralSearch
{
public:
    explicit LiteralSearch(const char32_t *word, std::size_t size) : m_word(word, word + size)
    {
        m_fallback.assign(size, 0);
        for (std::size_t i = 1, k = 0; i < size; ++i) {
            while (k > 0 && m_word[i] != m_word[k])
                k = m_fallback[k - 1];
            if (m_word[i] == m_word[k])
                ++k;
            m_fallback[i] = k;
        }
    }

    std::size_t size() const { return m_word.size(); }

    std::size_t find(const char32_t *text, std::size_t from, std::size_t end) const
    {
        const std::size_t m = m_word.size();
        for (std::size_t i = from, k = 0; i < end; ++i) {
            while (k > 0 && text[i] != m_word[k])
                k = m_fallback[k - 1];
            if (text[i] == m_word[k] && ++k == m)
                return i + 1 - m;
        }
        return kNotFound;
    }

private:
    std::vector<char32_t> m_word;
    std::vector<std::size_t> m_fallback;
};

// Where a run of literal keys and _ first occurs: the shift-and automaton, one bit per key of
// the run, so a text costs its length times the run's length / 64. A key that occurs often in
// the run has a mask of its own; the rest keep their positions, which cost less than a mask.
class WildcardSearch
{
public:
    WildcardSearch(const char32_t *run, std::size_t size)
        : m_size(size), m_words((size + 63) / 64), m_any(m_words, 0), m_state(m_words, 0)
    {
        std::vector<std::pair<char32_t, std::uint32_t>> keyed;
        for (std::size_t i = 0; i < size; ++i) {
            if (run[i] == kAnyOne)
                m_any[i / 64] |= std::uint64_t(1) << (i % 64);
            else
                keyed.emplace_back(run[i], std::uint32_t(i));
        }
        std::sort(keyed.begin(), keyed.end());
        for (std::size_t i = 0; i < keyed.size();) {
            std::size_t j = i;
            while (j < keyed.size() && keyed[j].first == keyed[i].first)
                ++j;
            Key key;
            if (j - i >= m_words) {
                key.mask = std::uint32_t(m_masks.size() / m_words);
                m_masks.insert(m_masks.end(), m_any.begin(), m_any.end());
                std::uint64_t *mask = m_masks.data() + std::size_t(key.mask) * m_words;
                for (std::size_t k = i; k < j; ++k)
                    mask[keyed[k].second / 64] |= std::uint64_t(1) << (keyed[k].second % 64);
            } else {
                key.first = std::uint32_t(m_positions.size());
                for (std::size_t k = i; k < j; ++k)
                    m_positions.push_back(keyed[k].second);
                key.count = std::uint32_t(j - i);
            }
            m_keys.emplace_back(keyed[i].first, key);
            i = j;
        }
    }

    std::size_t size() const { return m_size; }

    std::size_t find(const char32_t *text, std::size_t from, std::size_t end) const
    {
        std::fill(m_state.begin(), m_state.end(), 0);
        std::uint64_t *state = m_state.data();
        const std::size_t last = (m_size - 1) / 64;
        const std::uint64_t lastBit = std::uint64_t(1) << ((m_size - 1) % 64);
        for (std::size_t i = from; i < end; ++i) {
            const Key *key = lookup(text[i]);
            const std::uint64_t *allowed = key && key->mask != kNoMask
                ? m_masks.data() + std::size_t(key->mask) * m_words
                : m_any.data();
            // Shift in a 1 (a match may start here) and keep what the key allows; a key with
            // positions of its own adds those the shifted state reaches.
            std::uint64_t carry = 1;
            for (std::size_t w = 0; w < m_words; ++w) {
                const std::uint64_t word = state[w];
                const std::uint64_t shifted = (word << 1) | carry;
                carry = word >> 63;
                m_shifted[w] = shifted;
                state[w] = shifted & allowed[w];
            }
            if (key && key->count > 0) {
                for (std::uint32_t k = key->first; k < key->first + key->count; ++k) {
                    const std::uint32_t bit = m_positions[k];
                    state[bit / 64] |= m_shifted[bit / 64] & (std::uint64_t(1) << (bit % 64));
                }
            }
            if (state[last] & lastBit)
                return i + 1 - m_size;
        }
        return kNotFound;
    }

private:
    static constexpr std::uint32_t kNoMask = std::uint32_t(-1);
    struct Key
    {
        std::uint32_t mask = kNoMask;
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };

    const Key *lookup(char32_t c) const
    {
        const auto found = std::lower_bound(
            m_keys.begin(), m_keys.end(), c,
            [](const std::pair<char32_t, Key> &entry, char32_t k) { return entry.first < k; });
        return found != m_keys.end() && found->first == c ? &found->second : nullptr;
    }

    std::size_t m_size;
    std::size_t m_words;
    std::vector<std::uint64_t> m_any; // the positions of _
    std::vector<std::uint64_t> m_masks; // per frequent key: its positions and those of _
    std::vector<std::uint32_t> m_positions; // per other key: its positions
    std::vector<std::pair<char32_t, Key>> m_keys; // sorted by key
    mutable std::vector<std::uint64_t> m_state;
    mutable std::vector<std::uint64_t> m_shifted = std::vector<std::uint64_t>(m_words, 0);
};

// The keys between two %: its _ at either end only shift where the rest may lie.
class Segment
{
public:
    Segment(const char32_t *keys, std::size_t size) : m_keys(keys, keys + size)
    {
        while (m_lead < size && keys[m_lead] == kAnyOne)
            ++m_lead;
        while (m_trail < size - m_lead && keys[size - 1 - m_trail] == kAnyOne)
            ++m_trail;
        const char32_t *core = keys + m_lead;
        const std::size_t coreSize = size - m_lead - m_trail;
        if (coreSize == 0)
            return;
        if (std::find(core, core + coreSize, kAnyOne) == core + coreSize)
            m_literal.emplace(core, coreSize);
        else
            m_wildcard.emplace(core, coreSize);
    }

    std::size_t size() const { return m_keys.size(); }

    bool matchesAt(const char32_t *text) const
    {
        for (std::size_t i = 0; i < m_keys.size(); ++i) {
            if (m_keys[i] != kAnyOne && m_keys[i] != text[i])
                return false;
        }
        return true;
    }

    // The left-most start from `from` on of a match that ends by `end`.
    std::size_t find(const char32_t *text, std::size_t from, std::size_t end) const
    {
        if (end < from || end - from < m_keys.size())
            return kNotFound;
        const std::size_t coreFrom = from + m_lead;
        const std::size_t coreEnd = end - m_trail;
        std::size_t at = coreFrom;
        if (m_literal)
            at = m_literal->find(text, coreFrom, coreEnd);
        else if (m_wildcard)
            at = m_wildcard->find(text, coreFrom, coreEnd);
        return at == kNotFound ? kNotFound : at - m_lead;
    }

private:
    std::vector<char32_t> m_keys;
    std::size_t m_lead = 0;
    std::size_t m_trail = 0;
    std::optional<LiteralSearch> m_literal;
    std::optional<WildcardSearch> m_wildcard;
};

// The whole pattern: an anchored first segment unless it starts with %, an anchored last one
// unless it ends with %, and between them each segment at its left-most place after the one
// before. Left-most is always right: a later place only leaves less text to the rest.
class Matcher
{
public:
    explicit Matcher(const std::vector<char32_t> &keys)
    {
        m_anyRun = std::find(keys.begin(), keys.end(), kAnyRun) != keys.end();
        m_openStart = !keys.empty() && keys.front() == kAnyRun;
        m_openEnd = !keys.empty() && keys.back() == kAnyRun;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= keys.size(); ++i) {
            if (i == keys.size() || keys[i] == kAnyRun) {
                if (i > start || !m_anyRun) {
                    m_segments.emplace_back(keys.data() + start, i - start);
                    m_minimum += i - start;
                }
                start = i + 1;
            }
        }
        if (m_anyRun) {
            // An empty first or last segment would be anchored to nothing.
            m_openStart = m_openStart || m_segments.empty();
            m_openEnd = m_openEnd || m_segments.empty();
        }
    }

    bool matches(const char32_t *text, std::size_t size) const
    {
        if (size < m_minimum)
            return false;
        if (!m_anyRun)
            return size == m_minimum && m_segments.front().matchesAt(text);
        std::size_t first = 0;
        std::size_t last = m_segments.size();
        std::size_t from = 0;
        std::size_t end = size;
        if (!m_openStart) {
            if (!m_segments.front().matchesAt(text))
                return false;
            from = m_segments.front().size();
            ++first;
        }
        if (!m_openEnd) {
            const Segment &s = m_segments.back();
            if (end - from < s.size() || !s.matchesAt(text + end - s.size()))
                return false;
            end -= s.size();
            --last;
        }
        for (std::size_t i = first; i < last; ++i) {
            const std::size_t at = m_segments[i].find(text, from, end);
            if (at == kNotFound)
                return false;
            from = at + m_segments[i].size();
        }
        return true;
    }

private:
    std::vector<Segment> m_segments;
    std::size_t m_minimum = 0; // keys a text needs at least: every key but %
    bool m_anyRun = false;
    bool m_openStart = false;
    bool m_openEnd = false;
};

struct Pattern
{
    char32_t escape = 0;
    std::vector<char32_t> keys;
    // '%word%', the form every search statement uses, over Latin keys: a byte search.
    bool latinWord = false;
    std::string wordBytes;
    std::optional<Matcher> matcher;
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
    if (p.keys.size() >= 3 && p.keys.front() == kAnyRun && p.keys.back() == kAnyRun
        && std::all_of(p.keys.begin() + 1, p.keys.end() - 1, [](char32_t k) { return k < 0xFF; })) {
        p.latinWord = true;
        for (auto k = p.keys.begin() + 1; k != p.keys.end() - 1; ++k)
            p.wordBytes.push_back(static_cast<char>(*k));
    } else {
        p.matcher.emplace(p.keys);
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
    std::size_t size() const { return m_size; }

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
        // glibc's memmem is linear in the text, whatever the word.
        const bool found = memmem(folded.data(), folded.size(), pattern->wordBytes.data(),
                                  pattern->wordBytes.size())
            != nullptr;
        sqlite3_result_int(context, found ? 1 : 0);
        return;
    }
    const FoldedText folded(text, textSize);
    const bool found = pattern->matcher->matches(folded.begin(), folded.size());
    sqlite3_result_int(context, found ? 1 : 0);
}

} // namespace

std::string spanishSortKey(const char *utf8, int size)
{
    // The three readings of compareSpanish, one after the other: primary weights (a number as
    // its class, its length and its digits), a terminator below any weight; the tie-break's
    // characters (each + 1, so the terminator stays below them); the bytes.
    std::string key;
    key.reserve(std::size_t(std::max(size, 0)) * 8 + 8);
    Utf8Reader reader(utf8, size);
    const Entry *e = nextWeighted(reader);
    std::string digits;
    int zeros = 0;
    while (e) {
        if (e->digit >= 0) {
            e = readNumber(reader, e, digits, zeros);
            appendBigEndian(key, kDigitWeight >> 24, 1);
            appendBigEndian(key, quint32(digits.size()), 4);
            key += digits;
            continue;
        }
        appendBigEndian(key, e->weight, 4);
        e = nextWeighted(reader);
    }
    key.push_back('\0');
    Utf8Reader ties(utf8, size);
    while (!ties.atEnd())
        appendBigEndian(key, quint32(entryFor(ties.next()).caseOnly) + 1, 3);
    key.append(3, '\0');
    key.append(utf8, std::size_t(std::max(size, 0)));
    return key;
}

namespace like {

std::vector<char32_t> foldPattern(const char *utf8, int size, char32_t escape)
{
    return compilePattern(reinterpret_cast<const unsigned char *>(utf8), size, escape).keys;
}

std::vector<char32_t> foldText(const char *utf8, int size)
{
    const FoldedText folded(reinterpret_cast<const unsigned char *>(utf8), size);
    return std::vector<char32_t>(folded.begin(), folded.begin() + folded.size());
}

} // namespace like

void installTextRules(sqlite3 *handle)
{
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function(handle, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_function(handle, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_collation(handle, kSpanishCollation, SQLITE_UTF8, nullptr, compareSpanish);
}

} // namespace db
