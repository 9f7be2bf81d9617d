// Card database figures on the synthetic catalogue: opening a connection, and the statements
// of the eight search builders and the card window, each timed from Execute until every field
// of every row has been read as the grid reads it. Beside each, the floor: the same statement
// through the SQLite library alone (built-in LIKE, no folding, no snapshot).
#include "Bench.h"

#include "db/Connection.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace {

// The statements exactly as the search window's builders compose them.
const QString kSelect = QStringLiteral(
    "SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES FROM Ficha ");
const QString kClose = QStringLiteral("%' ");
const QString kOrder = QStringLiteral("order by Titulo asc");

QString fichas()
{
    return kSelect + kOrder;
}
QString descriptores(const QString &d)
{
    return kSelect + QStringLiteral("where DESCRIPTORES LIKE '%") + d + kClose + kOrder;
}
QString nivel(const QString &n)
{
    return kSelect + QStringLiteral("where NIVEL_EDUCATIVO LIKE '%") + n + kClose
        + QStringLiteral(" ") + kOrder;
}
QString descriptoresNivel(const QString &n, const QString &d)
{
    return kSelect + QStringLiteral("where NIVEL_EDUCATIVO LIKE '%") + n + kClose
        + QStringLiteral("AND DESCRIPTORES LIKE '%") + d + kClose + kOrder;
}
QString titulo(const QString &t)
{
    return kSelect + QStringLiteral("where Titulo LIKE '%") + t + kClose + kOrder;
}
QString descriptoresTitulo(const QString &d, const QString &t)
{
    return kSelect + QStringLiteral("where DESCRIPTORES LIKE '%") + d + kClose
        + QStringLiteral("AND TITULO LIKE '%") + t + kClose + kOrder;
}
QString nivelTitulo(const QString &n, const QString &t)
{
    return kSelect + QStringLiteral("where NIVEL_EDUCATIVO LIKE '%") + n + kClose
        + QStringLiteral("AND TITULO LIKE '%") + t + kClose + kOrder;
}
QString todos(const QString &n, const QString &d, const QString &t)
{
    return kSelect + QStringLiteral("where NIVEL_EDUCATIVO LIKE '%") + n + kClose
        + QStringLiteral("AND DESCRIPTORES LIKE '%") + d + kClose
        + QStringLiteral("AND TITULO LIKE '%") + t + kClose + kOrder;
}

QString connectionString(const QString &path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path
        + QStringLiteral(";Persist Security Info=False;Jet OLEDB:Database Password = ");
}

std::unique_ptr<db::Connection> openConnection(const QString &path)
{
    auto c = std::make_unique<db::Connection>();
    c->ConnectionString = connectionString(path);
    c->Open(QString(), QString(), db::adOptionUnspecified);
    return c;
}

// Execute, then every field of every row as text, as the results grid does.
qint64 runOurs(db::Connection &c, const QString &sql, qint64 *characters)
{
    c.CursorLocation = db::adUseClient;
    long affected = 0;
    std::unique_ptr<db::Recordset> rs = c.Execute(sql, &affected, db::adOptionUnspecified);
    const qint64 count = rs->RecordCount();
    if (!rs->BOF() && !rs->isEOF())
        rs->MoveFirst();
    const int fields = rs->FieldCount();
    while (!rs->isEOF()) {
        for (int j = 0; j < fields; ++j) {
            const db::Value &v = rs->Fields(j).Value();
            *characters += v.isNull() ? 0 : v.toString().size();
        }
        rs->MoveNext();
    }
    return count;
}

struct RawHandle
{
    sqlite3 *handle = nullptr;
    ~RawHandle() { sqlite3_close(handle); }
};

qint64 runFloor(sqlite3 *handle, const QString &sql, qint64 *characters)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &statement, nullptr)
        != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(handle));
    qint64 rows = 0;
    const int columns = sqlite3_column_count(statement);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int j = 0; j < columns; ++j) {
            sqlite3_column_text(statement, j);
            *characters += sqlite3_column_bytes(statement, j);
        }
        ++rows;
    }
    sqlite3_finalize(statement);
    return rows;
}

