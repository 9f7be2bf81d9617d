#include "CatalogueFixture.h"

#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace fixture {

namespace {

void check(sqlite3 *db, int rc)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

void bind(sqlite3 *db, sqlite3_stmt *statement, int index, const QVariant &value)
{
    if (value.isNull()) {
        check(db, sqlite3_bind_null(statement, index));
    } else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int) {
        check(db, sqlite3_bind_int64(statement, index, value.toLongLong()));
    } else {
        const QByteArray text = value.toString().toUtf8();
        check(db,
              sqlite3_bind_text(statement, index, text.constData(), int(text.size()),
                                SQLITE_TRANSIENT));
    }
}

sqlite3 *create(const QString &path)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot create the fixture catalogue");
    }
    return db;
}

} // namespace

QStringList cardColumns()
{
    return {QStringLiteral("Id"),
            QStringLiteral("TITULO"),
            QStringLiteral("AUTOR"),
            QStringLiteral("ENLACE"),
            QStringLiteral("NIVEL_EDUCATIVO"),
            QStringLiteral("DESCRIPTORES"),
            QStringLiteral("EDITORIAL"),
            QStringLiteral("ANIO"),
            QStringLiteral("IDIOMA"),
            QStringLiteral("FORMATO"),
            QStringLiteral("RESUMEN"),
            QStringLiteral("IMAGEN")};
}

void writeCatalogue(const QString &path, const QList<Card> &cards)
{
    sqlite3 *db = create(path);
    check(db,
          sqlite3_exec(db,
                       "CREATE TABLE Ficha (Id INTEGER PRIMARY KEY, TITULO TEXT, AUTOR TEXT, "
                       "ENLACE TEXT, NIVEL_EDUCATIVO TEXT, DESCRIPTORES TEXT, EDITORIAL TEXT, "
                       "ANIO INTEGER, IDIOMA TEXT, FORMATO TEXT, RESUMEN TEXT, IMAGEN TEXT)",
                       nullptr, nullptr, nullptr));
    check(db, sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr));
    sqlite3_stmt *insert = nullptr;
    check(db,
          sqlite3_prepare_v2(db,
                             "INSERT INTO Ficha VALUES (?, ?, 'Autora', ?, ?, ?, 'Editorial', "
                             "2004, 'Español', 'Libro', NULL, ?)",
                             -1, &insert, nullptr));
    for (const Card &card : cards) {
        bind(db, insert, 1, card.id);
        bind(db, insert, 2, card.titulo);
        bind(db, insert, 3, card.enlace);
        bind(db, insert, 4, card.nivel);
        bind(db, insert, 5, card.descriptores);
        bind(db, insert, 6, card.imagen);
        check(db, sqlite3_step(insert));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr));
    sqlite3_close(db);
}

void writeDatabase(const QString &path, const QStringList &statements,
                   const QStringList &foreignNames)
{
    sqlite3 *db = create(path);
    for (const QString &name : foreignNames) {
        const QByteArray n = name.toUtf8();
        sqlite3_create_collation(db, n.constData(), SQLITE_UTF8, nullptr,
                                 [](void *, int a, const void *x, int b, const void *y) {
                                     const int c = std::memcmp(x, y, size_t(std::min(a, b)));
                                     return c ? -c
                                              : b - a; // reversed: an order no reader can guess
                                 });
        sqlite3_create_function(
            db, n.constData(), 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
            [](sqlite3_context *context, int, sqlite3_value **values) {
                sqlite3_result_value(context, values[0]);
            },
            nullptr, nullptr);
    }
    for (const QString &sql : statements)
        check(db, sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr));
    sqlite3_close(db);
}

void writeInterrupted(const QString &path, Writer writer, const QStringList &committed,
                      const QStringList &pending)
{
    QTemporaryDir work;
    if (!work.isValid())
        throw std::runtime_error("no folder for the writer");
    const QString own = work.filePath(QStringLiteral("writer.db"));
    sqlite3 *db = create(own);
    auto exec
        = [db](const char *sql) { check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr)); };
    if (writer == Writer::Wal) {
        exec("PRAGMA journal_mode = WAL");
        exec("PRAGMA wal_autocheckpoint = 0");
    }
    exec("CREATE TABLE Ficha (Id INTEGER PRIMARY KEY, TITULO TEXT, AUTOR TEXT, ENLACE TEXT, "
         "NIVEL_EDUCATIVO TEXT, DESCRIPTORES TEXT, EDITORIAL TEXT, ANIO INTEGER, IDIOMA TEXT, "
         "FORMATO TEXT, RESUMEN TEXT, IMAGEN TEXT)");
    sqlite3_stmt *insert = nullptr;
    check(db,
          sqlite3_prepare_v2(db,
                             "INSERT INTO Ficha VALUES (?, ?, 'Autora', 'https://example.org', "
                             "'Primaria', 'Lengua y literatura', 'Editorial', 2004, 'Español', "
                             "'Libro', ?, '1.png')",
                             -1, &insert, nullptr));
    qint64 id = 0;
    auto add = [&](const QString &title, int padding) {
        const QByteArray text = title.toUtf8();
        const QByteArray resumen(padding, 'r');
        check(db, sqlite3_bind_int64(insert, 1, ++id));
        check(db,
              sqlite3_bind_text(insert, 2, text.constData(), int(text.size()), SQLITE_TRANSIENT));
        check(db,
              sqlite3_bind_text(insert, 3, resumen.constData(), int(resumen.size()),
                                SQLITE_TRANSIENT));
        check(db, sqlite3_step(insert));
        sqlite3_reset(insert);
    };
    for (const QString &title : committed)
        add(title, 10);
    // A tiny cache makes the transaction spill its pages before it ends.
    exec("PRAGMA cache_size = 1");
    exec("BEGIN");
    for (int round = 0; round < 100; ++round) {
        for (const QString &title : pending)
            add(title, 3000);
    }
    for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
        const QString from = own + QLatin1String(suffix);
        const QString to = path + QLatin1String(suffix);
        QFile::remove(to);
        if (QFile::exists(from) && !QFile::copy(from, to))
            throw std::runtime_error("cannot copy the writer's files");
    }
    sqlite3_finalize(insert);
    exec("ROLLBACK");
    sqlite3_close(db);
}

} // namespace fixture
