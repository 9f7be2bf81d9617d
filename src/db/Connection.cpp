#include "db/Connection.h"

#include "common/Error.h"
#include "common/Paths.h"
#include "common/Rounding.h"
#include "db/Catalogue.h"
#include "db/ConnectionString.h"
#include "db/Errors.h"
#include "db/Sqlite.h"

#include <cmath>
#include <cstring>

namespace db {

namespace {

QString shown(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("(sin nombre)") : path;
}

// Statements may read the catalogue and nothing else: no writes (the snapshot is shared by
// every connection), no ATTACH, no PRAGMA.
int readOnlyAuthorizer(void *, int action, const char *, const char *, const char *, const char *)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

// Installs the authorizer for one statement's preparation; the Jet snapshot's handle
// belongs to its own module, which may need to write to it later.
class AuthorizerScope
{
public:
    explicit AuthorizerScope(sqlite3 *handle) : m_handle(handle)
    {
        sqlite3_set_authorizer(m_handle, readOnlyAuthorizer, nullptr);
    }
    ~AuthorizerScope() { sqlite3_set_authorizer(m_handle, nullptr, nullptr); }
    AuthorizerScope(const AuthorizerScope &) = delete;
    AuthorizerScope &operator=(const AuthorizerScope &) = delete;

private:
    sqlite3 *m_handle;
};

[[noreturn]] void rejectStatement(const QString &sql, const QString &path, const QString &why)
{
    throw errors::statementRejected(sql, shown(path), why);
}

// The engine's own reasons, in Spanish; others are passed on as the engine words them.
QString engineReason(const char *message)
{
    const QString text = QString::fromUtf8(message);
    static const struct
    {
        const char *prefix;
        const char *spanish;
    } known[] = {
        {"near ", "error de sintaxis cerca de %1"},
        {"no such column: ", "no existe la columna %1"},
        {"no such table: ", "no existe la tabla %1"},
        {"no such function: ", "no existe la función %1"},
        {"unrecognized token: ", "símbolo no reconocido %1"},
        {"ambiguous column name: ", "el nombre de columna %1 es ambiguo"},
        {"incomplete input", "la instrucción está incompleta%1"},
        {"no tables specified", "falta la tabla%1"},
    };
    for (const auto &k : known) {
        const QString prefix = QString::fromUtf8(k.prefix);
        if (!text.startsWith(prefix))
            continue;
        QString rest = text.mid(prefix.size());
        if (rest.endsWith(u": syntax error"))
            rest.chop(14);
        return QString::fromUtf8(k.spanish).arg(rest);
    }
    return QStringLiteral("el motor informa «%1»").arg(text);
}

bool onlyBlanksOrSemicolons(const char *tail)
{
    for (; *tail; ++tail) {
        const char c = *tail;
        if (c != ';' && c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v')
            return false;
    }
    return true;
}

} // namespace

// ---- Value ----

QString Value::toString() const
{
    switch (type()) {
    case Type::Null:
        return QString();
    case Type::Integer:
        return QString::number(std::get<qint64>(m_data));
    case Type::Real:
        return QString::number(std::get<double>(m_data), 'g', 15);
    case Type::Text:
        return std::get<QString>(m_data);
    }
    return QString();
}

qint64 Value::toInteger() const
{
    switch (type()) {
    case Type::Null:
        throw errors::invalidUseOfNull();
    case Type::Integer:
        return std::get<qint64>(m_data);
    case Type::Real:
    case Type::Text: {
        const double real = toReal();
        if (!(std::fabs(real) < 9.2e18))
            throw errors::overflow();
        return qint64(orlaneva::roundHalfEven(real));
    }
    }
    return 0;
}

double Value::toReal() const
{
    switch (type()) {
    case Type::Null:
        throw errors::invalidUseOfNull();
    case Type::Integer:
        return double(std::get<qint64>(m_data));
    case Type::Real:
        return std::get<double>(m_data);
    case Type::Text: {
        bool ok = false;
        const double real = std::get<QString>(m_data).trimmed().toDouble(&ok);
        if (!ok)
            throw errors::notANumber(std::get<QString>(m_data));
        return real;
    }
    }
    return 0;
}

// ---- Field and Recordset ----

const db::Value &Field::Value() const
{
    return m_recordset->valueAt(m_index);
}

QString Field::Name() const
{
    return m_recordset->m_names.at(m_index);
}

Recordset::Recordset(QStringList fieldNames, QString source, bool countKnown)
    : m_names(std::move(fieldNames)), m_source(std::move(source)), m_countKnown(countKnown)
{
    const qsizetype columns = m_names.size();
    m_fields.reserve(std::size_t(columns));
    for (int i = 0; i < columns; ++i)
        m_fields.push_back(Field(this, i));
    m_row.resize(std::size_t(columns));
    m_decodedRow.assign(std::size_t(columns), -1);
}

Recordset::Recordset(QStringList fieldNames, const std::vector<db::Value> &values, QString source,
                     bool countKnown)
    : Recordset(std::move(fieldNames), std::move(source), countKnown)
{
    const std::size_t columns = std::size_t(m_names.size());
    const std::size_t complete = columns > 0 ? values.size() / columns * columns : 0;
    for (std::size_t i = 0; i < complete; ++i) {
        const db::Value &v = values[i];
        switch (v.type()) {
        case Value::Type::Null:
            appendNull();
            break;
        case Value::Type::Integer:
            appendInteger(v.toInteger());
            break;
        case Value::Type::Real:
            appendReal(v.toReal());
            break;
        case Value::Type::Text: {
            const QByteArray utf8 = v.toString().toUtf8();
            appendText(utf8.constData(), utf8.size());
            break;
        }
        }
    }
    finish();
}

void Recordset::appendNull()
{
    m_cells.push_back({0, 0, quint8(Value::Type::Null)});
}

void Recordset::appendInteger(qint64 value)
{
    m_cells.push_back({value, 0, quint8(Value::Type::Integer)});
}

void Recordset::appendReal(double value)
{
    qint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    m_cells.push_back({bits, 0, quint8(Value::Type::Real)});
}

void Recordset::appendText(const char *utf8, qsizetype size)
{
    m_cells.push_back({qint64(m_text.size()), qint32(size), quint8(Value::Type::Text)});
    m_text.append(utf8, std::size_t(size));
}

void Recordset::finish()
{
    const qsizetype columns = m_names.size();
    m_rowCount = columns > 0 ? qint64(m_cells.size()) / columns : 0;
    m_current = 0;
}

void Recordset::MoveFirst()
{
    if (m_rowCount == 0)
        throw errors::noFirstRecord(shown(m_source));
    m_current = 0;
}

void Recordset::MoveNext()
{
    if (isEOF())
        throw errors::noNextRecord(shown(m_source));
    ++m_current;
}

const Field &Recordset::Fields(int i) const
{
    if (i < 0 || i >= FieldCount())
        throw errors::noSuchField(shown(m_source), i, FieldCount());
    return m_fields[std::size_t(i)];
}

const db::Value &Recordset::valueAt(int column) const
{
    if (BOF() || isEOF())
        throw errors::noCurrentRecord(shown(m_source));
    const std::size_t c = std::size_t(column);
    if (m_decodedRow[c] != m_current) {
        const Cell &cell = m_cells[std::size_t(m_current * m_names.size() + column)];
        switch (Value::Type(cell.type)) {
        case Value::Type::Null:
            m_row[c] = db::Value();
            break;
        case Value::Type::Integer:
            m_row[c] = db::Value(cell.number);
            break;
        case Value::Type::Real: {
            double real;
            std::memcpy(&real, &cell.number, sizeof real);
            m_row[c] = db::Value(real);
            break;
        }
        case Value::Type::Text:
            m_row[c] = db::Value(QString::fromUtf8(m_text.data() + cell.number, cell.size));
            break;
        }
        m_decodedRow[c] = m_current;
    }
    return m_row[c];
}

// ---- Connection ----

Connection::Connection() = default;
Connection::~Connection() = default;
Connection::Connection(Connection &&) noexcept = default;
Connection &Connection::operator=(Connection &&) noexcept = default;

void Connection::Open(const QString &user, const QString &password, long options)
{
    Q_UNUSED(user); // Jet's default user; a read-only snapshot knows no others
    if (m_catalogue)
        throw errors::alreadyOpen(shown(m_path));
    QString reason;
    const std::optional<ConnectionSettings> settings
        = parseConnectionString(ConnectionString, &reason);
    if (!settings)
        throw errors::invalidConnectionString(ConnectionString, reason);
    const QString path = orlaneva::nativePath(settings->dataSource);
    if (options != adOptionUnspecified && options != 0)
        throw errors::unsupportedOpenOption(options, shown(path));
    const QString provider = settings->provider.toLower();
    if (!provider.startsWith(QLatin1String("microsoft.jet.oledb."))
        && !provider.startsWith(QLatin1String("microsoft.ace.oledb.")))
        throw errors::providerNotFound(settings->provider, shown(path));
    if (settings->dataSource.trimmed().isEmpty())
        throw errors::noDataSource(ConnectionString);
    if (!settings->password.isEmpty() || !password.isEmpty())
        throw errors::passwordGiven(path);
    m_catalogue = Catalogue::open(path);
    m_path = path;
    m_followsFile = true;
}

void Connection::readAsListed()
{
    if (!m_catalogue)
        return;
    if (std::shared_ptr<const Catalogue> listed = Catalogue::listed(m_path))
        m_catalogue = std::move(listed);
    m_followsFile = false;
}

std::unique_ptr<Recordset> Connection::Execute(const QString &sql, long *recordsAffected,
                                               long options)
{
    if (!m_catalogue)
        throw errors::notOpen(sql);
    if (CursorLocation != adUseServer && CursorLocation != adUseClient)
        throw errors::invalidCursorLocation(CursorLocation, m_path);
    if (options != adOptionUnspecified && options != adCmdText && options != adCmdUnknown)
        throw errors::unsupportedExecuteOption(options, m_path);
    // A file replaced or rewritten since the last statement is read again (and a file gone
    // is reported as Open reports it).
    if (m_followsFile && !m_catalogue->isCurrent())
        m_catalogue = Catalogue::open(m_path);
    if (m_followsFile)
        Catalogue::setListed(m_catalogue);
    sqlite3 *handle = m_catalogue->handle();
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *raw = nullptr;
    const char *tail = nullptr;
    int rc;
    {
        const AuthorizerScope readOnly(handle);
        rc = sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &raw, &tail);
    }
    const sqlite::Statement statement(raw);
    if (rc == SQLITE_AUTH)
        rejectStatement(sql, m_path,
                        QStringLiteral("solo se admiten consultas SELECT; el catálogo es de solo "
                                       "lectura"));
    if (rc != SQLITE_OK)
        rejectStatement(sql, m_path, engineReason(sqlite3_errmsg(handle)));
    if (!statement)
        rejectStatement(sql, m_path, QStringLiteral("la instrucción está vacía"));
    if (tail && !onlyBlanksOrSemicolons(tail))
        rejectStatement(sql, m_path,
                        QStringLiteral("hay caracteres después del final de la instrucción"));
    if (!sqlite3_stmt_readonly(statement.get()))
        rejectStatement(sql, m_path,
                        QStringLiteral("solo se admiten consultas SELECT; el catálogo es de solo "
                                       "lectura"));

