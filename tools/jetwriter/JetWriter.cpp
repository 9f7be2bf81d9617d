#include "jetwriter/JetWriter.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace jetwriter {

namespace {

constexpr int kPageSize = 4096;
constexpr int kRowOffsets = 14; // data and long-value pages: row offsets start here
constexpr int kMaxRowsPerPage = 255; // a page-row pointer keeps the row in one byte
constexpr int kCatalogPage = 2;
constexpr int kCatalogDataPage = 3;
// A usage map of kind 1 points at map pages that each cover this many pages.
constexpr int kPagesPerMapPage = (kPageSize - 4) * 8;

enum ColumnFlag : quint8 { FixedLength = 0x01, Updatable = 0x02 };

[[noreturn]] void fail(const QString &why)
{
    throw std::runtime_error(why.toStdString());
}

void put8(QByteArray &b, int at, quint8 v)
{
    b[at] = char(v);
}
void put16(QByteArray &b, int at, quint16 v)
{
    qToLittleEndian(v, b.data() + at);
}
void put32(QByteArray &b, int at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}
void append16(QByteArray &b, quint16 v)
{
    char bytes[2];
    qToLittleEndian(v, bytes);
    b.append(bytes, 2);
}
void append32(QByteArray &b, quint32 v)
{
    char bytes[4];
    qToLittleEndian(v, bytes);
    b.append(bytes, 4);
}
void append64(QByteArray &b, quint64 v)
{
    char bytes[8];
    qToLittleEndian(v, bytes);
    b.append(bytes, 8);
}

void rc4(const unsigned char *key, int keySize, unsigned char *data, int size)
{
    std::array<unsigned char, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keySize]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < size; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

QByteArray ucs2(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (QChar c : text)
        append16(out, c.unicode());
    return out;
}

// Jet 4's "Unicode compression": FF FE, then one byte per character, a zero byte switching
// to two bytes per character and back. A character whose low byte is zero cannot be written
// that way (the reader would take it for a switch), nor can U+0000.
QByteArray encodeText(const QString &text, bool compress)
{
    const QByteArray plain = ucs2(text);
    if (!compress || text.isEmpty())
        return plain;
    QByteArray packed("\xFF\xFE", 2);
    bool single = true;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u & 0xFF) == 0)
            return plain;
        if (u <= 0xFF) {
            if (!single) {
                packed.append('\0');
                single = true;
            }
            packed.append(char(u));
        } else {
            if (single) {
                packed.append('\0');
                single = false;
            }
            append16(packed, u);
        }
    }
    return packed.size() < plain.size() ? packed : plain;
}

bool isFixed(ColumnType type)
{
    return type != ColumnType::Text && type != ColumnType::Memo;
}

int fixedSize(ColumnType type)
{
    switch (type) {
    case ColumnType::Integer:
        return 2;
    case ColumnType::Long:
        return 4;
    case ColumnType::Double:
    case ColumnType::DateTime:
        return 8;
    default:
        return 0; // Boolean lives in the null mask
    }
}

quint8 typeCode(ColumnType type)
{
    switch (type) {
    case ColumnType::Boolean:
        return 0x01;
    case ColumnType::Integer:
        return 0x03;
    case ColumnType::Long:
        return 0x04;
    case ColumnType::Double:
        return 0x07;
    case ColumnType::DateTime:
        return 0x08;
    case ColumnType::Text:
        return 0x0A;
    case ColumnType::Memo:
        return 0x0C;
    }
    return 0;
}

// The columns as the table definition lays them out.
struct Layout
{
    QList<Column> columns;
    QList<int> fixedOffset; // fixed columns: offset in the fixed area
    QList<int> varIndex; // variable columns: index in the variable-offset table
    int fixedBytes = 0;
    int varCount = 0;
};

Layout layoutOf(const QList<Column> &columns)
{
    Layout layout;
    layout.columns = columns;
    for (const Column &c : columns) {
        if (isFixed(c.type)) {
            layout.fixedOffset.append(layout.fixedBytes);
            layout.varIndex.append(0);
            layout.fixedBytes += fixedSize(c.type);
        } else {
            layout.fixedOffset.append(0);
            layout.varIndex.append(layout.varCount++);
        }
    }
    return layout;
}

// One page of rows packed from the end down, as data and long-value pages hold them.
struct RowPage
{
    int number = 0;
    QByteArray bytes;
    int rows = 0;
    int lowest = kPageSize;

