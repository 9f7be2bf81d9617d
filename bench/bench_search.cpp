// Search window figures on the synthetic catalogue: a click on cmdBuscar until the window has
// painted the grid with every card found, beside its floor, the same statement through
// SQLite's own library on the same file (its own LIKE and order), every field read as text.
// The first open, the first search and the peak memory of the whole program with every card
// shown are measured in a process of their own (bench_search_memory, built from this file),
// so that nothing else this run did counts; its floor is SQLite's library in a process too.
#include "app/frm_Principal.h"
#include "db/Connection.h"
#include "search/frm_Tarvelo.h"
#include "toolkit/Services.h"
#include "toolkit/Startup.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QToolButton>

#include <sqlite3.h>

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

// The statement through SQLite's library alone, on the file itself: every field read as text.
// Returns the rows.
qint64 sqliteAlone(const QString &file, const QString &sql)
{
    sqlite3 *handle = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &handle, SQLITE_OPEN_READONLY, nullptr)
        != SQLITE_OK) {
        sqlite3_close(handle);
        throw std::runtime_error("SQLite cannot open the catalogue");
    }
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &statement, nullptr)
        != SQLITE_OK) {
        sqlite3_close(handle);
        throw std::runtime_error("SQLite refuses the statement");
    }
    qint64 rows = 0;
    qint64 characters = 0;
    const int columns = sqlite3_column_count(statement);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int j = 0; j < columns; ++j) {
            sqlite3_column_text(statement, j);
            characters += sqlite3_column_bytes(statement, j);
        }
        ++rows;
    }
    sqlite3_finalize(statement);
    sqlite3_close(handle);
    return characters >= 0 ? rows : 0;
}

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

double peakMb()
{
    // VmHWM: the most this process ever held in memory.
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    return peakRssMb();
}

// SQLite's library alone: open the file and read every card in title order, as a first search
// of a fresh process. Prints "<wall ms> <cpu ms> <peak MB>".
int sqliteFloor(const QString &folder)
{
    QElapsedTimer timer;
    const double cpu0 = threadCpuMs();
    timer.start();
    const qint64 rows = sqliteAlone(folder + QStringLiteral("/fichas.mdb"), kTodas);
    std::printf("%.1f %.1f %.1f\n", double(timer.nsecsElapsed()) / 1e6, threadCpuMs() - cpu0,
                peakMb());
    return rows > 0 ? 0 : 1;
}

// bench_search_memory FOLDER: the program as a user starts it on FOLDER's catalogue, without
// the splash's wait: the main window loads (its connection, the first open of the catalogue,
// and its picture) and shows, its cmdBusqueda shows the search window, cmdBuscar lists every
// card and the window paints. Prints "<peak MB after loading> <peak MB with the rows shown>
// <rows> <search wall ms> <search cpu ms> <resident MB with the rows shown> <open wall ms>
// <open cpu ms>".
// bench_search_memory FOLDER --floor: the same first search through SQLite's library alone.
int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[2], "--floor") == 0)
        return sqliteFloor(QString::fromLocal8Bit(argv[1]));
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
    QElapsedTimer openTimer;
    const double openCpu0 = threadCpuMs();
    openTimer.start();
    frm_Principal::Default().Load();
    const double openMs = double(openTimer.nsecsElapsed()) / 1e6;
    const double openCpu = threadCpuMs() - openCpu0;
    frm_Principal::Default().Show();
    QCoreApplication::processEvents();
    frm_Principal::Default().cmdBusqueda.button()->click();
    QCoreApplication::processEvents();
    frm_Tarvelo &w = frm_Tarvelo::Default();
    const double loaded = peakMb();
    setCriteria(w, {});
    QElapsedTimer timer;
    const double cpu0 = threadCpuMs();
    timer.start();
    clickSearch(w);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const double cpu = threadCpuMs() - cpu0;
    std::printf("%.1f %.1f %d %.1f %.1f %.1f %.1f %.1f\n", loaded, peakMb(),
                w.gridFichas.Rows() - 1, ms, cpu, currentRssMb(), openMs, openCpu);
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

// SQLite's library alone on the file, measured as the search rows are.
bench::Figure sqliteFigure(const QString &file, const QString &sql, int runs, qint64 *rows)
{
    return bench::measure([&] { *rows = sqliteAlone(file, sql); }, runs, 1);
}

