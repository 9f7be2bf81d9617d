#include "CatalogueWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <stdexcept>

namespace {

const char *const kSchema
    = "CREATE TABLE Ficha ("
      "Id INTEGER PRIMARY KEY, TITULO TEXT, AUTOR TEXT, ENLACE TEXT, NIVEL_EDUCATIVO TEXT, "
      "DESCRIPTORES TEXT, EDITORIAL TEXT, ANIO INTEGER, IDIOMA TEXT, FORMATO TEXT, "
      "RESUMEN TEXT, IMAGEN TEXT)";

} // namespace

struct CatalogueWriter::Private
{
    QString path;
    QString temporary;
    sqlite3 *db = nullptr;
    sqlite3_stmt *insert = nullptr;

    void check(int rc) const
    {
        if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
            throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db));
    }
    void exec(const char *sql) const { check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr)); }

    void bind(int index, const std::optional<QString> &value) const
    {
        if (!value) {
            check(sqlite3_bind_null(insert, index));
            return;
        }
        const QByteArray utf8 = value->toUtf8();
        check(
            sqlite3_bind_text(insert, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
    }
};

CatalogueWriter::CatalogueWriter(const QString &path) : d(new Private)
{
    d->path = path;
    d->temporary = path + QStringLiteral(".tmp");
    QFile::remove(d->temporary);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (sqlite3_open_v2(QFile::encodeName(d->temporary).constData(), &d->db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK)
        d->check(SQLITE_CANTOPEN);
    d->exec("PRAGMA journal_mode = DELETE");
    d->exec("PRAGMA synchronous = OFF");
    // A million cards fill about 250 MB: pages stay in memory until the commit writes them
    // once, and nobody else opens the temporary file meanwhile.
    d->exec("PRAGMA cache_size = -131072");
    d->exec("PRAGMA locking_mode = EXCLUSIVE");
    d->exec(kSchema);
    d->exec("BEGIN");
    d->check(sqlite3_prepare_v2(d->db, "INSERT INTO Ficha VALUES (?,?,?,?,?,?,?,?,?,?,?,?)", -1,
                                &d->insert, nullptr));
}

CatalogueWriter::~CatalogueWriter()
{
    sqlite3_finalize(d->insert);
    sqlite3_close(d->db);
    if (!d->temporary.isEmpty())
        QFile::remove(d->temporary);
    delete d;
}

void CatalogueWriter::add(const SampleCard &card)
{
    d->check(sqlite3_bind_int64(d->insert, 1, card.id));
    d->bind(2, card.titulo);
    d->bind(3, card.autor);
    d->bind(4, card.enlace);
    d->bind(5, card.nivel);
    d->bind(6, card.descriptores);
    d->bind(7, card.editorial);
    if (card.anio)
        d->check(sqlite3_bind_int64(d->insert, 8, *card.anio));
    else
        d->check(sqlite3_bind_null(d->insert, 8));
    d->bind(9, card.idioma);
    d->bind(10, card.formato);
    d->bind(11, card.resumen);
    d->bind(12, card.imagen);
    d->check(sqlite3_step(d->insert));
    d->check(sqlite3_reset(d->insert));
}

void CatalogueWriter::commit()
{
    d->exec("COMMIT");
    sqlite3_finalize(d->insert);
    d->insert = nullptr;
    d->check(sqlite3_close(d->db));
    d->db = nullptr;
    QFile::remove(d->path);
    if (!QFile::rename(d->temporary, d->path))
        throw std::runtime_error("cannot move the catalogue into place");
    d->temporary.clear();
}