    int room() const { return lowest - (kRowOffsets + 2 * (rows + 1)); }
    bool fits(qsizetype size) const { return rows < kMaxRowsPerPage && room() >= size; }
    int add(const QByteArray &row)
    {
        lowest -= int(row.size());
        std::memcpy(bytes.data() + lowest, row.constData(), std::size_t(row.size()));
        put16(bytes, kRowOffsets + 2 * rows, quint16(lowest));
        ++rows;
        put16(bytes, 12, quint16(rows));
        put16(bytes, 2, quint16(std::max(0, room() + 2)));
        return rows - 1;
    }
};

constexpr int kMaxRow = kPageSize - kRowOffsets - 2;

class Writer
{
public:
    explicit Writer(const Options &options) : m_options(options) { }

    QByteArray write(const QList<Table> &tables);

private:
    int newPage()
    {
        m_pages.append(QByteArray(kPageSize, '\0'));
        return int(m_pages.size() - 1);
    }
    RowPage newRowPage(quint32 owner, bool longValues)
    {
        RowPage page;
        page.number = newPage();
        page.bytes = QByteArray(kPageSize, '\0');
        put8(page.bytes, 0, 0x01);
        put8(page.bytes, 1, 0x01);
        if (longValues)
            std::memcpy(page.bytes.data() + 4, "LVAL", 4);
        else
            put32(page.bytes, 4, owner);
        put16(page.bytes, 2, quint16(page.room() + 2));
        return page;
    }
    void store(const RowPage &page) { m_pages[page.number] = page.bytes; }

    quint32 addLongValueRow(const QByteArray &row);
    QByteArray memoField(const QByteArray &data, bool inlineAllowed);
    QByteArray encodeRow(const Layout &layout, const Row &row, const QString &table);
    void writeHeader();
    QByteArray tableDefinition(const Layout &layout, quint32 rows, bool system, quint32 usedMap,
                               quint32 freeMap) const;
    QByteArray usageMap(const QList<int> &pages);
    int writeTable(const Table &table, bool system, int mapPage);

    Options m_options;
    QList<QByteArray> m_pages;
    RowPage m_longValues;
    bool m_haveLongValues = false;
};

// Puts a long value (or one link of a chain) on a long-value page; returns its page-row.
quint32 Writer::addLongValueRow(const QByteArray &row)
{
    if (!m_haveLongValues || !m_longValues.fits(row.size())) {
        if (m_haveLongValues)
            store(m_longValues);
        m_longValues = newRowPage(0, true);
        m_haveLongValues = true;
    }
    const int rowNumber = m_longValues.add(row);
    return quint32(m_longValues.number) << 8 | quint32(rowNumber);
}

QByteArray Writer::memoField(const QByteArray &data, bool inlineAllowed)
{
    QByteArray field;
    const auto length = quint32(data.size());
    if (inlineAllowed) {
        append32(field, 0x80000000u | length);
        append32(field, 0);
        append32(field, 0);
        field.append(data);
        return field;
    }
    const int singleRoom = kMaxRow;
    if (data.size() <= singleRoom) {
        append32(field, 0x40000000u | length);
        append32(field, addLongValueRow(data));
        append32(field, 0);
        return field;
    }
    // A chain: each link starts with the page-row of the next; written last link first.
    const int chunk = kMaxRow - 4;
    QList<QByteArray> links;
    for (qsizetype at = 0; at < data.size(); at += chunk)
        links.append(data.mid(at, chunk));
    quint32 next = 0;
    for (qsizetype i = links.size() - 1; i >= 0; --i) {
        QByteArray link;
        append32(link, next);
        link.append(links[i]);
        next = addLongValueRow(link);
    }
    append32(field, length);
    append32(field, next);
    append32(field, 0);
    return field;
}