// A copy of the catalogue in a folder of its own, with two titles of 100,000 characters: one of
// words, one of a single letter, the text that makes a backtracking matcher quadratic.
QString withTwoLongTitles(const QString &catalogue, const QString &folder)
{
    const QString file = folder + QStringLiteral("/fichas.mdb");
    QFile::remove(file);
    if (!QFile::copy(catalogue, file))
        throw std::runtime_error("cannot copy the catalogue");
    QFile(file).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    sqlite3 *handle = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &handle);
    QString words;
    while (words.size() < 100000)
        words += QStringLiteral("Guía de la célula para el aula, ");
    words.truncate(100000);
    int changed = 0;
    for (const auto &[id, title] : {std::pair{7, words}, std::pair{77, QString(100000, u'a')}}) {
        const QByteArray utf8 = title.toUtf8();
        sqlite3_stmt *update = nullptr;
        if (sqlite3_prepare_v2(handle, "UPDATE Ficha SET TITULO = ?1 WHERE Id = ?2", -1, &update,
                               nullptr)
            == SQLITE_OK) {
            sqlite3_bind_text(update, 1, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
            sqlite3_bind_int(update, 2, id);
            if (sqlite3_step(update) == SQLITE_DONE)
                changed += sqlite3_changes(handle);
        }
        sqlite3_finalize(update);
    }
    sqlite3_close(handle);
    if (changed != 2)
        throw std::runtime_error("cannot write the long titles");
    return file;
}

} // namespace

