#include "toolkit/GridCells.h"

#include <QRandomGenerator>
#include <QtTest>

#include <vector>

namespace {

// The plainest store: one QString a cell.
struct Reference
{
    int rows, cols;
    std::vector<QString> cells;

    Reference(int r, int c) : rows(r), cols(c), cells(size_t(r * c)) { }
    QString &at(int r, int c) { return cells[size_t(r * cols + c)]; }
    void resizeRows(int r)
    {
        cells.resize(size_t(r * cols));
        rows = r;
    }
    void resizeCols(int c)
    {
        std::vector<QString> next(size_t(rows * c));
        for (int r = 0; r < rows; ++r)
            for (int k = 0; k < std::min(c, cols); ++k)
                next[size_t(r * c + k)] = at(r, k);
        cells = std::move(next);
        cols = c;
    }
};

bool sameCells(const tk::GridCells &store, Reference &reference)
{
    for (int r = 0; r < reference.rows; ++r)
        for (int c = 0; c < reference.cols; ++c)
            if (store.text(r, c) != reference.at(r, c))
                return false;
    return true;
}

QString textOfKind(QRandomGenerator &random, int kind)
{
    switch (kind) {
    case 0:
        return QString();
    case 1:
        return QStringLiteral("Fichas de lectura nº %1").arg(random.bounded(1000));
    case 2:
        return QStringLiteral("Ω €uro 😀 %1").arg(random.bounded(1000)); // beyond Latin-1
    default:
        return QString(int(random.bounded(70000)) + 1, QLatin1Char('a' + random.bounded(26)));
    }
}

} // namespace

class TestGridCells : public QObject
{
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
    void followsThePlainestStore_data();
    void followsThePlainestStore();
    void rewrittenCellsDoNotPileUp();
};

void TestGridCells::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("ASCII") << QStringLiteral("TITULO");
    QTest::newRow("Latin-1") << QStringLiteral("Educación artística y ñandú");
    QTest::newRow("beyond Latin-1") << QStringLiteral("Ciudadanía – ética €");
    QTest::newRow("surrogate pair") << QStringLiteral("Libro 📚 de cuentos");
    QTest::newRow("NUL inside") << QString(QStringLiteral("a\0b")).append(QChar(0));
    QTest::newRow("larger than a chunk") << QString(100000, QChar(0x00E9));
    QTest::newRow("wide, larger than a chunk") << QString(40000, QChar(0x20AC));
}

void TestGridCells::texts()
{
    QFETCH(QString, text);
    tk::GridCells store(3, 2);
    store.set(1, 1, QStringLiteral("vecino"));
    store.set(2, 0, text);
    QCOMPARE(store.text(2, 0), text);
    QCOMPARE(store.text(1, 1), QStringLiteral("vecino"));
    QCOMPARE(store.text(0, 0), QString());
}

void TestGridCells::followsThePlainestStore_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::newRow("seed 1") << 1u;
    QTest::newRow("seed 2") << 2u;
    QTest::newRow("seed 3") << 3u;
}

// Random writes, reshapes and clears; after each step every cell reads as in the plain store.
void TestGridCells::followsThePlainestStore()
{
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    tk::GridCells store(2, 2);
    Reference reference(2, 2);
    for (int step = 0; step < 3000; ++step) {
        const int what = int(random.bounded(100));
        if (what < 80) {
            const int r = int(random.bounded(reference.rows));
            const int c = int(random.bounded(reference.cols));
            const int kind = what < 2 ? 3 : int(random.bounded(3));
            const QString text = textOfKind(random, kind);
            store.set(r, c, text);
            reference.at(r, c) = text;
        } else if (what < 92) {
            const int rows = 1 + int(random.bounded(40));
            store.resizeRows(rows);
            reference.resizeRows(rows);
        } else if (what < 99) {
            const int cols = 1 + int(random.bounded(6));
            store.resizeCols(reference.rows, cols);
            reference.resizeCols(cols);
        } else {
            store.clear();
            for (QString &cell : reference.cells)
                cell.clear();
        }
        QVERIFY2(sameCells(store, reference), qPrintable(QStringLiteral("step %1").arg(step)));
    }
}

void TestGridCells::rewrittenCellsDoNotPileUp()
{
    tk::GridCells store(2, 2);
    store.set(0, 0, QStringLiteral("cabecera"));
    const QString text(1000, QLatin1Char('x'));
    for (int i = 0; i < 10000; ++i)
        store.set(1, 1, text + QString::number(i));
    QCOMPARE(store.text(0, 0), QStringLiteral("cabecera"));
    QCOMPARE(store.text(1, 1), text + QString::number(9999));
    // Ten megabytes were written; what is kept stays within a few chunks.
    QVERIFY2(store.usedBytes() < 4 * 64 * 1024, qPrintable(QString::number(store.usedBytes())));
}

QTEST_APPLESS_MAIN(TestGridCells)
#include "tst_gridcells.moc"
