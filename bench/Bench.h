#pragma once

// The benchmark harness. Each area adds its rows from a source file of its own:
//
//     #include "Bench.h"
//     ORLANEVA_BENCH("visor")
//     {
//         const bench::Figure f = bench::measure([&] { ... }, 11);
//         report.add({"SetPicture, 4000 x 3000 JPEG", f, std::nullopt, 150.0});
//     }
//
// `context` (paths of the catalogues) and `report` are in scope. List the file in
// orlaneva_bench's sources in bench/CMakeLists.txt and link the library it measures.
// `cmake --build <build> --target bench` (or bench/run) prints one table of every row.

#include <QString>

#include <algorithm>
#include <functional>
#include <optional>

namespace bench {

struct Context
{
    QString catalogue; // synthetic catalogue, fichas.mdb
    int cards = 0; // how many cards it was written with (0: not told)
    QString appDir; // the program's folder with the sample catalogue

    // Fewer measured runs on larger catalogues, so a million cards are measured in minutes.
    int runs(int at100000) const
    {
        return cards > 100000 ? std::max(3, int(qint64(at100000) * 100000 / cards)) : at100000;
    }

    // A target set for two catalogue sizes: the one that applies to this run, if any.
    std::optional<double> target(std::optional<double> at100000,
                                 std::optional<double> at1000000 = std::nullopt) const
    {
        if (cards == 100000)
            return at100000;
        if (cards == 1000000)
            return at1000000;
        return std::nullopt;
    }
};

// Milliseconds: wall time, and the CPU time of the measuring thread, which a busy machine
// inflates far less (the targets are judged on it when wall time exceeds them).
struct Figure
{
    double median = 0;
    double slowest = 0;
    double cpuMedian = 0;
    int runs = 0;
};

// Runs work `warmups` times unmeasured, then `runs` times measured.
Figure measure(const std::function<void()> &work, int runs = 11, int warmups = 1);
// Like measure, with an untimed step before each measured run.
Figure measureAfter(const std::function<void()> &before, const std::function<void()> &work,
                    int runs);
// CPU time of the calling thread, in milliseconds.
double threadCpuMs();
// One measured run, for what can only happen once (a first open).
Figure once(const std::function<void()> &work);

struct Row
{
    QString what;
    Figure figure;
    // The same work done the plainest way (the library alone), in the same run.
    std::optional<Figure> floor;
    // The median must not exceed it.
    std::optional<double> limitMs;
    QString note;
};

class Report
{
public:
    explicit Report(QString area) : m_area(std::move(area)) { }
    void add(Row row);

private:
    QString m_area;
};

using Function = void (*)(const Context &context, Report &report);

struct Registration
{
    Registration(const char *area, Function function);
};

} // namespace bench

#define ORLANEVA_BENCH_JOIN2(a, b) a##b
#define ORLANEVA_BENCH_JOIN(a, b) ORLANEVA_BENCH_JOIN2(a, b)
#define ORLANEVA_BENCH(area) \
    static void ORLANEVA_BENCH_JOIN(benchBody, __LINE__)(const ::bench::Context &, \
                                                         ::bench::Report &); \
    static const ::bench::Registration ORLANEVA_BENCH_JOIN(benchRegistration, __LINE__)( \
        area, &ORLANEVA_BENCH_JOIN(benchBody, __LINE__)); \
    static void ORLANEVA_BENCH_JOIN(benchBody, \
                                    __LINE__)([[maybe_unused]] const ::bench::Context &context, \
                                              [[maybe_unused]] ::bench::Report &report)
