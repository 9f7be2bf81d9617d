#include "CatalogueFixture.h"

#include <QFile>

#include <sqlite3.h>

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

void writeDatabase(const QString &path, const QStringList &statements)
{
    sqlite3 *db = create(path);
    for (const QString &sql : statements)
        check(db, sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr));
    sqlite3_close(db);
}

} // namespace fixture
