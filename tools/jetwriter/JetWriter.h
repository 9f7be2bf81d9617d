#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// Writes small Jet 4 (Access 2000-2003) files for tests and benchmarks: the program itself
// only reads them, and no Linux tool creates them. The files carry what libmdb and the
// mdbtools commands need (header, catalogue, table definitions, usage maps, data and
// long-value pages) and nothing else: no indexes, no relationships, no properties.
namespace jetwriter {

enum class ColumnType { Boolean, Integer, Long, Double, DateTime, Text, Memo };

struct Column
{
    QString name;
    ColumnType type = ColumnType::Text;
    int maxLength = 255; // Text: characters
};

// A row holds one value per column: an invalid QVariant is Null; Boolean takes bool, Integer
// and Long integers, Double and DateTime (days since 1899-12-30) doubles, Text and Memo
// strings.
using Row = QList<QVariant>;

struct Table
{
    QString name;
    QList<Column> columns;
    QList<Row> rows;
};

struct Options
{
    QString password; // empty: none; at most 20 characters
    double creationDate = 44568.5;
    bool compressText = true; // Access' "Unicode compression" of Text and Memo values
    int inlineMemoBytes = 1024; // longer memos go to long-value pages
    bool referenceUsageMaps = false; // usage maps of kind 1 even where kind 0 would do
};

// Throws std::runtime_error when the tables cannot be written (a value too long, a row over a
// page, the file not writable).
void writeDatabase(const QString &path, const QList<Table> &tables, const Options &options = {});

// The card table as the tests use it: Long Id, then twelve Text and Memo columns with the
// title at position 1, the link at 3 and the image file name at 11.
QList<Column> fichaColumns();

} // namespace jetwriter
