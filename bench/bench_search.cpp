// Search window figures on the synthetic catalogue: a click on cmdBuscar until the window has
// painted the grid with every card found, beside its floor, the same statement through
// db::Connection alone with every field read as text (the database's share of the click).
// The peak memory with every card shown is measured in a process of its own
// (bench_search_memory, built from this file), so that nothing else this run did counts.
#include "db/Connection.h"
#include "search/frm_Tarvelo.h"
#include "toolkit/Services.h"
#include "toolkit/Startup.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QToolButton>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <vector>

namespace {

const QString kTodas = QStringLiteral(
    "SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES FROM Ficha order "
    "by Titulo asc");
// About 0.4 % of the synthetic cards each.
const QString kFewDescriptor = QStringLiteral("Revisión investigaciones");
const QString kFewTitle = QStringLiteral("astronomía");

struct Criteria
{
    QString titulo;
    QString descriptor;
};

void setCriteria(frm_Tarvelo &w, const Criteria &criteria)
{
    w.txtTitulo.setText(criteria.titulo);
    w.cboNivelesEducativos.setText(QString());
    QComboBox *combo = w.cboDescriptores.combo();
    if (criteria.descriptor.isEmpty())
        w.cboDescriptores.setText(QString());
    else
        combo->setCurrentIndex(combo->findText(criteria.descriptor));
}

// What the user waits for: the click, then the window's paint in reply.
void clickSearch(frm_Tarvelo &w)
{
    w.cmdBuscar.button()->click();
    QCoreApplication::processEvents();
}

} // namespace

#ifdef ORLANEVA_SEARCH_MEMORY_PROBE

namespace {
// The probe runs without the harness, so it keeps its own clock.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

} // namespace

namespace {
double peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

double currentRssMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> pages = statm.readAll().split(' ');
    return pages.size() > 1 ? pages[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024 * 1024)
                            : 0;
}

} // namespace

// The database's share of a first search: Open, then every card read as the grid reads it.
// Prints "<wall ms> <cpu ms>" of the statement.
int databaseAlone(const QString &folder)
{
    db::Connection c;
    c.ConnectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + folder
        + QStringLiteral("\\fichas.mdb;Persist Security Info=False;Jet OLEDB:Database Password = ");
    c.Open(QString(), QString(), db::adOptionUnspecified);
    QElapsedTimer timer;
    const double cpu0 = threadCpuMs();
    timer.start();
    c.CursorLocation = db::adUseClient;
    auto rs = c.Execute(kTodas, nullptr, db::adOptionUnspecified);
    qint64 characters = 0;
    while (!rs->isEOF()) {
        for (int j = 0; j < rs->FieldCount(); ++j)
            characters += rs->Fields(j).Value().toString().size();
        rs->MoveNext();
    }
    rs.reset();
    std::printf("%.1f %.1f\n", double(timer.nsecsElapsed()) / 1e6, threadCpuMs() - cpu0);
    return characters > 0 ? 0 : 1;
}

// bench_search_memory FOLDER: opens the search window on FOLDER's fichas.mdb, searches every
// card, paints, and prints "<peak MB after loading> <peak MB with the rows shown> <rows>
// <search wall ms> <search cpu ms> <resident MB with the rows shown>".
// bench_search_memory FOLDER --database: the same first search on the database alone.
int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[2], "--database") == 0)
        return databaseAlone(QString::fromLocal8Bit(argv[1]));
    if (argc != 2)
        return 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tk::initialize();
    bool failed = false;
    tk::setMsgBoxHandler([&](const tk::MsgBoxRequest &request) {
        std::fprintf(stderr, "%s\n", qPrintable(request.prompt));
        failed = true;
        return int(tk::vbOK);
    });
    tk::App::setPathForTesting(QString::fromLocal8Bit(argv[1]));
    frm_Tarvelo &w = frm_Tarvelo::Default();
    w.Show();
    QCoreApplication::processEvents();
    const double loaded = peakRssMb();
    setCriteria(w, {});
    QElapsedTimer timer;
    const double cpu0 = threadCpuMs();
    timer.start();
    clickSearch(w);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const double cpu = threadCpuMs() - cpu0;
    std::printf("%.1f %.1f %d %.1f %.1f %.1f\n", loaded, peakRssMb(), w.gridFichas.Rows() - 1, ms,
                cpu, currentRssMb());
    return failed ? 1 : 0;
}

