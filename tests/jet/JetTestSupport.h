#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3;

// mdbtools is the independent reader every Jet file in these tests is checked against.
namespace jettest {

struct Rows
{
    QStringList columns;
    QList<QVariantList> rows;
};

// A table as mdb-export prints it (dates as "yyyy-MM-dd hh:mm:ss", C locale). An empty cell
// is Null or empty text alike: mdb-export does not tell them apart.
Rows mdbExport(const QString &file, const QString &table, QString *error);

// The user tables mdb-tables lists.
QStringList mdbTables(const QString &file, QString *error);

// A table of the snapshot in its stored order: Null as an invalid QVariant, integers as
// qlonglong, reals as double, text as QString.
Rows snapshotRows(sqlite3 *handle, const QString &table);

// The first difference between a snapshot's table and mdb-export's output, or empty.
QString differenceFromExport(sqlite3 *handle, const QString &file, const QString &table);

QString testData(const QString &name);

} // namespace jettest