QByteArray Writer::encodeRow(const Layout &layout, const Row &row, const QString &table)
{
    const auto &columns = layout.columns;
    if (row.size() != columns.size())
        fail(QStringLiteral("%1: a row with %2 values for %3 columns")
                 .arg(table)
                 .arg(row.size())
                 .arg(columns.size()));

    QByteArray fixed(layout.fixedBytes, '\0');
    QList<QByteArray> variable(layout.varCount);
    QList<int> memoColumns;
    QByteArray mask((columns.size() + 7) / 8, '\0');

    for (int i = 0; i < columns.size(); ++i) {
        const Column &column = columns[i];
        const QVariant &value = row[i];
        bool present = value.isValid();
        if (column.type == ColumnType::Boolean)
            present = present && value.toBool();
        if (present)
            mask[i / 8] = char(mask[i / 8] | (1 << (i % 8)));
        if (!value.isValid() || column.type == ColumnType::Boolean)
            continue;
        const int at = layout.fixedOffset[i];
        switch (column.type) {
        case ColumnType::Integer:
            put16(fixed, at, quint16(qint16(value.toInt())));
            break;
        case ColumnType::Long:
            put32(fixed, at, quint32(qint32(value.toLongLong())));
            break;
        case ColumnType::Double:
        case ColumnType::DateTime: {
            const double d = value.toDouble();
            quint64 bits;
            std::memcpy(&bits, &d, sizeof bits);
            QByteArray tmp;
            append64(tmp, bits);
            std::memcpy(fixed.data() + at, tmp.constData(), 8);
            break;
        }
        case ColumnType::Text: {
            const QString text = value.toString();
            if (text.size() > column.maxLength)
                fail(QStringLiteral("%1.%2: %3 characters where %4 fit")
                         .arg(table, column.name)
                         .arg(text.size())
                         .arg(column.maxLength));
            variable[layout.varIndex[i]] = encodeText(text, m_options.compressText);
            break;
        }
        case ColumnType::Memo: {
            const QByteArray data = encodeText(value.toString(), m_options.compressText);
            variable[layout.varIndex[i]]
                = memoField(data, data.size() <= m_options.inlineMemoBytes);
            if (data.size() <= m_options.inlineMemoBytes)
                memoColumns.append(i);
            break;
        }
        case ColumnType::Boolean:
            break;
        }
    }

    const auto assemble = [&] {
        QByteArray out;
        append16(out, quint16(columns.size()));
        out.append(fixed);
        QList<int> offsets;
        for (const QByteArray &v : variable) {
            offsets.append(int(out.size()));
            out.append(v);
        }
        if (layout.varCount > 0) {
            append16(out, quint16(out.size())); // end of the variable data
            for (qsizetype k = offsets.size() - 1; k >= 0; --k)
                append16(out, quint16(offsets[k]));
            append16(out, quint16(layout.varCount));
        }
        out.append(mask);
        return out;
    };

    QByteArray out = assemble();
    // A row over the page: move inline memos out, the longest first.
    std::sort(memoColumns.begin(), memoColumns.end(), [&](int a, int b) {
        return variable[layout.varIndex[a]].size() > variable[layout.varIndex[b]].size();
    });
    for (int i : memoColumns) {
        if (out.size() <= kMaxRow)
            break;
        const QByteArray data = encodeText(row[i].toString(), m_options.compressText);
        variable[layout.varIndex[i]] = memoField(data, false);
        out = assemble();
    }
    if (out.size() > kMaxRow)
        fail(QStringLiteral("%1: a row of %2 bytes does not fit in a page")
                 .arg(table)
                 .arg(out.size()));
    return out;
}

QByteArray Writer::tableDefinition(const Layout &layout, quint32 rows, bool system, quint32 usedMap,
                                   quint32 freeMap) const
{
    QByteArray page(63, '\0');
    put8(page, 0, 0x02);
    put8(page, 1, 0x01);
    put16(page, 2, 0x4356); // "VC"
    put32(page, 16, rows);
    put8(page, 40, system ? 0x53 : 0x4E);
    const auto count = quint16(layout.columns.size());
    put16(page, 41, count);
    put16(page, 43, quint16(layout.varCount));
    put16(page, 45, count);
    put32(page, 55, usedMap);
    put32(page, 59, freeMap);
    for (int i = 0; i < layout.columns.size(); ++i) {
        const Column &column = layout.columns[i];
        QByteArray entry(25, '\0');
        put8(entry, 0, typeCode(column.type));
        put16(entry, 5, quint16(i));
        put16(entry, 7, quint16(layout.varIndex[i]));
        put16(entry, 9, quint16(i));
        if (!isFixed(column.type))
            put16(entry, 11, 0x0409); // General sort order
        put8(entry, 15, quint8(Updatable | (isFixed(column.type) ? FixedLength : 0)));
        put16(entry, 21, quint16(layout.fixedOffset[i]));
        int length = fixedSize(column.type);
        if (column.type == ColumnType::Boolean)
            length = 1;
        else if (column.type == ColumnType::Text)
            length = column.maxLength * 2;
        put16(entry, 23, quint16(length));
        page.append(entry);
    }
    for (const Column &column : layout.columns) {
        const QByteArray name = ucs2(column.name);
        append16(page, quint16(name.size()));
        page.append(name);
    }
    if (page.size() > kPageSize)
        fail(QStringLiteral("a table definition over one page"));
    put32(page, 8, quint32(page.size() - 8));
    page.resize(kPageSize, '\0');
    return page;
}