// A 3 GB catalogue whose 100 cards fill its first pages: the rest is a hole.
QString writeSparseCatalogue(const QString &folder)
{
    const QString path = folder + QStringLiteral("/fichas.mdb");
    RawHandle h;
    if (sqlite3_open(QFile::encodeName(path).constData(), &h.handle) != SQLITE_OK)
        throw std::runtime_error("cannot write the sparse catalogue");
    const char *sql
        = "CREATE TABLE Ficha (Id INTEGER PRIMARY KEY, TITULO TEXT, AUTOR TEXT, ENLACE TEXT, "
          "NIVEL_EDUCATIVO TEXT, DESCRIPTORES TEXT, EDITORIAL TEXT, ANIO INTEGER, IDIOMA TEXT, "
          "FORMATO TEXT, RESUMEN TEXT, IMAGEN TEXT);"
          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
          "INSERT INTO Ficha SELECT i, 'Ficha ' || i, 'A', 'https://example.org', 'Primaria', "
          "'Lengua', 'E', 2004, 'I', 'F', 'R', i || '.png' FROM n;";
    if (sqlite3_exec(h.handle, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(h.handle));
    QFile file(path);
    if (!file.resize(qint64(3) << 30))
        throw std::runtime_error("cannot grow the sparse catalogue");
    return path;
}

// Resident memory of the process, in MB.
double residentMb()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    return status.readAll().split(' ').value(1).toDouble() * 4096 / 1e6;
}

struct Search
{
    const char *what;
    QString sql;
    double limitMs;
};

} // namespace

