#include "db/JetSnapshot.h"

#include "db/Errors.h"
#include "db/JetHeader.h"
#include "db/Sqlite.h"
#include "db/TextRules.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <sqlite3.h>

// mdbtools.h includes glib.h inside extern "C", which g++ 12 refuses: glib goes first.
#include <glib.h>
#include <mdbtools.h>

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace db::jet {

namespace {

constexpr unsigned kOffsetMask = 0x1FFF;

using sqlite::quoted;

[[noreturn]] void failDamaged(const QString &path)
{
    throw errors::jetDamaged(path);
}

// libmdb turns names and Jet 3 text into the charset named by MDBICONV when a file is opened,
// and Jet 3 text is read in the code page named by MDB_JET3_CHARSET when set. The catalogue
// needs UTF-8 and the file's own code page whatever the environment says.
class CharsetPin
{
public:
    CharsetPin() : m_iconv(save("MDBICONV")), m_jet3(save("MDB_JET3_CHARSET"))
    {
        if (m_iconv)
            qputenv("MDBICONV", "UTF-8");
        if (m_jet3)
            qunsetenv("MDB_JET3_CHARSET");
    }
    ~CharsetPin()
    {
        if (m_iconv)
            qputenv("MDBICONV", *m_iconv);
        if (m_jet3)
            qputenv("MDB_JET3_CHARSET", *m_jet3);
    }
    CharsetPin(const CharsetPin &) = delete;
    CharsetPin &operator=(const CharsetPin &) = delete;

private:
    static std::optional<QByteArray> save(const char *name)
    {
        if (!qEnvironmentVariableIsSet(name))
            return std::nullopt;
        return qgetenv(name);
    }
    std::optional<QByteArray> m_iconv;
    std::optional<QByteArray> m_jet3;
};

// libmdb formats some values with printf; the C locale keeps them readable whatever the
// process locale is. uselocale() is per thread, so nothing else in the program notices.
class CLocale
{
public:
    CLocale() : m_c(newlocale(LC_ALL_MASK, "C", locale_t(nullptr)))
    {
        if (m_c)
            m_previous = uselocale(m_c);
    }
    ~CLocale()
    {
        if (m_c) {
            uselocale(m_previous);
            freelocale(m_c);
        }
    }
    CLocale(const CLocale &) = delete;
    CLocale &operator=(const CLocale &) = delete;

private:
    locale_t m_c;
    locale_t m_previous = locale_t(nullptr);
};

struct MdbCloser
{
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
struct TableFreer
{
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;
using TablePtr = std::unique_ptr<MdbTableDef, TableFreer>;
using StatementPtr = sqlite::Statement;

// Jet dates count days from 1899-12-30; below zero the whole part counts back and the
// fraction still runs forward from midnight.
std::string isoDate(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 1e8)
        return {};
    qint64 days = static_cast<qint64>(std::trunc(value));
    qint64 seconds = std::llround(std::fabs(value - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    // Civil date from days since 1970-01-01 (H. Hinnant's algorithm).
    const qint64 z = days - 25569 + 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const qint64 day = doy - (153 * mp + 2) / 5 + 1;
    const qint64 month = mp < 10 ? mp + 3 : mp - 9;
    const qint64 year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

// A Single read as the decimal it was typed as (1.1, not 1.100000023841858).
double widenSingle(float value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double wide = value;
    std::from_chars(text, written.ptr, wide);
    return wide;
}

// Jet 4 text: UCS-2LE, or "compressed" (FF FE, then one byte per character, a zero byte
// switching between one and two bytes per character), read exactly as libmdb reads it but
// written straight to UTF-8 with surrogate pairs joined, so that characters outside the BMP
// survive (libmdb's iconv turns them into '?').
void decodeJet4Text(const unsigned char *data, size_t size, std::string &out)
{
    out.resize(3 * size + 4);
    char *o = out.data();
    char16_t pending = 0; // a high surrogate waiting for its pair
    const auto put = [&](char16_t unit) {
        char32_t c = unit;
        if (pending) {
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                c = 0x10000 + ((char32_t(pending) - 0xD800) << 10) + (unit - 0xDC00);
                pending = 0;
                *o++ = char(0xF0 | (c >> 18));
                *o++ = char(0x80 | ((c >> 12) & 0x3F));
                *o++ = char(0x80 | ((c >> 6) & 0x3F));
                *o++ = char(0x80 | (c & 0x3F));
                return;
            }
            pending = 0;
            *o++ = char(0xEF); // U+FFFD for the lone surrogate
            *o++ = char(0xBF);
            *o++ = char(0xBD);
        }
        if (c < 0x80) {
            *o++ = char(c);
        } else if (c < 0x800) {
            *o++ = char(0xC0 | (c >> 6));
            *o++ = char(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDBFF) {
            pending = unit;
        } else {
            if (c >= 0xDC00 && c <= 0xDFFF)
                c = 0xFFFD;
            *o++ = char(0xE0 | (c >> 12));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
        }
    };
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        bool compressed = true;
        const unsigned char *end = data + size;
        data += 2;
        while (data < end) {
            if (*data == 0) {
                compressed = !compressed;
                ++data;
            } else if (compressed) {
                put(char16_t(*data++));
            } else if (end - data >= 2) {
                put(char16_t(data[0] | (data[1] << 8)));
                data += 2;
            } else {
                break;
            }
        }
    } else {
        for (size_t i = 0; i + 1 < size; i += 2)
            put(char16_t(data[i] | (data[i + 1] << 8)));
    }
    if (pending) {
        *o++ = char(0xEF);
        *o++ = char(0xBF);
        *o++ = char(0xBD);
    }
    out.resize(size_t(o - out.data()));
}

class SnapshotReader
{
public:
    SnapshotReader(const QString &path, const Header &header, qint64 fileSize,
                   const QString &onlyTable)
        : m_path(path),
          m_header(header),
          m_pageCount(static_cast<quint64>(fileSize) / static_cast<quint64>(header.pageSize)),
          m_onlyTable(onlyTable)
    { }

    std::shared_ptr<sqlite3> read();

private:
    void openMemoryDatabase();
    void exec(const char *sql);
    [[noreturn]] void failEngine();
    bool pageExists(quint64 page) const { return page > 0 && page < m_pageCount; }
    void checkDefinitionPages(unsigned long page);
    TablePtr readDefinition(MdbCatalogEntry *entry);
    void copyTable(MdbCatalogEntry *entry);
    void bindValue(sqlite3_stmt *statement, int index, const MdbColumn *column,
                   const MdbField &field);
    void bindText(sqlite3_stmt *statement, int index, const unsigned char *data, size_t size);
    std::pair<const unsigned char *, size_t> readLongValue(const unsigned char *field, size_t size);

    QString m_path;
    Header m_header;
    quint64 m_pageCount;
    QString m_onlyTable;
    MdbPtr m_mdb;
    std::shared_ptr<sqlite3> m_db;
    std::vector<std::string> m_text; // one per column: bound without a copy until the step
    std::string m_chain;
};

void SnapshotReader::failEngine()
{
    if ((sqlite3_errcode(m_db.get()) & 0xFF) == SQLITE_NOMEM)
        throw errors::outOfMemory(m_path);
    throw errors::jetEngine(m_path, sqlite::message(m_db.get()));
}

void SnapshotReader::exec(const char *sql)
{
    if (sqlite3_exec(m_db.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        failEngine();
}

void SnapshotReader::openMemoryDatabase()
{
    sqlite3 *handle = nullptr;
    const int rc
        = sqlite3_open_v2(":memory:", &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    m_db = sqlite::share(sqlite::Handle(handle));
    if (rc != SQLITE_OK)
        failEngine();
    installTextRules(handle);
    // Large pages: a third fewer allocations while a big catalogue is copied in. Sorting it
    // (its index, an order no index serves) keeps its scratch in memory, never in a file.
    exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA page_size=65536; "
         "PRAGMA temp_store=MEMORY;");
}

// libmdb follows page numbers without looking at the file's size: a cut-short file would make
// it read zeros or stop early without a word. Every page a table needs is checked first.
void SnapshotReader::checkDefinitionPages(unsigned long page)
{
    MdbHandle *mdb = m_mdb.get();
    for (quint64 hops = 0;; ++hops) {
        if (!pageExists(page) || hops > m_pageCount || !mdb_read_pg(mdb, page)
            || mdb->pg_buf[0] != MDB_PAGE_TABLE)
            failDamaged(m_path);
        if (hops == 0) {
            const quint32 used = mdb_get_int32(mdb->pg_buf, mdb->fmt->tab_usage_map_offset);
            const quint32 free = mdb_get_int32(mdb->pg_buf, mdb->fmt->tab_free_map_offset);
            if (!pageExists(used >> 8) || !pageExists(free >> 8))
                failDamaged(m_path);
        }
        page = mdb_get_int32(mdb->pg_buf, 4);
        if (page == 0)
            return;
    }
}

TablePtr SnapshotReader::readDefinition(MdbCatalogEntry *entry)
{
    checkDefinitionPages(entry->table_pg);
    TablePtr table(mdb_read_table(entry));
    if (!table || table->num_cols > MDB_MAX_COLS || table->map_sz < 5 || !table->usage_map)
        failDamaged(m_path);

    const unsigned char *map = table->usage_map;
    const size_t mapSize = table->map_sz;
    if (map[0] == 1) {
        for (size_t at = 1; at + 4 <= mapSize; at += 4) {
            const quint32 mapPage = qFromLittleEndian<quint32>(map + at);
            if (mapPage && !pageExists(mapPage))
                failDamaged(m_path);
        }
    }
    if (map[0] == 0 || map[0] == 1) {
        guint32 page = 0;
        for (quint64 count = 0;; ++count) {
            const gint32 next = mdb_map_find_next(m_mdb.get(), table->usage_map, mapSize, page);
            if (next <= 0)
                break;
            if (!pageExists(static_cast<quint64>(next)) || count > m_pageCount)
                failDamaged(m_path);
            page = static_cast<guint32>(next);
        }
    }
    if (!mdb_read_columns(table.get()))
        failDamaged(m_path);
    return table;
}

// Memo and OLE values longer than their row: inline, on one long-value page, or chained over
// several, following libmdb's reading of the 12-byte header.
// Where a Memo or OLE value's bytes are: in the row, on one long-value page, or gathered from a
// chain of them, following libmdb's reading of the 12-byte header. Valid until the next page
// is read.
std::pair<const unsigned char *, size_t> SnapshotReader::readLongValue(const unsigned char *field,
                                                                       size_t size)
{
    if (size < MDB_MEMO_OVERHEAD)
        return {field, 0};
    const quint32 header = qFromLittleEndian<quint32>(field);
    const quint32 length = header & 0x3FFFFFFF;
    if (header & 0x80000000)
        return {field + MDB_MEMO_OVERHEAD, size - MDB_MEMO_OVERHEAD};
    if ((header & 0xC0000000) == 0 && (header & 0xFF000000) != 0)
        return {field, 0}; // flags libmdb does not know either
    const bool chained = (header & 0x40000000) == 0;
    m_chain.clear();
    quint32 pageRow = qFromLittleEndian<quint32>(field + 4);
    for (quint64 hops = 0; pageRow; ++hops) {
        void *buffer = nullptr;
        int start = 0;
        size_t rowSize = 0;
        if (!pageExists(pageRow >> 8) || hops > m_pageCount
            || mdb_find_pg_row(m_mdb.get(), static_cast<int>(pageRow), &buffer, &start, &rowSize)
                != 0)
            failDamaged(m_path);
        const auto *row = static_cast<const unsigned char *>(buffer) + start;
        if (!chained)
            return {row, rowSize};
        if (rowSize < 4 || m_chain.size() + rowSize - 4 > length)
            break;
        m_chain.append(reinterpret_cast<const char *>(row) + 4, rowSize - 4);
        pageRow = qFromLittleEndian<quint32>(row);
    }
    return {reinterpret_cast<const unsigned char *>(m_chain.data()), m_chain.size()};
}

void SnapshotReader::bindText(sqlite3_stmt *statement, int index, const unsigned char *data,
                              size_t size)
{
    std::string &text = m_text[size_t(index - 1)];
    if (m_header.version != Version::Jet3) {
        decodeJet4Text(data, size, text);
    } else {
        // Jet 3 text is in the file's code page; libmdb knows which and converts it.
        text.resize(4 * size + 16);
        const int length = mdb_unicode2ascii(m_mdb.get(), reinterpret_cast<const char *>(data),
                                             size, text.data(), text.size());
        text.resize(size_t(std::max(length, 0)));
    }
    sqlite3_bind_text(statement, index, text.data(), int(text.size()), SQLITE_STATIC);
}

void SnapshotReader::bindValue(sqlite3_stmt *statement, int index, const MdbColumn *column,
                               const MdbField &field)
{
    // Yes/No lives in the null mask: a set bit is Yes, and it is never Null.
    if (column->col_type == MDB_BOOL) {
        sqlite3_bind_int(statement, index, field.is_null ? 0 : 1);
        return;
    }
    if (field.is_null || field.siz < 0) {
        sqlite3_bind_null(statement, index);
        return;
    }
    MdbHandle *mdb = m_mdb.get();
    const unsigned char *data = mdb->pg_buf + field.start;
    const auto size = static_cast<size_t>(field.siz);
    const auto need = [&](size_t bytes) {
        if (size < bytes || field.start < 0
            || static_cast<size_t>(field.start) + bytes > MDB_PGSIZE)
            failDamaged(m_path);
    };

    switch (column->col_type) {
    case MDB_BYTE:
        need(1);
        sqlite3_bind_int(statement, index, data[0]);
        break;
    case MDB_INT:
        need(2);
        sqlite3_bind_int(statement, index, qFromLittleEndian<qint16>(data));
        break;
    case MDB_LONGINT:
    case MDB_COMPLEX:
        need(4);
        sqlite3_bind_int(statement, index, qFromLittleEndian<qint32>(data));
        break;
    case MDB_FLOAT: {
        need(4);
        const quint32 bits = qFromLittleEndian<quint32>(data);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        sqlite3_bind_double(statement, index, widenSingle(value));
        break;
    }
    case MDB_DOUBLE:
    case MDB_DATETIME: {
        need(8);
        const quint64 bits = qFromLittleEndian<quint64>(data);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (column->col_type == MDB_DOUBLE) {
            sqlite3_bind_double(statement, index, value);
        } else {
            const std::string text = isoDate(value);
            if (text.empty())
                sqlite3_bind_null(statement, index);
            else
                sqlite3_bind_text(statement, index, text.data(), int(text.size()),
                                  SQLITE_TRANSIENT);
        }
        break;
    }
    case MDB_MONEY:
        need(8);
        sqlite3_bind_double(statement, index,
                            static_cast<double>(qFromLittleEndian<qint64>(data)) / 10000.0);
        break;
    case MDB_NUMERIC: {
        need(17);
        char *text = mdb_numeric_to_string(mdb, field.start, column->col_scale, column->col_prec);
        double value = 0;
        const size_t length = text ? std::strlen(text) : 0;
        const auto parsed = std::from_chars(text, text + length, value);
        if (text && parsed.ec == std::errc() && parsed.ptr == text + length)
            sqlite3_bind_double(statement, index, value);
        else if (text)
            sqlite3_bind_text(statement, index, text, int(length), SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(statement, index);
        g_free(text);
        break;
    }
    case MDB_REPID: {
        need(16);
        char *text = mdb_uuid_to_string(mdb->pg_buf, field.start);
        sqlite3_bind_text(statement, index, text, -1, SQLITE_TRANSIENT);
        g_free(text);
        break;
    }
    case MDB_TEXT:
        need(size);
        bindText(statement, index, data, size);
        break;
    case MDB_MEMO:
    case MDB_OLE: {
        need(size);
        const auto [bytes, length] = readLongValue(data, size);
        if (column->col_type == MDB_MEMO)
            bindText(statement, index, bytes, length);
        else
            sqlite3_bind_blob(statement, index, bytes, int(length), SQLITE_TRANSIENT);
        break;
    }
    case MDB_BINARY:
        need(size);
        sqlite3_bind_blob(statement, index, data, int(size), SQLITE_TRANSIENT);
        break;
    default:
        sqlite3_bind_null(statement, index);
        break;
    }
}

void SnapshotReader::copyTable(MdbCatalogEntry *entry)
{
    const QString name = QString::fromUtf8(entry->object_name);
    if (name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
        return; // a name SQLite keeps for itself; no catalogue table is called so

    TablePtr table = readDefinition(entry);
    const auto columnAt = [&](unsigned i) {
        return static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
    };

    QString create = QLatin1String("CREATE TABLE ") + quoted(name) + QLatin1String(" (");
    QString insert = QLatin1String("INSERT INTO ") + quoted(name) + QLatin1String(" VALUES (");
    for (unsigned i = 0; i < table->num_cols; ++i) {
        const MdbColumn *column = columnAt(i);
        if (i) {
            create += QLatin1String(", ");
            insert += QLatin1Char(',');
        }
        create += quoted(QString::fromUtf8(column->name)) + QLatin1Char(' ');
        switch (column->col_type) {
        case MDB_BOOL:
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
        case MDB_COMPLEX:
            create += QLatin1String("INTEGER");
            break;
        case MDB_FLOAT:
        case MDB_DOUBLE:
        case MDB_MONEY:
        case MDB_NUMERIC:
            create += QLatin1String("REAL");
            break;
        case MDB_TEXT:
        case MDB_MEMO:
            create += QLatin1String("TEXT COLLATE ") + QLatin1String(kSpanishCollation);
            break;
        case MDB_DATETIME:
        case MDB_REPID:
            create += QLatin1String("TEXT");
            break;
        default:
            create += QLatin1String("BLOB");
            break;
        }
        insert += QLatin1Char('?');
    }
    create += QLatin1Char(')');
    insert += QLatin1Char(')');
    if (table->num_cols == 0)
        return; // SQLite has no table without columns, and it would hold nothing to read
    exec(create.toUtf8().constData());

    sqlite3_stmt *prepared = nullptr;
    if (sqlite3_prepare_v2(m_db.get(), insert.toUtf8().constData(), -1, &prepared, nullptr)
        != SQLITE_OK)
        failEngine();
    StatementPtr statement(prepared);

    MdbHandle *mdb = m_mdb.get();
    std::vector<MdbField> fields(table->num_cols);
    m_text.assign(table->num_cols, std::string());
    mdb_rewind_table(table.get());
    // mdb_fetch_row() leaves the row on the current page but tells Null and empty text apart
    // only through its bound buffers, where both are "": crack the row again for the mask.
    while (mdb_fetch_row(table.get())) {
        int start = 0;
        size_t size = 0;
        if (table->cur_row == 0 || mdb_find_row(mdb, int(table->cur_row - 1), &start, &size) != 0)
            failDamaged(m_path);
        start &= kOffsetMask;
        if (mdb_crack_row(table.get(), start, size, fields.data()) < 0)
            failDamaged(m_path);
        for (unsigned i = 0; i < table->num_cols; ++i)
            bindValue(statement.get(), int(i + 1), columnAt(fields[i].colnum), fields[i]);
        if (sqlite3_step(statement.get()) != SQLITE_DONE)
            failEngine();
        sqlite3_reset(statement.get());
    }
}

std::shared_ptr<sqlite3> SnapshotReader::read()
{
    openMemoryDatabase();

    const CharsetPin charset;
    const CLocale cLocale;
    m_mdb.reset(mdb_open(QFile::encodeName(m_path).constData(), MDB_NOFLAGS));
    if (!m_mdb)
        failDamaged(m_path);

    // The catalogue itself is a table (MSysObjects, page 2): check it before libmdb walks it.
    MdbCatalogEntry catalogue{};
    catalogue.mdb = m_mdb.get();
    catalogue.object_type = MDB_TABLE;
    catalogue.table_pg = 2;
    std::strcpy(catalogue.object_name, "MSysObjects");
    readDefinition(&catalogue);

    if (!mdb_read_catalog(m_mdb.get(), MDB_TABLE))
        failDamaged(m_path);

    exec("BEGIN");
    for (unsigned i = 0; i < m_mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(m_mdb->catalog, i));
        if (mdb_is_user_table(entry)
            && (m_onlyTable.isEmpty()
                || QString::fromUtf8(entry->object_name).compare(m_onlyTable, Qt::CaseInsensitive)
                    == 0))
            copyTable(entry);
    }
    exec("COMMIT");
    return m_db;
}

} // namespace

std::shared_ptr<sqlite3> readSnapshot(const QString &nativePath, qint64 fileSize,
                                      const QString &onlyTable)
{
    QFile file(nativePath);
    if (!file.open(QIODevice::ReadOnly))
        throw errors::cannotOpen(nativePath, errno);
    const QByteArray head = file.read(4096);
    file.close();

    const std::optional<Header> header = parseHeader(head);
    if (!header)
        throw errors::jetUnrecognised(nativePath);
    // libmdb opens such a file as if it had none; the program always brings an empty one.
    if (header->passwordSet)
        throw errors::jetPassword(nativePath);
    // Access writes whole pages; the header page, a spare page and the catalogue come first.
    if (fileSize % header->pageSize != 0 || fileSize < 3 * header->pageSize)
        throw errors::jetDamaged(nativePath);

    SnapshotReader reader(nativePath, *header, fileSize, onlyTable);
    return reader.read();
}

std::shared_ptr<sqlite3> readSnapshot(const QString &nativePath)
{
    struct stat info;
    if (::stat(QFile::encodeName(nativePath).constData(), &info) != 0)
        throw errors::cannotOpen(nativePath, errno);
    return readSnapshot(nativePath, info.st_size);
}

} // namespace db::jet
