#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace db {

class Catalogue;

// Cursor locations and the "options left unspecified" value, as ADO numbers them.
inline constexpr int adUseServer = 2;
inline constexpr int adUseClient = 3;
inline constexpr long adOptionUnspecified = -1;
inline constexpr long adCmdText = 1;
inline constexpr long adCmdUnknown = 8;

// One field value: Null, a whole number, a real number or a text. Null is not the empty text.
class Value
{
public:
    enum class Type { Null, Integer, Real, Text };

    Value() = default;
    explicit Value(int integer) : m_data(qint64(integer)) { }
    explicit Value(qint64 integer) : m_data(integer) { }
    explicit Value(double real) : m_data(real) { }
    explicit Value(QString text) : m_data(std::move(text)) { }

    Type type() const { return static_cast<Type>(m_data.index()); }
    bool isNull() const { return type() == Type::Null; }
    bool isInteger() const { return type() == Type::Integer; }
    bool isReal() const { return type() == Type::Real; }
    bool isText() const { return type() == Type::Text; }

    // Null reads as the empty text; numbers as their decimal digits ("." before decimals).
    QString toString() const;
    // Whole numbers as they are; real numbers rounded half to even; text holding a number is
    // converted. Throws orlaneva::Error for Null (94) and for any other text (13).
    qint64 toInteger() const;
    double toReal() const;

    bool operator==(const Value &other) const = default;

private:
    std::variant<std::monostate, qint64, double, QString> m_data;
};

class Recordset;

// A column of a result set; its value is that of the recordset's current row.
class Field
{
public:
    // Throws orlaneva::Error 3021 when no row is current (BOF or EOF).
    const db::Value &Value() const;
    QString Name() const;

private:
    friend class Recordset;
    Field(const Recordset *recordset, int index) : m_recordset(recordset), m_index(index) { }

    const Recordset *m_recordset;
    int m_index;
};

// A complete, client-side result: every row is read by Execute, so RecordCount is exact
// before any row is read. Rows are kept compactly and a field's value is decoded when it is
// read; the reference Fields(i).Value() returns stays valid until the recordset moves.
class Recordset
{
public:
    // Rows laid end to end, fieldNames.size() values per row. Tests may build recordsets this
    // way. source names the catalogue in error messages.
    Recordset(QStringList fieldNames, const std::vector<db::Value> &values, QString source = {},
              bool countKnown = true);
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    // The number of rows; -1 for a result read through a server-side cursor, as ADO does.
    qint64 RecordCount() const { return m_countKnown ? m_rowCount : -1; }
    bool BOF() const { return m_rowCount == 0 || m_current < 0; }
    bool isEOF() const { return m_rowCount == 0 || m_current >= m_rowCount; }
    // Both throw orlaneva::Error 3021 where ADO does: MoveFirst on an empty result,
    // MoveNext at EOF.
    void MoveFirst();
    void MoveNext();
    // Throws orlaneva::Error 3265 for a position past the last column.
    const Field &Fields(int i) const;
    int FieldCount() const { return int(m_fields.size()); }

private:
    friend class Field;
    friend class Connection;
    struct Cell
    {
        qint64 number = 0; // the integer, the real's bits, or the text's offset
        qint32 size = 0;
        quint8 type = 0; // Value::Type
    };

    Recordset(QStringList fieldNames, QString source, bool countKnown);
    void appendNull();
    void appendInteger(qint64 value);
    void appendReal(double value);
    void appendText(const char *utf8, qsizetype size);
    void finish();
    const db::Value &valueAt(int column) const;

    QStringList m_names;
    std::vector<Cell> m_cells;
    std::string m_text; // UTF-8 of every text cell, end to end
    std::vector<Field> m_fields;
    mutable std::vector<db::Value> m_row; // decoded fields, each of row m_decodedRow[i]
    mutable std::vector<qint64> m_decodedRow;
    QString m_source;
    qint64 m_rowCount = 0;
    qint64 m_current = 0;
    bool m_countKnown = true;
};

// A connection to the card catalogue. The file is only ever read: a SQLite or a Jet file,
// told by its first bytes, copied into an in-memory snapshot that later connections to the
// unchanged file share (see Catalogue). Every failure is an orlaneva::Error (numbers in
// db/Errors.h) whose description names the file.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(Connection &&) noexcept;
    Connection &operator=(Connection &&) noexcept;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<path>;Persist Security Info=False;
    // Jet OLEDB:Database Password = ". Read by Open.
    QString ConnectionString;
    // Read by every Execute: adUseClient for an exact RecordCount.
    int CursorLocation = adUseServer;

    void Open(const QString &user = {}, const QString &password = {},
              long options = adOptionUnspecified);
    // Runs one SELECT statement exactly as written; *recordsAffected becomes -1 (no row is
    // ever changed).
    std::unique_ptr<Recordset> Execute(const QString &sql, long *recordsAffected = nullptr,
                                       long options = adOptionUnspecified);

    bool isOpen() const { return m_catalogue != nullptr; }
    // The catalogue file as opened (native separators); empty before Open.
    QString path() const { return m_path; }

    // An open connection follows the file: a statement after the file changed reads it
    // anew. This one instead reads the catalogue as the latest statement of a connection
    // that follows the file found it, and keeps to that: so a card chosen from a list is
    // looked up in the very catalogue the list came from, even if the file changed since.
    void readAsListed();

private:
    std::shared_ptr<const Catalogue> m_catalogue;
    QString m_path;
    bool m_followsFile = true;
};

} // namespace db
