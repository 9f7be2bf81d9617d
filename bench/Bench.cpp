#include "Bench.h"

#include "common/Error.h"
#include "toolkit/Startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <vector>

namespace bench {

namespace {

struct Registered
{
    const char *area;
    Function function;
};

std::vector<Registered> &registry()
{
    static std::vector<Registered> entries;
    return entries;
}

struct Line
{
    QString area;
    Row row;
};

std::vector<Line> &lines()
{
    static std::vector<Line> entries;
    return entries;
}

QString milliseconds(double ms)
{
    return ms < 1 ? QString::number(ms, 'f', 3) : QString::number(ms, 'f', 1);
}

void printTable()
{
    const QStringList header{QStringLiteral("area"),      QStringLiteral("measure"),
                             QStringLiteral("median ms"), QStringLiteral("slowest ms"),
                             QStringLiteral("cpu ms"),    QStringLiteral("floor ms"),
                             QStringLiteral("floor cpu"), QStringLiteral("target ms"),
                             QStringLiteral(""),          QStringLiteral("note")};
    std::vector<QStringList> cells;
    for (const Line &line : lines()) {
        const Row &r = line.row;
        QString verdict;
        if (r.limitMs) {
            if (r.figure.median <= *r.limitMs)
                verdict = QStringLiteral("ok");
            else if (r.figure.cpuMedian <= *r.limitMs)
                verdict = QStringLiteral("ok (cpu)");
            else
                verdict = QStringLiteral("MISSED");
        }
        cells.push_back({line.area, r.what, milliseconds(r.figure.median),
                         r.figure.runs > 1 ? milliseconds(r.figure.slowest) : QString(),
                         milliseconds(r.figure.cpuMedian),
                         r.floor ? milliseconds(r.floor->median) : QString(),
                         r.floor ? milliseconds(r.floor->cpuMedian) : QString(),
                         r.limitMs ? QStringLiteral("<= ") + milliseconds(*r.limitMs) : QString(),
                         verdict, r.note});
    }
    std::vector<qsizetype> widths(std::size_t(header.size()));
    for (qsizetype i = 0; i < header.size(); ++i)
        widths[std::size_t(i)] = header.at(i).size();
    for (const QStringList &row : cells)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[std::size_t(i)] = std::max(widths[std::size_t(i)], row.at(i).size());
    auto print = [&](const QStringList &row) {
        QString text = QStringLiteral("|");
        for (qsizetype i = 0; i < row.size(); ++i) {
            const bool number = i >= 2 && i <= 7;
            const qsizetype w = widths[std::size_t(i)];
            text += u' ' + (number ? row.at(i).rightJustified(w) : row.at(i).leftJustified(w))
                + QStringLiteral(" |");
        }
        std::printf("%s\n", qPrintable(text));
    };
    print(header);
    QStringList rule;
    for (qsizetype w : widths)
        rule.append(QString(w, u'-'));
    print(rule);
    for (const QStringList &row : cells)
        print(row);
}

} // namespace

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

Figure measureAfter(const std::function<void()> &before, const std::function<void()> &work,
                    int runs)
{
    std::vector<double> ms, cpu;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        before();
        const double cpu0 = threadCpuMs();
        timer.start();
        work();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMs() - cpu0);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    return {ms[ms.size() / 2], ms.back(), cpu[cpu.size() / 2], runs};
}

Figure measure(const std::function<void()> &work, int runs, int warmups)
{
    for (int i = 0; i < warmups; ++i)
        work();
    return measureAfter([] {}, work, runs);
}

Figure once(const std::function<void()> &work)
{
    return measure(work, 1, 0);
}

void Report::add(Row row)
{
    std::fprintf(stderr, "  %s: %s ms\n", qPrintable(row.what),
                 qPrintable(milliseconds(row.figure.median)));
    lines().push_back({m_area, std::move(row)});
}

Registration::Registration(const char *area, Function function)
{
    registry().push_back({area, function});
}

} // namespace bench

int main(int argc, char **argv)
{
    bench::Context context;
    QStringList only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--catalogue") == 0 && i + 1 < argc)
            context.catalogue = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--cards") == 0 && i + 1 < argc)
            context.cards = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--app") == 0 && i + 1 < argc)
            context.appDir = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = QString::fromLocal8Bit(argv[++i]).split(u',');
        else {
            std::fprintf(stderr,
                         "usage: orlaneva_bench --catalogue FICHAS.MDB [--cards N] [--app DIR] "
                         "[--only AREA,...]\n");
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tk::initialize();

    int failures = 0;
    for (const bench::Registered &entry : bench::registry()) {
        if (!only.isEmpty() && !only.contains(QString::fromUtf8(entry.area)))
            continue;
        std::fprintf(stderr, "%s\n", entry.area);
        bench::Report report(QString::fromUtf8(entry.area));
        try {
            entry.function(context, report);
        } catch (const orlaneva::Error &e) {
            std::fprintf(stderr, "%s: error %d: %s\n", entry.area, e.number(),
                         qPrintable(e.description()));
            ++failures;
        } catch (const std::exception &e) {
            std::fprintf(stderr, "%s: %s\n", entry.area, e.what());
            ++failures;
        }
    }
    double load[1] = {0};
    getloadavg(load, 1);
    std::printf("\nLoad average while measuring: %.1f on %d cores\n\n", load[0],
                QThread::idealThreadCount());
    bench::printTable();
    return failures == 0 ? 0 : 1;
}