// Kind 0 (a start page and a bitmap) while it fits a row; else kind 1, a list of map pages
// each holding a bitmap of (page size - 4) * 8 pages counted from zero.
QByteArray Writer::usageMap(const QList<int> &pages)
{
    QByteArray map;
    if (pages.isEmpty()) {
        map = QByteArray(5, '\0');
        return map;
    }
    const int first = pages.first();
    const int last = pages.last();
    const int bitmapBytes = (last - first) / 8 + 1;
    // The map page also holds the five-byte free-space map.
    if (!m_options.referenceUsageMaps && 5 + bitmapBytes <= kPageSize - kRowOffsets - 4 - 5) {
        map = QByteArray(5 + bitmapBytes, '\0');
        put32(map, 1, quint32(first));
        for (int p : pages) {
            const int bit = p - first;
            map[5 + bit / 8] = char(map[5 + bit / 8] | (1 << (bit % 8)));
        }
        return map;
    }
    const int mapPages = last / kPagesPerMapPage + 1;
    map = QByteArray(1 + 4 * mapPages, '\0');
    put8(map, 0, 1);
    QList<int> numbers(mapPages, 0);
    for (int p : pages) {
        const int index = p / kPagesPerMapPage;
        if (!numbers[index]) {
            numbers[index] = newPage();
            put8(m_pages[numbers[index]], 0, 0x05);
            put8(m_pages[numbers[index]], 1, 0x01);
            put32(map, 1 + 4 * index, quint32(numbers[index]));
        }
        const int bit = p % kPagesPerMapPage;
        QByteArray &bitmap = m_pages[numbers[index]];
        bitmap[4 + bit / 8] = char(bitmap[4 + bit / 8] | (1 << (bit % 8)));
    }
    return map;
}

// Writes the table's data pages after its definition page; the usage maps go on mapPage.
// Returns the definition's page.
int Writer::writeTable(const Table &table, bool system, int mapPage)
{
    const Layout layout = layoutOf(table.columns);
    const int definition = system ? kCatalogPage : newPage();
    if (mapPage < 0)
        mapPage = newPage();

    QList<int> dataPages;
    RowPage page;
    bool open = false;
    for (const Row &row : table.rows) {
        const QByteArray bytes = encodeRow(layout, row, table.name);
        if (!open || !page.fits(bytes.size())) {
            if (open)
                store(page);
            if (system && !open) {
                page = RowPage{};
                page.number = kCatalogDataPage;
                page.bytes = QByteArray(kPageSize, '\0');
                put8(page.bytes, 0, 0x01);
                put8(page.bytes, 1, 0x01);
                put32(page.bytes, 4, quint32(definition));
            } else {
                page = newRowPage(quint32(definition), false);
            }
            dataPages.append(page.number);
            open = true;
        }
        page.add(bytes);
    }
    if (open)
        store(page);

    // Each table's maps have a page of their own (the catalogue's: page 1).
    RowPage maps;
    maps.number = mapPage;
    maps.bytes = QByteArray(kPageSize, '\0');
    put8(maps.bytes, 0, 0x01);
    put8(maps.bytes, 1, 0x01);
    const QByteArray used = usageMap(dataPages);
    const QByteArray free(5, '\0');
    if (!maps.fits(used.size() + free.size() + 2))
        fail(QStringLiteral("%1: usage map over its page").arg(table.name));
    const int usedRow = maps.add(used);
    const int freeRow = maps.add(free);
    m_pages[mapPage] = maps.bytes;

    m_pages[definition] = tableDefinition(layout, quint32(table.rows.size()), system,
                                          quint32(mapPage) << 8 | quint32(usedRow),
                                          quint32(mapPage) << 8 | quint32(freeRow));
    return definition;
}

