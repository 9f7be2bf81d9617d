#include "db/Catalogue.h"

#include "db/Errors.h"
#include "db/FileFormat.h"
#include "db/JetSnapshot.h"
#include "db/ReadOnlyVfs.h"
#include "db/Sqlite.h"
#include "db/TextRules.h"

#include <QFile>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <unistd.h>

namespace db {

using sqlite::quoted;

namespace {

// Closes the descriptor on every way out.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) { }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Reads up to size bytes at offset; -1 on a read error.
qint64 readAt(int fd, char *buffer, qint64 size, off_t offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, buffer + done, std::size_t(size - done), offset + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

Catalogue::Identity::Stamp stampOf(const struct stat &st)
{
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

Catalogue::Identity::Stamp stampOf(const QByteArray &path)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return {};
    return stampOf(st);
}

// The first bytes of the file at path, without blocking on what is not a plain file.
QByteArray headOf(const QByteArray &path, qint64 size)
{
    const FileDescriptor fd(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat st;
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    QByteArray head(size, Qt::Uninitialized);
    const qint64 n = readAt(fd.get(), head.data(), size, 0);
    head.truncate(std::max<qint64>(n, 0));
    return head;
}

// The file, opened for the checks; what it is and how it begins.
struct Probe
{
    timespec at{};
    Catalogue::Identity identity;
    QByteArray head;
    FileFormat format = FileFormat::Unknown;
};

// What a SQLite file's identity adds: the change counters of its header and the state of
// the files beside it, which a writer changes without touching the database file itself.
void addSqliteState(Catalogue::Identity &identity, const QByteArray &head,
                    const QByteArray &encoded)
{
    if (head.size() >= 96)
        identity.counters = head.mid(24, 4) + head.mid(92, 4);
    identity.wal = stampOf(encoded + "-wal");
    if (identity.wal.exists)
        identity.walHeader = headOf(encoded + "-wal", 32);
    identity.journal = stampOf(encoded + "-journal");
}

// Throws the error that fits when the file cannot be probed.
Probe probe(const QString &path, const QByteArray &encoded)
{
    if (path.isEmpty())
        throw errors::fileNotFound(path);
    // Non-blocking: a FIFO in the catalogue's place is refused, never waited on.
    const FileDescriptor fd(
        ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat st;
    if (fd.get() < 0) {
        const int error = errno;
        if (error != ENOENT && ::stat(encoded.constData(), &st) == 0 && !S_ISREG(st.st_mode)
            && !S_ISDIR(st.st_mode))
            throw errors::notCatalogue(path, QStringLiteral("no es un archivo normal"));
        throw errors::cannotOpen(path, error);
    }
    if (::fstat(fd.get(), &st) != 0)
        throw errors::cannotOpen(path, errno);
    if (S_ISDIR(st.st_mode))
        throw errors::isFolder(path);
    if (!S_ISREG(st.st_mode))
        throw errors::notCatalogue(path, QStringLiteral("no es un archivo normal"));

    Probe p;
    ::clock_gettime(CLOCK_REALTIME, &p.at);
    p.identity.file = stampOf(st);
    p.head = QByteArray(kFormatProbeSize, Qt::Uninitialized);
    const qint64 n = readAt(fd.get(), p.head.data(), p.head.size(), 0);
    if (n < 0)
        throw errors::cannotOpen(path, errno);
    p.head.truncate(n);
    p.format = detectFormat(p.head);
    if (p.format == FileFormat::SQLite)
        addSqliteState(p.identity, p.head, encoded);
    return p;
}

[[noreturn]] void failEngine(sqlite3 *handle, const QString &path)
{
    const int code = sqlite3_extended_errcode(handle) & 0xFF;
    const QString message = sqlite::message(handle);
    if (code == SQLITE_NOMEM)
        throw errors::outOfMemory(path);
    if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
        throw errors::damaged(path, message);
    throw errors::cannotRead(path, message);
}

// Runs statements that return no rows while the snapshot is built.
void run(sqlite3 *handle, const char *sql, const QString &path)
{
    if (sqlite3_exec(handle, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        failEngine(handle, path);
}

void run(sqlite3 *handle, const QString &sql, const QString &path)
{
    run(handle, sql.toUtf8().constData(), path);
}

struct Column
{
    QString name;
    QString type;
    bool primaryKey = false;
};

// The columns of Ficha in the table's own order, and its real name. Reading the schema is
// the first read of the file's pages: a damaged or foreign file fails here.
QList<Column> columnsOf(sqlite3 *source, const QString &path, QString *tableName)
{
    sqlite::Statement find = sqlite::prepare(source,
                                             "SELECT name FROM main.sqlite_schema WHERE type IN "
                                             "('table','view') AND name = 'Ficha' COLLATE NOCASE");
    if (!find)
        failEngine(source, path);
    const int rc = sqlite3_step(find.get());
    if (rc == SQLITE_DONE)
        throw errors::noTableFicha(path);
    if (rc != SQLITE_ROW)
        failEngine(source, path);
    *tableName = sqlite::columnText(find.get(), 0);

    // Hidden columns (1) belong to virtual tables and are not part of the row; generated
    // ones (2, 3) are.
    sqlite::Statement info = sqlite::prepare(
        source, "SELECT name, type, pk FROM pragma_table_xinfo(?) WHERE hidden <> 1");
    if (!info)
        failEngine(source, path);
    const QByteArray name = tableName->toUtf8();
    sqlite3_bind_text(info.get(), 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    QList<Column> columns;
    int step;
    while ((step = sqlite3_step(info.get())) == SQLITE_ROW)
        columns.append({sqlite::columnText(info.get(), 0), sqlite::columnText(info.get(), 1),
                        sqlite3_column_int(info.get(), 2) != 0});
    if (step != SQLITE_DONE)
        failEngine(source, path);
    return columns;
}

// A schema may name collations this program does not have; the copy only scans, so any
// consistent order will do.
int compareBytes(void *, int leftSize, const void *left, int rightSize, const void *right)
{
    const int common = std::min(leftSize, rightSize);
    const int c = common > 0 ? std::memcmp(left, right, std::size_t(common)) : 0;
    return c != 0 ? c : leftSize - rightSize;
}

void standInCollation(void *, sqlite3 *handle, int, const char *name)
{
    sqlite3_create_collation(handle, name, SQLITE_UTF8, nullptr, compareBytes);
}

// Creates main.Ficha in the snapshot and copies the rows. False when the rows do not fit the
// row id the table was given.
bool copyFicha(sqlite3 *source, sqlite3 *snapshot, const QString &path, const QString &table,
               const QList<Column> &columns, bool rowIdKey)
{
    int keys = 0;
    for (const Column &c : columns)
        keys += c.primaryKey ? 1 : 0;
    QStringList definitions, names, parameters;
    for (const Column &c : columns) {
        // An INTEGER PRIMARY KEY stays the row id, so `where id=` finds its row directly.
        const bool rowId = rowIdKey && keys == 1 && c.primaryKey
            && c.type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
        definitions.append(quoted(c.name) + QLatin1Char(' ') + c.type
                           + (rowId ? QStringLiteral(" PRIMARY KEY") : QString())
                           + QStringLiteral(" COLLATE ") + QLatin1String(kSpanishCollation));
        names.append(quoted(c.name));
        parameters.append(QStringLiteral("?"));
    }
    run(snapshot,
        QStringLiteral("CREATE TABLE main.Ficha (%1)").arg(definitions.join(QStringLiteral(", "))),
        path);
    sqlite::Statement select = sqlite::prepare(
        source,
        QStringLiteral("SELECT %1 FROM main.%2").arg(names.join(u','), quoted(table)).toUtf8());
    if (!select)
        failEngine(source, path);
    sqlite::Statement insert = sqlite::prepare(
        snapshot,
        QStringLiteral("INSERT INTO main.Ficha VALUES (%1)").arg(parameters.join(u',')).toUtf8());
    if (!insert)
        failEngine(snapshot, path);
    const int count = int(columns.size());
    int rc;
    while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
        for (int i = 0; i < count; ++i)
            sqlite3_bind_value(insert.get(), i + 1, sqlite3_column_value(select.get(), i));
        if (sqlite3_step(insert.get()) != SQLITE_DONE) {
            if ((sqlite3_extended_errcode(snapshot) & 0xFF) == SQLITE_MISMATCH && rowIdKey)
                return false;
            failEngine(snapshot, path);
        }
        sqlite3_reset(insert.get());
    }
    if (rc != SQLITE_DONE)
        failEngine(source, path);
    return true;
}

// SQLite opens the file itself, through the read-only VFS, so that it sees the committed
// state as any reader would; table Ficha is then copied into the snapshot with every column
// in the Spanish collation, which holds for any file, whatever its own schema declares. Only
// the pages Ficha needs are read. *read is what the file was when SQLite opened it.
std::shared_ptr<sqlite3> readSqlite(const QString &path, const QByteArray &encoded,
                                    struct stat *read)
{
    const vfs::Session session;
    sqlite3 *raw = nullptr;
    const int opened
        = sqlite3_open_v2(encoded.constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                          vfs::Session::vfsName());
    sqlite::Handle source(raw);
    if (!raw)
        throw errors::outOfMemory(path);
    if (opened != SQLITE_OK)
        failEngine(raw, path);
    sqlite3_extended_result_codes(raw, 1);
    // A writer finishing its commit holds the file for a moment.
    sqlite3_busy_timeout(raw, 5000);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_collation_needed(raw, nullptr, standInCollation);
    // Exclusive before the first read: a WAL index is then built in heap memory, not in a
    // -shm file.
    run(raw, "PRAGMA locking_mode = EXCLUSIVE", path);
    run(raw, "PRAGMA temp_store = MEMORY", path);
    run(raw, "BEGIN", path);

    QString table;
    const QList<Column> columns = columnsOf(raw, path, &table);

    sqlite3 *memory = nullptr;
    // One thread at a time, like the program: no locking on every call.
    const int created = sqlite3_open_v2(
        ":memory:", &memory, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
        nullptr);
    sqlite::Handle snapshot(memory);
    if (!memory || created != SQLITE_OK)
        throw errors::outOfMemory(path);
    installTextRules(memory);
    // Sorting a large catalogue (its index, an order no index serves) spills past the page
    // cache into scratch files unless they too are kept in memory.
    run(memory, "PRAGMA temp_store = MEMORY", path);
    run(memory, "BEGIN", path);
    if (!copyFicha(raw, memory, path, table, columns, true)) {
        run(memory, "ROLLBACK", path);
        run(memory, "BEGIN", path);
        copyFicha(raw, memory, path, table, columns, false);
    }
    run(memory, "COMMIT", path);
    run(raw, "COMMIT", path);
    if (!session.databaseStat(read))
        *read = {};
    source.reset();
    indexForSearch(memory);
    run(memory, "PRAGMA query_only = 1", path);
    return sqlite::share(std::move(snapshot));
}

struct Cache
{
    std::mutex mutex;
    // A few recent catalogues; the program itself only ever opens one.
    std::deque<std::shared_ptr<const Catalogue>> recent;
    std::deque<std::shared_ptr<const Catalogue>> listed;
};

Cache &cache()
{
    static Cache c;
    return c;
}

constexpr std::size_t kCacheSize = 4;

void remember(std::deque<std::shared_ptr<const Catalogue>> &list,
              const std::shared_ptr<const Catalogue> &catalogue)
{
    std::erase_if(list, [&](const auto &c) { return c->path() == catalogue->path(); });
    list.push_front(catalogue);
    if (list.size() > kCacheSize)
        list.pop_back();
}

bool sameFile(const Catalogue::Identity::Stamp &a, const struct stat &b)
{
    return a.device == b.st_dev && a.inode == b.st_ino && a.size == b.st_size
        && a.modified.tv_sec == b.st_mtim.tv_sec && a.modified.tv_nsec == b.st_mtim.tv_nsec;
}

} // namespace

bool Catalogue::Identity::Stamp::operator==(const Stamp &o) const
{
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size
        && modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec
        && changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
}

Catalogue::Catalogue(QString path, Identity identity, timespec readAt,
                     std::shared_ptr<sqlite3> handle)
    : m_path(std::move(path)),
      m_identity(std::move(identity)),
      m_verifiedAt(readAt.tv_sec),
      m_handle(std::move(handle))
{ }

bool Catalogue::isCurrent() const
{
    // As git judges its index: a file whose times are unchanged and were already well in the
    // past when it was read cannot have been written since without its times moving; only
    // a file written in the moment it was read needs its header compared.
    const qint64 verified = m_verifiedAt.load();
    const auto settled = [verified](const Identity::Stamp &now, const Identity::Stamp &then) {
        constexpr qint64 kTimeGrain = 2; // seconds; coarser than any file system's clock
        return now == then
            && (!then.exists
                || (then.changed.tv_sec + kTimeGrain < verified
                    && then.modified.tv_sec + kTimeGrain < verified));
    };
    const QByteArray encoded = QFile::encodeName(m_path);
    if (settled(stampOf(encoded), m_identity.file)
        && (m_identity.counters.isEmpty()
            || (settled(stampOf(encoded + "-wal"), m_identity.wal)
                && stampOf(encoded + "-journal") == m_identity.journal)))
        return true;
    try {
        const Probe p = probe(m_path, encoded);
        if (!(p.identity == m_identity))
            return false;
        // What was read is still there now: later writes will move the times past this.
        m_verifiedAt.store(p.at.tv_sec);
        return true;
    } catch (const orlaneva::Error &) {
        return false;
    }
}

std::shared_ptr<const Catalogue> Catalogue::open(const QString &nativePath)
{
    const QByteArray encoded = QFile::encodeName(nativePath);
    try {
        // A file replaced while it is read is read again, as it now is.
        for (int attempt = 0;; ++attempt) {
            std::shared_ptr<const Catalogue> known;
            {
                Cache &c = cache();
                const std::lock_guard lock(c.mutex);
                for (const auto &entry : c.recent) {
                    if (entry->path() == nativePath)
                        known = entry;
                }
            }
            // The checks, too, hold for an unchanged file: any change of mode, owner or
            // name would have moved its times or its identity.
            if (known && known->isCurrent())
                return known;
            Probe p = probe(nativePath, encoded);

            std::shared_ptr<sqlite3> handle;
            switch (p.format) {
            case FileFormat::Unknown:
                throw errors::notCatalogue(nativePath,
                                           p.identity.file.size == 0
                                               ? QStringLiteral("el archivo está vacío")
                                               : QStringLiteral("no es una base de datos"));
            case FileFormat::Jet3:
            case FileFormat::Jet4:
            case FileFormat::Ace:
                handle
                    = jet::readSnapshot(nativePath, p.identity.file.size, QStringLiteral("Ficha"));
                indexForSearch(handle.get());
                // Shared by every later connection: nothing may change it after the index.
                run(handle.get(), "PRAGMA query_only = 1", nativePath);
                break;
            case FileFormat::SQLite: {
                // With a journal or a WAL beside it, the file alone may look short; SQLite
                // itself then judges it.
                if (!p.identity.wal.exists && !p.identity.journal.exists
                    && isTruncatedSqlite(p.head, p.identity.file.size))
                    throw errors::notCatalogue(
                        nativePath, QStringLiteral("el archivo está incompleto o dañado"));
                struct stat read;
                handle = readSqlite(nativePath, encoded, &read);
                if (!sameFile(p.identity.file, read) && attempt < 2)
                    continue;
                break;
            }
            }
            auto catalogue = std::make_shared<const Catalogue>(nativePath, std::move(p.identity),
                                                               p.at, handle);
            Cache &c = cache();
            const std::lock_guard lock(c.mutex);
            remember(c.recent, catalogue);
            return catalogue;
        }
    } catch (const std::bad_alloc &) {
        throw errors::outOfMemory(nativePath);
    }
}

void Catalogue::setListed(const std::shared_ptr<const Catalogue> &catalogue)
{
    Cache &c = cache();
    const std::lock_guard lock(c.mutex);
    if (c.listed.empty() || c.listed.front() != catalogue)
        remember(c.listed, catalogue);
}

std::shared_ptr<const Catalogue> Catalogue::listed(const QString &nativePath)
{
    Cache &c = cache();
    const std::lock_guard lock(c.mutex);
    for (const auto &entry : c.listed) {
        if (entry->path() == nativePath)
            return entry;
    }
    return nullptr;
}

std::shared_ptr<sqlite3> openCatalogue(const QString &nativePath)
{
    std::shared_ptr<const Catalogue> catalogue = Catalogue::open(nativePath);
    // The handle keeps its catalogue alive.
    return std::shared_ptr<sqlite3>(catalogue, catalogue->handle());
}

void indexForSearch(sqlite3 *handle)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle,
                           "SELECT name, type, pk, (SELECT count(*) FROM sqlite_schema "
                           "WHERE name = 'orlaneva_titulo') FROM pragma_table_info('Ficha')",
                           -1, &statement, nullptr)
        != SQLITE_OK)
        return;
    QStringList names;
    QString keyColumn, keyType;
    int keys = 0;
    bool indexed = false;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        names.append(
            QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))));
        if (sqlite3_column_int(statement, 2) != 0) {
            ++keys;
            keyColumn = names.last();
            keyType = QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(statement, 1)));
        }
        indexed = sqlite3_column_int(statement, 3) != 0;
    }
    sqlite3_finalize(statement);
    if (indexed)
        return;
    const QString rowIdColumn
        = keys == 1 && keyType.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0
        ? keyColumn
        : QString();
    auto find = [&names](const char *wanted) {
        for (const QString &n : names) {
            if (n.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0)
                return n;
        }
        return QString();
    };
    const QString title = find("TITULO");
    if (title.isEmpty())
        return;
    // The searches read these four columns in title order: the index holds them all, so
    // `order by Titulo` walks it without a sort and without touching the table.
    QStringList columns{quoted(title)};
    for (const char *other : {"NIVEL_EDUCATIVO", "DESCRIPTORES", "Id"}) {
        const QString name = find(other);
        if (!name.isEmpty() && name != rowIdColumn)
            columns.append(quoted(name));
    }
    QStringList statements{QStringLiteral("CREATE INDEX main.orlaneva_titulo ON Ficha (%1)")
                               .arg(columns.join(QStringLiteral(", ")))};
    const QString id = find("Id");
    if (!id.isEmpty() && id != rowIdColumn)
        statements.append(
            QStringLiteral("CREATE INDEX main.orlaneva_id ON Ficha (%1)").arg(quoted(id)));
    for (const QString &sql : statements)
        sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
}

} // namespace db
