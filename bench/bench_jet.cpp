// Jet catalogue figures: the synthetic catalogue's 100,000 cards written as a Jet 4 file, its
// first read into the snapshot and a later open of the unchanged file, and the search
// statements on it through db::Connection. Floors: mdbtools on the same file in the same run,
// mdb-export of the table and mdb-sql running the statements (its grammar has neither
// ORDER BY nor table-qualified columns, so it runs them without those).
#include "Bench.h"

#include "db/Catalogue.h"
#include "db/Connection.h"
#include "db/JetSnapshot.h"
#include "jetwriter/FromSqlite.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <stdexcept>

namespace {

const QString kSelect = QStringLiteral(
    "SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES FROM Ficha");

void runTool(const QString &program, const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!input.isEmpty()) {
        process.write(input);
        process.closeWriteChannel();
    }
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        throw std::runtime_error(qPrintable(program + QStringLiteral(" failed")));
}

bench::Figure mdbSql(const QString &path, const QString &sql)
{
    return bench::once([&] {
        runTool(QStringLiteral("mdb-sql"),
                {QStringLiteral("-P"), QStringLiteral("-H"), QStringLiteral("-F"), path},
                sql.toUtf8() + "\ngo\n");
    });
}

qint64 search(const QString &path, const QString &sql)
{
    db::Connection connection;
    connection.ConnectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=")
        + path + QStringLiteral(";Persist Security Info=False;Jet OLEDB:Database Password = ");
    connection.Open(QString(), QString(), db::adOptionUnspecified);
    connection.CursorLocation = db::adUseClient;
    long affected = 0;
    const auto records = connection.Execute(sql, &affected, db::adOptionUnspecified);
    qint64 characters = 0;
    if (!records->isEOF())
        records->MoveFirst();
    while (!records->isEOF()) {
        for (int i = 0; i < records->FieldCount(); ++i)
            characters += records->Fields(i).Value().toString().size();
        records->MoveNext();
    }
    return records->RecordCount() + characters;
}

} // namespace

ORLANEVA_BENCH("jet")
{
    if (context.catalogue.isEmpty() || !QFileInfo::exists(context.catalogue))
        throw std::runtime_error("no synthetic catalogue (--catalogue)");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fichas.mdb"));
    jetwriter::copyFromSqlite(context.catalogue, path);
    const QString size
        = QStringLiteral("%1 MB").arg(double(QFileInfo(path).size()) / 1e6, 0, 'f', 1);

    const bench::Figure first = bench::once([&] { db::jet::readSnapshot(path); });
    const bench::Figure exported = bench::once([&] {
        runTool(QStringLiteral("mdb-export"), {path, QStringLiteral("Ficha")}, {});
    });
    report.add({QStringLiteral("Jet: first open, libmdb into the snapshot"), first, exported,
                2000.0, size + QStringLiteral("; floor: mdb-export of the whole table")});

    // Through the catalogue, as a connection opens it. A file written seconds ago is probed
    // anew on every open; an installed catalogue is older than that.
    db::openCatalogue(path);
    QThread::sleep(3);
    const bench::Figure later = bench::measure([&] { db::openCatalogue(path); }, 1001);
    report.add(
        {QStringLiteral("Jet: later open of the unchanged file"), later, std::nullopt, 5.0, {}});

    const QString all = kSelect + QStringLiteral(" order by Titulo asc");
    report.add(
        {QStringLiteral("Jet: every card, order by Titulo"),
         bench::measure([&] { search(path, all); }, 5),
         mdbSql(path,
                QStringLiteral("SELECT Id, TITULO, NIVEL_EDUCATIVO, DESCRIPTORES FROM Ficha")),
         std::nullopt, QStringLiteral("floor: mdb-sql, unordered")});

    const QString three = kSelect
        + QStringLiteral(" where NIVEL_EDUCATIVO LIKE '%Infantil%' AND DESCRIPTORES LIKE "
                         "'%Relación%' AND TITULO LIKE '%cuento%' order by Titulo asc");
    report.add({QStringLiteral("Jet: level, descriptor and title"),
                bench::measure([&] { search(path, three); }, 11),
                mdbSql(path,
                       QStringLiteral("SELECT Id, TITULO, NIVEL_EDUCATIVO, DESCRIPTORES FROM Ficha "
                                      "where NIVEL_EDUCATIVO LIKE '%Infantil%' AND DESCRIPTORES "
                                      "LIKE '%Relación%' AND TITULO LIKE '%cuento%'")),
                std::nullopt, QStringLiteral("floor: mdb-sql, unordered")});

    report.add({QStringLiteral("Jet: one card by Id"),
                bench::measure(
                    [&] { search(path, QStringLiteral(" Select * FROM Ficha where id=7")); }, 11),
                mdbSql(path, QStringLiteral("SELECT * FROM Ficha where Id = 7")), std::nullopt,
                QStringLiteral("floor: mdb-sql")});
}
