#pragma once

// The db layer's own view of the SQLite C API: owning wrappers for handles and statements and
// the quoting of identifiers. Internal to src/db.

#include <QString>

#include <sqlite3.h>

#include <memory>

namespace db::sqlite {

struct HandleCloser
{
    void operator()(sqlite3 *handle) const { sqlite3_close_v2(handle); }
};

struct StatementFinalizer
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};

using Handle = std::unique_ptr<sqlite3, HandleCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

inline std::shared_ptr<sqlite3> share(Handle handle)
{
    return std::shared_ptr<sqlite3>(handle.release(), HandleCloser());
}

// Null when the statement does not compile; the reason is then the handle's message.
inline Statement prepare(sqlite3 *handle, const QByteArray &sql)
{
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return nullptr;
    }
    return Statement(raw);
}

inline QString message(sqlite3 *handle)
{
    return QString::fromUtf8(sqlite3_errmsg(handle));
}

inline QString columnText(sqlite3_stmt *statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

// An identifier as SQL text, whatever characters it holds.
inline QString quoted(const QString &identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

} // namespace db::sqlite