    const int columns = sqlite3_column_count(statement.get());
    QStringList names;
    names.reserve(columns);
    for (int i = 0; i < columns; ++i)
        names.append(QString::fromUtf8(sqlite3_column_name(statement.get(), i)));
    // Not make_unique: the constructor that fills a recordset row by row is private.
    std::unique_ptr<Recordset> rs(
        new Recordset(std::move(names), m_path, CursorLocation == adUseClient));
    sqlite3_stmt *s = statement.get();
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) {
            switch (sqlite3_column_type(s, i)) {
            case SQLITE_INTEGER:
                rs->appendInteger(sqlite3_column_int64(s, i));
                break;
            case SQLITE_FLOAT:
                rs->appendReal(sqlite3_column_double(s, i));
                break;
            case SQLITE_NULL:
                rs->appendNull();
                break;
            default: // text, and blobs read as the text they most likely hold
                rs->appendText(reinterpret_cast<const char *>(sqlite3_column_text(s, i)),
                               sqlite3_column_bytes(s, i));
                break;
            }
        }
    }
    if (rc != SQLITE_DONE)
        rejectStatement(sql, m_path, engineReason(sqlite3_errmsg(handle)));
    rs->finish();
    if (recordsAffected)
        *recordsAffected = -1;
    return rs;
}

} // namespace db
