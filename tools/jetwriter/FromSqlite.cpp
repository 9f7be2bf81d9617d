#include "jetwriter/FromSqlite.h"

#include <QFile>

#include <sqlite3.h>

#include <limits>
#include <memory>
#include <stdexcept>

namespace jetwriter {

namespace {

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};

QString text(sqlite3_stmt *statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

std::unique_ptr<sqlite3_stmt, Closer> prepare(sqlite3 *db, const QString &sql)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    return std::unique_ptr<sqlite3_stmt, Closer>(statement);
}

Table readTable(sqlite3 *db, const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    Table table{name, {}, {}};
    const auto info
        = prepare(db,
                  QStringLiteral("SELECT name, type FROM pragma_table_info('%1')")
                      .arg(QString(name).replace(QLatin1Char('\''), QLatin1String("''"))));
    while (sqlite3_step(info.get()) == SQLITE_ROW) {
        const QString type = text(info.get(), 1).toUpper();
        ColumnType kind = ColumnType::Text;
        if (type.contains(QLatin1String("INT")))
            kind = ColumnType::Long;
        else if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA"))
                 || type.contains(QLatin1String("DOUB")))
            kind = ColumnType::Double;
        table.columns.append({text(info.get(), 0), kind});
    }
    const auto rows
        = prepare(db, QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(quoted));
    while (sqlite3_step(rows.get()) == SQLITE_ROW) {
        Row row;
        for (int i = 0; i < table.columns.size(); ++i) {
            Column &column = table.columns[i];
            switch (sqlite3_column_type(rows.get(), i)) {
            case SQLITE_NULL:
                row.append(QVariant());
                break;
            case SQLITE_INTEGER: {
                const qint64 value = sqlite3_column_int64(rows.get(), i);
                if (column.type == ColumnType::Long
                    && (value < std::numeric_limits<qint32>::min()
                        || value > std::numeric_limits<qint32>::max()))
                    throw std::runtime_error("a whole number beyond a Jet Long");
                row.append(column.type == ColumnType::Long ? QVariant(value)
                               : column.type == ColumnType::Double
                               ? QVariant(double(value))
                               : QVariant(QString::number(value)));
                break;
            }
            case SQLITE_FLOAT:
                row.append(column.type == ColumnType::Double
                               ? QVariant(sqlite3_column_double(rows.get(), i))
                               : QVariant(text(rows.get(), i)));
                break;
            default: {
                const QString value = text(rows.get(), i);
                if (column.type != ColumnType::Text && column.type != ColumnType::Memo)
                    throw std::runtime_error("text in a numeric column");
                if (value.size() > 255)
                    column.type = ColumnType::Memo;
                row.append(value);
                break;
            }
            }
        }
        table.rows.append(row);
    }
    return table;
}

} // namespace

void copyFromSqlite(const QString &sqlitePath, const QString &jetPath, const Options &options)
{
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(sqlitePath).constData(), &raw,
                                   SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, Closer> db(raw);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot open " + sqlitePath.toStdString());
    QList<Table> tables;
    const auto names = prepare(db.get(),
                               QStringLiteral("SELECT name FROM sqlite_schema WHERE type = 'table' "
                                              "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                                              "ORDER BY rowid"));
    while (sqlite3_step(names.get()) == SQLITE_ROW)
        tables.append(readTable(db.get(), text(names.get(), 0)));
    writeDatabase(jetPath, tables, options);
}

} // namespace jetwriter