#else

#include "Bench.h"

namespace {

QString statementFor(const Criteria &criteria)
{
    if (!criteria.titulo.isEmpty())
        return QStringLiteral("SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,"
                              "Ficha.DESCRIPTORES FROM Ficha where Titulo LIKE '%")
            + criteria.titulo + QStringLiteral("%' order by Titulo asc");
    if (!criteria.descriptor.isEmpty())
        return QStringLiteral("SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,"
                              "Ficha.DESCRIPTORES FROM Ficha where DESCRIPTORES LIKE '%")
            + criteria.descriptor + QStringLiteral("%' order by Titulo asc");
    return kTodas;
}

// The database's share: Execute, then every field of every row as text.
bench::Figure databaseAlone(db::Connection &c, const QString &sql, int runs, qint64 *rows)
{
    return bench::measure(
        [&] {
            c.CursorLocation = db::adUseClient;
            auto rs = c.Execute(sql, nullptr, db::adOptionUnspecified);
            *rows = rs->RecordCount();
            qint64 characters = 0;
            while (!rs->isEOF()) {
                for (int j = 0; j < rs->FieldCount(); ++j)
                    characters += rs->Fields(j).Value().toString().size();
                rs->MoveNext();
            }
        },
        runs, 1);
}

} // namespace

ORLANEVA_BENCH("search")
{
    if (context.catalogue.isEmpty() || !QFileInfo::exists(context.catalogue))
        throw std::runtime_error("no synthetic catalogue (--catalogue)");
    const QString folder = QFileInfo(context.catalogue).absolutePath();
    QString failure;
    tk::setMsgBoxHandler([&](const tk::MsgBoxRequest &request) {
        failure = request.prompt;
        return int(tk::vbOK);
    });
    tk::App::setPathForTesting(folder);

    db::Connection connection;
    connection.ConnectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=")
        + folder
        + QStringLiteral("\\fichas.mdb;Persist Security Info=False;Jet OLEDB:Database Password = ");
    connection.Open(QString(), QString(), db::adOptionUnspecified);

    frm_Tarvelo &w = frm_Tarvelo::Default();
    w.Show();
    QCoreApplication::processEvents();
    auto check = [&](qint64 rows) {
        if (!failure.isEmpty())
            throw std::runtime_error(failure.toStdString());
        if (w.gridFichas.Rows() != rows + 1 || !w.gridFichas.Visible())
            throw std::runtime_error("the grid does not show what the search found");
    };

    qint64 all = 0;
    const bench::Figure allFloor = databaseAlone(connection, kTodas, 7, &all);
    const bench::Figure first
        = bench::measureAfter([&] { setCriteria(w, {}); }, [&] { clickSearch(w); }, 1);
    check(all);
    report.add({QStringLiteral("cmdBuscar, every card, first search of the window"), first,
                allFloor, 250.0, QStringLiteral("%1 rows; floor: the database alone").arg(all)});
    const bench::Figure again
        = bench::measureAfter([&] { setCriteria(w, {}); }, [&] { clickSearch(w); }, 7);
    check(all);
    report.add({QStringLiteral("cmdBuscar, every card, over a grid of every card"), again, allFloor,
                250.0, QStringLiteral("%1 rows").arg(all)});

    for (const Criteria &few : {Criteria{QString(), kFewDescriptor}, Criteria{kFewTitle, {}}}) {
        const QString what = few.titulo.isEmpty()
            ? QStringLiteral("descriptor '%1'").arg(few.descriptor)
            : QStringLiteral("title '%1'").arg(few.titulo);
        qint64 rows = 0;
        const bench::Figure floor = databaseAlone(connection, statementFor(few), 11, &rows);
        const bench::Figure alone
            = bench::measureAfter([&] { setCriteria(w, few); }, [&] { clickSearch(w); }, 11);
        check(rows);
        report.add({QStringLiteral("cmdBuscar, %1").arg(what), alone, floor, 30.0,
                    QStringLiteral("%1 rows").arg(rows)});
        const bench::Figure afterAll = bench::measureAfter(
            [&] {
                setCriteria(w, {});
                clickSearch(w);
                setCriteria(w, few);
            },
            [&] { clickSearch(w); }, 5);
        check(rows);
        report.add({QStringLiteral("cmdBuscar, %1, right after every card").arg(what), afterAll,
                    floor, 30.0, QStringLiteral("empties a grid of %1 rows first").arg(all)});
    }

    const bench::Figure reset = bench::measureAfter(
        [&] {
            setCriteria(w, {});
            clickSearch(w);
        },
        [&] {
            w.cmdNuevaBusqueda.button()->click();
            QCoreApplication::processEvents();
        },
        5);
    report.add({QStringLiteral("cmdNuevaBusqueda over a grid of every card"), reset, std::nullopt,
                std::nullopt, QString()});

    std::unique_ptr<db::Recordset> pending;
    const bench::Figure fill = bench::measureAfter(
        [&] {
            w.gridFichas.Clear();
            w.gridFichas.setRows(2);
            pending = frm_Tarvelo::FNC_ConsultaFichas(connection);
        },
        [&] { w.CargarGridFichas(w.gridFichas, pending); }, 5);
    report.add({QStringLiteral("CargarGridFichas alone, every card"), fill, std::nullopt,
                std::nullopt, QStringLiteral("from the result set to the grid shown, unpainted")});
    w.Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    tk::setMsgBoxHandler(nullptr);
    tk::App::setPathForTesting(QString());

    auto runProbe = [&](const QStringList &arguments) {
        QProcess probe;
        probe.start(QStringLiteral(SEARCH_MEMORY_PROBE), arguments);
        if (!probe.waitForFinished(600000) || probe.exitCode() != 0)
            throw std::runtime_error("the memory probe failed: "
                                     + probe.readAllStandardError().toStdString());
        return probe.readAllStandardOutput().trimmed().split(' ');
    };
    const QList<QByteArray> d = runProbe({folder, QStringLiteral("--database")});
    const QList<QByteArray> f = runProbe({folder});
    if (d.size() != 2)
        throw std::runtime_error("the memory probe printed nothing readable");
    bench::Figure freshFloor;
    freshFloor.median = freshFloor.slowest = d[0].toDouble();
    freshFloor.cpuMedian = d[1].toDouble();
    freshFloor.runs = 1;
    if (f.size() != 6)
        throw std::runtime_error("the memory probe printed nothing readable");
    const double loaded = f[0].toDouble();
    const double peak = f[1].toDouble();
    bench::Figure probeFigure;
    probeFigure.median = probeFigure.slowest = f[3].toDouble();
    probeFigure.cpuMedian = f[4].toDouble();
    probeFigure.runs = 1;
    report.add({QStringLiteral("cmdBuscar, every card, first search of a fresh process"),
                probeFigure, freshFloor, 250.0,
                QStringLiteral("peak RSS %1 MB with %2 rows shown (target <= 200 MB: %3); "
                               "peak %4 MB once the window had loaded; resident %5 MB after")
                    .arg(peak, 0, 'f', 1)
                    .arg(QString::fromLatin1(f[2]))
                    .arg(peak <= 200 ? QStringLiteral("ok") : QStringLiteral("MISSED"))
                    .arg(loaded, 0, 'f', 1)
                    .arg(f[5].toDouble(), 0, 'f', 1)});
}

#endif
