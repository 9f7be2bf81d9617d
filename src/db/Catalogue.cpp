#include "db/Catalogue.h"

#include "common/Error.h"
#include "db/Errors.h"
#include "db/FileFormat.h"
#include "db/JetSnapshot.h"
#include "db/TextRules.h"

#include <QFile>
#include <QStringList>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace db {

namespace {

using orlaneva::Error;

[[noreturn]] void fail(int number, const QString &description)
{
    throw Error(number, description);
}

QString quoted(const QString &name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileIdentity &o) const
    {
        return device == o.device && inode == o.inode && size == o.size
            && modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec
            && changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

FileIdentity identityOf(const struct stat &st)
{
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

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

// Reads up to size bytes from the current position; -1 on a read error.
qint64 readFully(int fd, void *buffer, qint64 size)
{
    auto *p = static_cast<char *>(buffer);
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, p + done, std::size_t(size - done));
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

[[noreturn]] void failOpen(const QString &path, int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        fail(ErrorNumber::OpenFailed,
             QStringLiteral("No se pudo encontrar el archivo '%1'.").arg(path));
    case EACCES:
    case EPERM:
        fail(ErrorNumber::OpenFailed,
             QStringLiteral("No se puede abrir el archivo '%1': no tiene permiso para leerlo.")
                 .arg(path));
    case EISDIR:
        fail(ErrorNumber::OpenFailed,
             QStringLiteral("'%1' es una carpeta, no un archivo de base de datos.").arg(path));
    default:
        fail(ErrorNumber::OpenFailed,
             QStringLiteral("No se puede abrir el archivo '%1': %2.")
                 .arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
}

[[noreturn]] void failNotDatabase(const QString &path, const QString &why)
{
    fail(ErrorNumber::OpenFailed,
         QStringLiteral(
             "Formato de base de datos no reconocido: '%1' no es un catálogo de fichas (%2).")
             .arg(path, why));
}

struct HandleCloser
{
    void operator()(sqlite3 *handle) const { sqlite3_close_v2(handle); }
};

QString lastMessage(sqlite3 *handle)
{
    return QString::fromUtf8(sqlite3_errmsg(handle));
}

// Runs statements that return no rows while the snapshot is built.
void run(sqlite3 *handle, const QString &sql, const QString &path)
{
    char *message = nullptr;
    if (sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : "");
        sqlite3_free(message);
        const int code = sqlite3_extended_errcode(handle) & 0xFF;
        if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
            failNotDatabase(path, QStringLiteral("el archivo está dañado: %1").arg(text));
        fail(ErrorNumber::OpenFailed,
             QStringLiteral("No se puede leer el catálogo '%1': %2.").arg(path, text));
    }
}

struct Column
{
    QString name;
    QString type;
    bool primaryKey = false;
};

// The columns of src.Ficha in the table's own order, and its real name.
QList<Column> columnsOf(sqlite3 *handle, const QString &path, QString *tableName)
{
    sqlite3_stmt *statement = nullptr;
    // Reading the schema is the first read of the file's pages: a damaged or foreign file
    // fails here.
    const char *findTable = "SELECT name FROM src.sqlite_schema WHERE type IN ('table','view') "
                            "AND name = 'Ficha' COLLATE NOCASE";
    if (sqlite3_prepare_v2(handle, findTable, -1, &statement, nullptr) != SQLITE_OK)
        failNotDatabase(path,
                        QStringLiteral("el archivo está dañado: %1").arg(lastMessage(handle)));
    int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW)
        *tableName
            = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    if (rc == SQLITE_DONE)
        fail(ErrorNumber::TableNotFound,
             QStringLiteral("El catálogo '%1' no contiene la tabla 'Ficha'.").arg(path));
    if (rc != SQLITE_ROW)
        failNotDatabase(path,
                        QStringLiteral("el archivo está dañado: %1").arg(lastMessage(handle)));

    QList<Column> columns;
    const QByteArray info
        = QStringLiteral("PRAGMA src.table_info(%1)").arg(quoted(*tableName)).toUtf8();
    if (sqlite3_prepare_v2(handle, info.constData(), -1, &statement, nullptr) != SQLITE_OK)
        failNotDatabase(path,
                        QStringLiteral("el archivo está dañado: %1").arg(lastMessage(handle)));
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        Column c;
        c.name
            = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 1)));
        c.type
            = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 2)));
        c.primaryKey = sqlite3_column_int(statement, 5) != 0;
        columns.append(c);
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE)
        failNotDatabase(path,
                        QStringLiteral("el archivo está dañado: %1").arg(lastMessage(handle)));
    return columns;
}

