// The results grid's cell store alone, no widget: the texts of a search of every card of the
// synthetic catalogue's size, written the way the search window fills the grid (one row more,
// then its four cells), then emptied for the next search.
#include "Bench.h"

#include "toolkit/GridCells.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace {

constexpr int kCards = 100000;

struct RowTexts
{
    QString id, titulo, nivel, descriptores;
};

std::vector<RowTexts> cardTexts()
{
    const QStringList levels{QStringLiteral("Infantil"), QStringLiteral("Primaria"),
                             QStringLiteral("Secundaria, Formación profesorado.")};
    const QStringList descriptors{QStringLiteral("Lengua y literatura"),
                                  QStringLiteral("Educación artística y musical"),
                                  QStringLiteral("Educación y ciudadanía/ética – €")};
    std::vector<RowTexts> texts;
    texts.reserve(kCards);
    for (int i = 0; i < kCards; ++i)
        texts.push_back({QString::number(i + 1),
                         QStringLiteral("Guía de lectura compartida, volumen %1").arg(i),
                         levels[i % 3], descriptors[i % 3]});
    return texts;
}

} // namespace

ORLANEVA_BENCH("grid")
{
    const std::vector<RowTexts> texts = cardTexts();
    std::unique_ptr<tk::GridCells> cells;
    const auto fill = [&] {
        int rows = 1;
        cells->resizeRows(rows);
        for (const RowTexts &row : texts) {
            cells->resizeRows(++rows);
            cells->set(rows - 1, 0, row.id);
            cells->set(rows - 1, 1, row.titulo);
            cells->set(rows - 1, 2, row.nivel);
            cells->set(rows - 1, 3, row.descriptores);
        }
    };
    const bench::Figure filled
        = bench::measureAfter([&] { cells = std::make_unique<tk::GridCells>(2, 4); }, fill, 7);
    report.add({QStringLiteral("GridCells, 100,000 rows of four texts written"), filled,
                std::nullopt, std::nullopt, QStringLiteral("no widget")});
    const bench::Figure cleared = bench::measureAfter(
        [&] {
            cells = std::make_unique<tk::GridCells>(2, 4);
            fill();
        },
        [&] { cells->clear(); }, 7);
    report.add({QStringLiteral("GridCells, 100,000 rows emptied"), cleared, std::nullopt,
                std::nullopt, QStringLiteral("no widget")});
}