void Writer::writeHeader()
{
    QByteArray &page = m_pages[0];
    const char signature[] = "\x00\x01\x00\x00Standard Jet DB";
    std::memcpy(page.data(), signature, sizeof signature); // with its NUL
    put32(page, 0x14, 1); // Jet 4

    QByteArray plain(128, '\0');
    const int base = 0x18;
    put16(plain, 0x3C - base, 1252);
    put32(plain, 0x3E - base, 0); // no page encoding
    const QString password = m_options.password;
    if (password.size() > 20)
        fail(QStringLiteral("a database password of more than 20 characters"));
    const double created = m_options.creationDate;
    const auto days = qint32(std::floor(created));
    unsigned char mask[4];
    qToLittleEndian(days, mask);
    for (int i = 0; i < 40; ++i) {
        const int unit = i / 2;
        const char16_t c = unit < password.size() ? password[unit].unicode() : 0;
        const auto byte = quint8(i % 2 ? c >> 8 : c & 0xFF);
        plain[0x42 - base + i] = char(byte ^ mask[i % 4]);
    }
    put16(plain, 0x6E - base, 0x0409);
    quint64 bits;
    std::memcpy(&bits, &created, sizeof bits);
    qToLittleEndian(bits, plain.data() + 0x72 - base);

    const unsigned char key[] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(key, 4, reinterpret_cast<unsigned char *>(plain.data()), int(plain.size()));
    std::memcpy(page.data() + base, plain.constData(), std::size_t(plain.size()));
}

QList<Column> catalogColumns()
{
    return {
        {QStringLiteral("Id"), ColumnType::Long},    {QStringLiteral("ParentId"), ColumnType::Long},
        {QStringLiteral("Name"), ColumnType::Text},  {QStringLiteral("Type"), ColumnType::Integer},
        {QStringLiteral("Flags"), ColumnType::Long}, {QStringLiteral("LvProp"), ColumnType::Memo},
    };
}

QByteArray Writer::write(const QList<Table> &tables)
{
    for (int i = 0; i <= kCatalogDataPage; ++i)
        newPage();
    writeHeader();

    QList<Row> catalogRows;
    catalogRows.append(
        {kCatalogPage, 0, QStringLiteral("MSysObjects"), 1, qint64(0x80000002), QVariant()});
    for (const Table &table : tables) {
        const int definition = writeTable(table, false, -1);
        catalogRows.append({definition, 0, table.name, 1, 0, QVariant()});
    }
    if (m_haveLongValues)
        store(m_longValues);

    Table catalog{QStringLiteral("MSysObjects"), catalogColumns(), catalogRows};
    writeTable(catalog, true, 1);
    // LvProp (always Null here) is an OLE column in real files; the writer knows it as Memo.
    put8(m_pages[kCatalogPage], 63 + 5 * 25, 0x0B);

    QByteArray file;
    file.reserve(m_pages.size() * kPageSize);
    for (const QByteArray &page : m_pages)
        file.append(page);
    return file;
}

} // namespace

void writeDatabase(const QString &path, const QList<Table> &tables, const Options &options)
{
    Writer writer(options);
    const QByteArray bytes = writer.write(tables);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()
        || !file.flush())
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

QList<Column> fichaColumns()
{
    return {{QStringLiteral("Id"), ColumnType::Long},
            {QStringLiteral("TITULO"), ColumnType::Text},
            {QStringLiteral("NIVEL_EDUCATIVO"), ColumnType::Text},
            {QStringLiteral("ENLACE"), ColumnType::Text},
            {QStringLiteral("DESCRIPTORES"), ColumnType::Text},
            {QStringLiteral("AUTOR"), ColumnType::Text},
            {QStringLiteral("EDITORIAL"), ColumnType::Text, 120},
            {QStringLiteral("FECHA"), ColumnType::Text, 50},
            {QStringLiteral("FORMATO"), ColumnType::Text, 100},
            {QStringLiteral("IDIOMA"), ColumnType::Text, 50},
            {QStringLiteral("RESUMEN"), ColumnType::Memo},
            {QStringLiteral("IMAGEN"), ColumnType::Text},
            {QStringLiteral("OBSERVACIONES"), ColumnType::Memo}};
}

} // namespace jetwriter