ORLANEVA_BENCH("search")
{
    if (context.catalogue.isEmpty() || !QFileInfo::exists(context.catalogue))
        throw std::runtime_error("no synthetic catalogue (--catalogue)");
    const QString file = QFileInfo(context.catalogue).absoluteFilePath();
    const QString folder = QFileInfo(context.catalogue).absolutePath();
    // The main window of the memory probe shows the sample's presentation picture.
    QDir(folder).mkpath(QStringLiteral("Documentos"));
    for (const QFileInfo &document :
         QDir(context.appDir + QStringLiteral("/Documentos")).entryInfoList(QDir::Files))
        QFile::copy(document.absoluteFilePath(),
                    folder + QStringLiteral("/Documentos/") + document.fileName());
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

    const std::optional<double> everyTarget = context.target(60, 600);
    qint64 all = 0;
    const bench::Figure allFloor = sqliteFigure(file, kTodas, 3, &all);
    const bench::Figure first
        = bench::measureAfter([&] { setCriteria(w, {}); }, [&] { clickSearch(w); }, 1);
    check(all);
    report.add(
        {QStringLiteral("cmdBuscar, every card, first search of the window"), first, allFloor,
         everyTarget,
         QStringLiteral("%1 rows; floor: SQLite alone on the file, its own order").arg(all)});
    const bench::Figure again = bench::measureAfter([&] { setCriteria(w, {}); },
                                                    [&] { clickSearch(w); }, context.runs(7));
    check(all);
    report.add({QStringLiteral("cmdBuscar, every card, over a grid of every card"), again, allFloor,
                everyTarget, QStringLiteral("%1 rows").arg(all)});

    const std::optional<double> fewTarget = context.target(10, 40);
    for (const Criteria &few : {Criteria{QString(), kFewDescriptor}, Criteria{kFewTitle, {}}}) {
        const QString what = few.titulo.isEmpty()
            ? QStringLiteral("descriptor '%1'").arg(few.descriptor)
            : QStringLiteral("title '%1'").arg(few.titulo);
        qint64 rows = 0;
        const bench::Figure floor = sqliteFigure(file, statementFor(few), context.runs(11), &rows);
        const bench::Figure alone = bench::measureAfter([&] { setCriteria(w, few); },
                                                        [&] { clickSearch(w); }, context.runs(11));
        check(rows);
        report.add({QStringLiteral("cmdBuscar, %1").arg(what), alone, floor, fewTarget,
                    QStringLiteral("%1 rows; floor: SQLite alone, its own LIKE").arg(rows)});
        const bench::Figure afterAll = bench::measureAfter(
            [&] {
                setCriteria(w, {});
                clickSearch(w);
                setCriteria(w, few);
            },
            [&] { clickSearch(w); }, 5);
        check(rows);
        report.add({QStringLiteral("cmdBuscar, %1, right after every card").arg(what), afterAll,
                    floor, fewTarget, QStringLiteral("empties a grid of %1 rows first").arg(all)});
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

    // A pasted title of 20,000 _ against two titles of 100,000 characters: the matcher must
    // stay linear in the text. Its own folder, so the copy's first open is not timed.
    {
        const QString longFolder = folder + QStringLiteral("-long-titles");
        QDir().mkpath(longFolder);
        const QString longFile = withTwoLongTitles(file, longFolder);
        tk::App::setPathForTesting(longFolder);
        db::Connection warm;
        warm.ConnectionString
            = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + longFolder
            + QStringLiteral(
                  "\\fichas.mdb;Persist Security Info=False;Jet OLEDB:Database Password = ");
        warm.Open(QString(), QString(), db::adOptionUnspecified);
        frm_Tarvelo &l = frm_Tarvelo::Default();
        l.Show();
        QCoreApplication::processEvents();
        QString alternating;
        for (int i = 0; i < 10000; ++i)
            alternating += QStringLiteral("a_");
        const struct
        {
            QString what;
            Criteria pasted;
        } hard[] = {
            {QStringLiteral("20,000 '_'"), {QString(20000, u'_'), {}}},
            {QStringLiteral("'a_' 10,000 times, then 'z'"), {alternating + u'z', {}}},
        };
        for (const auto &[what, pasted] : hard) {
            qint64 rows = 0;
            const bench::Figure floor = sqliteFigure(longFile, statementFor(pasted), 3, &rows);
            const bench::Figure figure
                = bench::measureAfter([&] { setCriteria(l, pasted); }, [&] { clickSearch(l); }, 5);
            if (!failure.isEmpty())
                throw std::runtime_error(failure.toStdString());
            if (l.gridFichas.Rows() != std::max<qint64>(rows, 1) + 1)
                throw std::runtime_error("the grid does not show what the long search found");
            report.add({QStringLiteral("cmdBuscar, title of %1, two titles of 100,000 "
                                       "characters")
                            .arg(what),
                        figure, floor, context.target(200),
                        QStringLiteral("%1 rows; floor: SQLite alone, its own LIKE").arg(rows)});
        }
        l.Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QFile::remove(longFile);
        QDir().rmdir(longFolder);
    }
    tk::setMsgBoxHandler(nullptr);
    tk::App::setPathForTesting(QString());

    auto runProbe = [&](const QStringList &arguments, qsizetype fields) {
        QProcess probe;
        probe.start(QStringLiteral(SEARCH_MEMORY_PROBE), arguments);
        if (!probe.waitForFinished(600000) || probe.exitCode() != 0)
            throw std::runtime_error("the memory probe failed: "
                                     + probe.readAllStandardError().toStdString());
        const QList<QByteArray> figures = probe.readAllStandardOutput().trimmed().split(' ');
        if (figures.size() != fields)
            throw std::runtime_error("the memory probe printed nothing readable");
        return figures;
    };
    auto single = [](double wall, double cpu) {
        bench::Figure figure;
        figure.median = figure.slowest = wall;
        figure.cpuMedian = cpu;
        figure.runs = 1;
        return figure;
    };
    const QList<QByteArray> d = runProbe({folder, QStringLiteral("--floor")}, 3);
    const QList<QByteArray> f = runProbe({folder}, 8);
    const bench::Figure freshFloor = single(d[0].toDouble(), d[1].toDouble());
    const double floorPeak = d[2].toDouble();
    const double loaded = f[0].toDouble();
    const double peak = f[1].toDouble();
    report.add({QStringLiteral("first open in a fresh process (frm_Principal's Load)"),
                single(f[6].toDouble(), f[7].toDouble()), std::nullopt, context.target(100, 1000),
                QStringLiteral("the file read, the snapshot and its index, the main window")});
    report.add({QStringLiteral("cmdBuscar, every card, first search of a fresh process"),
                single(f[3].toDouble(), f[4].toDouble()), freshFloor, everyTarget,
                QStringLiteral("%1 rows; floor: SQLite alone in a fresh process")
                    .arg(QString::fromLatin1(f[2]))});
    report.add({QStringLiteral("peak memory, whole program, every card in the grid (MB)"),
                single(peak, peak), single(floorPeak, floorPeak), context.target(80, 400),
                QStringLiteral("MB, not ms: VmHWM; %1 MB once the search window had loaded, "
                               "resident %2 MB after; floor: SQLite alone")
                    .arg(loaded, 0, 'f', 1)
                    .arg(f[5].toDouble(), 0, 'f', 1)});
}

#endif