ORLANEVA_BENCH("db")
{
    if (context.catalogue.isEmpty() || !QFileInfo::exists(context.catalogue))
        throw std::runtime_error("no synthetic catalogue (--catalogue)");
    const QString path = context.catalogue;
    RawHandle raw;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &raw.handle, SQLITE_OPEN_READONLY,
                        nullptr)
        != SQLITE_OK)
        throw std::runtime_error("cannot open the catalogue with SQLite");
    qint64 sink = 0;
    const qint64 cards = runFloor(raw.handle, QStringLiteral("SELECT Id FROM Ficha"), &sink);

    auto rawOpen = [&] {
        RawHandle h;
        sqlite3_open_v2(QFile::encodeName(path).constData(), &h.handle, SQLITE_OPEN_READONLY,
                        nullptr);
        runFloor(h.handle, QStringLiteral("SELECT * FROM Ficha LIMIT 1"), &sink);
    };
    std::unique_ptr<db::Connection> connection;
    report.add({QStringLiteral("Open, first connection (%1 cards, %2 MB)")
                    .arg(cards)
                    .arg(double(QFileInfo(path).size()) / 1e6, 0, 'f', 1),
                bench::once([&] { connection = openConnection(path); }), bench::once(rawOpen),
                context.target(100, 1000),
                QStringLiteral("the file read, the snapshot and its index; floor: SQLite opens "
                               "the file and reads a row")});
    report.add({QStringLiteral("Open, later connection to the unchanged file"),
                bench::measure([&] { connection = openConnection(path); }, 201, 5),
                bench::measure(rawOpen, 201, 5), 5.0, QString()});

    {
        QTemporaryDir dir;
        const QString sparse = writeSparseCatalogue(dir.path());
        const double before = residentMb();
        std::unique_ptr<db::Connection> big;
        const bench::Figure figure = bench::once([&] { big = openConnection(sparse); });
        report.add(
            {QStringLiteral("Open, first connection (100 cards in a 3 GB file)"), figure,
             std::nullopt, 50.0,
             QStringLiteral("resident memory grew %1 MB").arg(residentMb() - before, 0, 'f', 1)});
    }

    const QList<Search> searches{
        {"FNC_ConsultaFichas", fichas(), 150},
        {"FNC_ConsultaFichasDescriptores 'Revisión investigaciones'",
         descriptores(QStringLiteral("Revisión investigaciones")), 30},
        {"FNC_ConsultaFichasDescriptores 'i'", descriptores(QStringLiteral("i")), 150},
        {"FNC_ConsultaFichasNivelEducativo 'Formación profesorado.'",
         nivel(QStringLiteral("Formación profesorado.")), 30},
        {"FNC_ConsultaFichasNivelEducativo 'i'", nivel(QStringLiteral("i")), 150},
        {"FNC_ConsultaFichas_Descriptores_NivelEducativo 'Infantil', 'Medidas acogida "
         "inmigrantes'",
         descriptoresNivel(QStringLiteral("Infantil"),
                           QStringLiteral("Medidas acogida inmigrantes")),
         30},
        {"FNC_ConsultaFichas_Descriptores_NivelEducativo 'i', 'i'",
         descriptoresNivel(QStringLiteral("i"), QStringLiteral("i")), 150},
        {"FNC_ConsultaFichasTitulo 'astronomía'", titulo(QStringLiteral("astronomía")), 30},
        {"FNC_ConsultaFichasTitulo 'de'", titulo(QStringLiteral("de")), 150},
        {"FNC_ConsultaFichasDescriptoresTitulo 'Ciencias naturales y sociales', 'huerto'",
         descriptoresTitulo(QStringLiteral("Ciencias naturales y sociales"),
                            QStringLiteral("huerto")),
         30},
        {"FNC_ConsultaFichasDescriptoresTitulo 'i', 'de'",
         descriptoresTitulo(QStringLiteral("i"), QStringLiteral("de")), 150},
        {"FNC_ConsultaFichasNivelEducativoTitulo 'Infantil', 'huerto'",
         nivelTitulo(QStringLiteral("Infantil"), QStringLiteral("huerto")), 30},
        {"FNC_ConsultaFichasNivelEducativoTitulo 'i', 'de'",
         nivelTitulo(QStringLiteral("i"), QStringLiteral("de")), 150},
        {"FNC_ConsultaFichas_Descriptores_NivelEducativoTitulo 'Primaria', 'Lengua y "
         "literatura', 'cuento'",
         todos(QStringLiteral("Primaria"), QStringLiteral("Lengua y literatura"),
               QStringLiteral("cuento")),
         30},
        {"FNC_ConsultaFichas_Descriptores_NivelEducativoTitulo 'i', 'i', 'de'",
         todos(QStringLiteral("i"), QStringLiteral("i"), QStringLiteral("de")), 150},
    };
    for (const Search &s : searches) {
        qint64 ours = 0, floor = 0;
        const bench::Figure figure = bench::measure(
            [&] { ours = runOurs(*connection, s.sql, &sink); }, context.runs(11), 1);
        const bench::Figure floorFigure = bench::measure(
            [&] { floor = runFloor(raw.handle, s.sql, &sink); }, context.runs(11), 1);
        report.add({QString::fromUtf8(s.what), figure, floorFigure, context.target(s.limitMs),
                    QStringLiteral("%1 rows (floor %2)").arg(ours).arg(floor)});
    }

    qint64 ours = 0, floor = 0;
    const QString card = QStringLiteral(" Select * FROM Ficha where id=4242");
    const bench::Figure figure
        = bench::measure([&] { ours = runOurs(*connection, card, &sink); }, 101, 5);
    const bench::Figure floorFigure
        = bench::measure([&] { floor = runFloor(raw.handle, card, &sink); }, 101, 5);
    report.add({QStringLiteral("FNC_ConsultaPoridFicha, id=4242 (12 fields)"), figure, floorFigure,
                std::nullopt, QStringLiteral("%1 row (floor %2)").arg(ours).arg(floor)});
}
