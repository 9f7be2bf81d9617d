#include "JetTestSupport.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include <sqlite3.h>

#include <cmath>

namespace jettest {

namespace {

QByteArray runTool(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.remove(QStringLiteral("MDBICONV"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        *error = QStringLiteral("%1 %2 failed: %3 %4")
                     .arg(program, arguments.join(QLatin1Char(' ')), process.errorString(),
                          QString::fromUtf8(process.readAllStandardError()));
        return {};
    }
    return process.readAllStandardOutput();
}

// RFC 4180 as mdb-export writes it: quoted cells with doubled quotes, line breaks inside
// quotes. Unquoted cells are numbers, or empty for Null.
QList<QVariantList> parseCsv(const QString &text)
{
    QList<QVariantList> rows;
    QVariantList row;
    QString cell;
    bool quoted = false, inQuotes = false, any = false;
    const auto endCell = [&] {
        row.append(quoted ? QVariant(cell) : cell.isEmpty() ? QVariant() : QVariant(cell));
        cell.clear();
        quoted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        any = true;
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                cell += c;
            }
        } else if (c == QLatin1Char('"')) {
            inQuotes = quoted = true;
        } else if (c == QLatin1Char(',')) {
            endCell();
        } else if (c == QLatin1Char('\n')) {
            endCell();
            rows.append(row);
            row.clear();
            any = false;
        } else {
            cell += c;
        }
    }
    if (any) {
        endCell();
        rows.append(row);
    }
    return rows;
}

bool sameCell(const QVariant &ours, const QVariant &theirs)
{
    if (!theirs.isValid())
        return !ours.isValid()
            || (ours.typeId() == QMetaType::QString && ours.toString().isEmpty());
    switch (ours.typeId()) {
    case QMetaType::LongLong:
        return theirs.toString() == QString::number(ours.toLongLong());
    case QMetaType::Double: {
        bool ok = false;
        const double value = theirs.toString().toDouble(&ok);
        const double mine = ours.toDouble();
        return ok && std::fabs(value - mine) <= 1e-12 * std::max(1.0, std::fabs(mine));
    }
    default:
        return ours.toString() == theirs.toString();
    }
}

} // namespace

QString testData(const QString &name)
{
    return QDir(qEnvironmentVariable("ORLANEVA_TEST_DATA")).filePath(name);
}

Rows mdbExport(const QString &file, const QString &table, QString *error)
{
    const QByteArray out
        = runTool(QStringLiteral("mdb-export"),
                  {QStringLiteral("-D"), QStringLiteral("%Y-%m-%d %H:%M:%S"), QStringLiteral("-T"),
                   QStringLiteral("%Y-%m-%d %H:%M:%S"), file, table},
                  error);
    Rows result;
    if (!error->isEmpty())
        return result;
    QList<QVariantList> rows = parseCsv(QString::fromUtf8(out));
    if (rows.isEmpty()) {
        *error = QStringLiteral("mdb-export printed nothing for %1").arg(table);
        return result;
    }
    for (const QVariant &name : rows.takeFirst())
        result.columns.append(name.toString());
    result.rows = rows;
    return result;
}

QStringList mdbTables(const QString &file, QString *error)
{
    const QByteArray out
        = runTool(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), file}, error);
    return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

Rows snapshotRows(sqlite3 *handle, const QString &table)
{
    Rows result;
    sqlite3_stmt *statement = nullptr;
    const QByteArray sql = "SELECT * FROM \"" + table.toUtf8() + "\" ORDER BY rowid";
    if (sqlite3_prepare_v2(handle, sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
        return result;
    for (int i = 0; i < sqlite3_column_count(statement); ++i)
        result.columns.append(QString::fromUtf8(sqlite3_column_name(statement, i)));
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QVariantList row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            switch (sqlite3_column_type(statement, i)) {
            case SQLITE_NULL:
                row.append(QVariant());
                break;
            case SQLITE_INTEGER:
                row.append(QVariant(qlonglong(sqlite3_column_int64(statement, i))));
                break;
            case SQLITE_FLOAT:
                row.append(QVariant(sqlite3_column_double(statement, i)));
                break;
            case SQLITE_BLOB:
                row.append(QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, i)),
                                      sqlite3_column_bytes(statement, i)));
                break;
            default:
                row.append(QString::fromUtf8(
                    reinterpret_cast<const char *>(sqlite3_column_text(statement, i)),
                    sqlite3_column_bytes(statement, i)));
                break;
            }
        }
        result.rows.append(row);
    }
    sqlite3_finalize(statement);
    return result;
}

QString differenceFromExport(sqlite3 *handle, const QString &file, const QString &table)
{
    QString error;
    const Rows theirs = mdbExport(file, table, &error);
    if (!error.isEmpty())
        return error;
    const Rows ours = snapshotRows(handle, table);
    if (ours.columns != theirs.columns)
        return QStringLiteral("%1: columns %2, mdb-export %3")
            .arg(table, ours.columns.join(QLatin1Char(',')), theirs.columns.join(QLatin1Char(',')));
    if (ours.rows.size() != theirs.rows.size())
        return QStringLiteral("%1: %2 rows, mdb-export %3")
            .arg(table)
            .arg(ours.rows.size())
            .arg(theirs.rows.size());
    for (qsizetype r = 0; r < ours.rows.size(); ++r) {
        if (ours.rows[r].size() != theirs.rows[r].size())
            return QStringLiteral("%1 row %2: %3 cells, mdb-export %4")
                .arg(table)
                .arg(r)
                .arg(ours.rows[r].size())
                .arg(theirs.rows[r].size());
        for (qsizetype c = 0; c < ours.rows[r].size(); ++c) {
            if (!sameCell(ours.rows[r][c], theirs.rows[r][c]))
                return QStringLiteral("%1 row %2 column %3: '%4', mdb-export '%5'")
                    .arg(table)
                    .arg(r)
                    .arg(ours.columns[c], ours.rows[r][c].toString().left(80),
                         theirs.rows[r][c].toString().left(80));
        }
    }
    return {};
}

} // namespace jettest