// The file's bytes become a private in-memory database; table Ficha is copied from it into
// the snapshot with every column in the Spanish collation, which holds for any file, whatever
// its own schema declares.
std::shared_ptr<sqlite3> buildSnapshot(QByteArray &&bytes, const QString &path)
{
    sqlite3 *raw = nullptr;
    // One thread at a time, like the program: no locking on every call.
    if (sqlite3_open_v2(":memory:", &raw,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK) {
        sqlite3_close(raw);
        fail(ErrorNumber::OpenFailed,
             QStringLiteral("No hay memoria suficiente para abrir el catálogo '%1'.").arg(path));
    }
    std::shared_ptr<sqlite3> handle(raw, HandleCloser());
    installTextRules(raw);
    run(raw, QStringLiteral("ATTACH ':memory:' AS src"), path);

    // A file left in WAL mode reads as a plain one: the snapshot never writes back.
    if (bytes.size() > 19 && (bytes.at(18) == 2 || bytes.at(19) == 2)) {
        bytes[18] = 1;
        bytes[19] = 1;
    }
    const auto size = sqlite3_int64(bytes.size());
    auto *image = static_cast<unsigned char *>(sqlite3_malloc64(sqlite3_uint64(size)));
    if (!image)
        fail(ErrorNumber::OpenFailed,
             QStringLiteral("No hay memoria suficiente para abrir el catálogo '%1'.").arg(path));
    std::memcpy(image, bytes.constData(), std::size_t(size));
    bytes = QByteArray();
    if (sqlite3_deserialize(raw, "src", image, size, size,
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY)
        != SQLITE_OK)
        failNotDatabase(path, lastMessage(raw));

    QString tableName;
    const QList<Column> columns = columnsOf(raw, path, &tableName);
    int keys = 0;
    for (const Column &c : columns)
        keys += c.primaryKey ? 1 : 0;
    QStringList definitions;
    for (const Column &c : columns) {
        // An INTEGER PRIMARY KEY stays the row id, so `where id=` finds its row directly.
        const bool rowId = keys == 1 && c.primaryKey
            && c.type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
        definitions.append(quoted(c.name) + QLatin1Char(' ') + c.type
                           + (rowId ? QStringLiteral(" PRIMARY KEY") : QString())
                           + QStringLiteral(" COLLATE ") + QLatin1String(kSpanishCollation));
    }
    run(raw, QStringLiteral("BEGIN"), path);
    run(raw,
        QStringLiteral("CREATE TABLE main.Ficha (%1)").arg(definitions.join(QStringLiteral(", "))),
        path);
    run(raw, QStringLiteral("INSERT INTO main.Ficha SELECT * FROM src.%1").arg(quoted(tableName)),
        path);
    run(raw, QStringLiteral("COMMIT"), path);
    run(raw, QStringLiteral("DETACH src"), path);
    indexForSearch(raw);
    run(raw, QStringLiteral("PRAGMA query_only = 1"), path);
    return handle;
}

struct CacheEntry
{
    QString path;
    FileIdentity identity;
    std::shared_ptr<sqlite3> handle;
};

// A few recent catalogues; the program itself only ever opens one.
constexpr std::size_t kCacheSize = 4;
std::deque<CacheEntry> cache;
std::mutex cacheMutex;

} // namespace

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

std::shared_ptr<sqlite3> openCatalogue(const QString &nativePath)
{
    const QByteArray encoded = QFile::encodeName(nativePath);
    if (nativePath.isEmpty())
        failOpen(nativePath, ENOENT);
    struct stat st;
    if (::stat(encoded.constData(), &st) != 0)
        failOpen(nativePath, errno);
    if (S_ISDIR(st.st_mode))
        failOpen(nativePath, EISDIR);
    if (!S_ISREG(st.st_mode))
        failNotDatabase(nativePath, QStringLiteral("no es un archivo normal"));

    // Opening the file on every call keeps the permission check honest even when the
    // snapshot is already in memory.
    const FileDescriptor file(::open(encoded.constData(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        failOpen(nativePath, errno);
    if (::fstat(file.get(), &st) != 0)
        failOpen(nativePath, errno);
    const FileIdentity identity = identityOf(st);
    {
        const std::lock_guard lock(cacheMutex);
        for (const CacheEntry &entry : cache) {
            if (entry.path == nativePath && entry.identity == identity)
                return entry.handle;
        }
    }

    QByteArray head(kFormatProbeSize, Qt::Uninitialized);
    const qint64 headSize = readFully(file.get(), head.data(), head.size());
    if (headSize < 0)
        failOpen(nativePath, errno);
    head.truncate(headSize);
    const FileFormat format = detectFormat(head);
    switch (format) {
    case FileFormat::Unknown:
        failNotDatabase(nativePath,
                        st.st_size == 0 ? QStringLiteral("el archivo está vacío")
                                        : QStringLiteral("no es una base de datos"));
    case FileFormat::Jet3:
    case FileFormat::Jet4:
    case FileFormat::Ace: {
        std::shared_ptr<sqlite3> handle = jet::openSnapshot(nativePath);
        indexForSearch(handle.get());
        // Shared by every later connection: nothing may change it after the index.
        run(handle.get(), QStringLiteral("PRAGMA query_only = 1"), nativePath);
        return handle;
    }
    case FileFormat::SQLite:
        break;
    }
    if (isTruncatedSqlite(head, st.st_size))
        failNotDatabase(nativePath, QStringLiteral("el archivo está incompleto o dañado"));

    QByteArray bytes(qsizetype(st.st_size), Qt::Uninitialized);
    std::memcpy(bytes.data(), head.constData(), std::size_t(head.size()));
    const qint64 rest
        = readFully(file.get(), bytes.data() + head.size(), bytes.size() - head.size());
    if (rest < 0)
        failOpen(nativePath, errno);
    if (rest != bytes.size() - head.size())
        failNotDatabase(nativePath, QStringLiteral("el archivo está incompleto o dañado"));

    std::shared_ptr<sqlite3> handle = buildSnapshot(std::move(bytes), nativePath);
    const std::lock_guard lock(cacheMutex);
    std::erase_if(cache, [&](const CacheEntry &e) { return e.path == nativePath; });
    cache.push_front({nativePath, identity, handle});
    if (cache.size() > kCacheSize)
        cache.pop_back();
    return handle;
}

} // namespace db
