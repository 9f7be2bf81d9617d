#include "toolkit/FlexGrid.h"
#include "toolkit/Form.h"
#include "toolkit/Services.h"

#include "common/Error.h"

#include "TestSupport.h"
#include "toolkit/Units.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTableView>
#include <QToolTip>
#include <QtTest>

#include <functional>
#include <map>

namespace {

class GridForm : public tk::DefaultForm<GridForm>
{
public:
    GridForm()
        : DefaultForm({QStringLiteral("frm_Grid"), QStringLiteral("Orlaneva. - Rejilla."), 15180,
                       10395, QString()})
    { }

    tk::FlexGrid grid;
    tk::TextBox txtOther;

protected:
    void createControls() override
    {
        grid.create(*this, QStringLiteral("grid"));
        grid.Move(120, 600, 9000, 4500);
        grid.setTabIndex(1);
        txtOther.create(*this, QStringLiteral("txtOther"));
        txtOther.Move(120, 120, 3000, 375);
        txtOther.setTabIndex(0);
    }
};

tk::FlexGrid &shownGrid()
{
    GridForm::Default().Show();
    (void)QTest::qWaitForWindowExposed(GridForm::Default().window());
    return GridForm::Default().grid;
}

using testing::errorNumber;

// Fills rows 1..n of a four-column grid the slow way: one row, then each cell as current.
void fillHidden(tk::FlexGrid &grid, int n)
{
    grid.setVisible(false);
    grid.setCols(4);
    for (int i = 1; i <= n; ++i) {
        grid.setRows(i + 1);
        grid.setRow(i);
        for (int j = 0; j < 4; ++j) {
            grid.setCol(j);
            grid.setText(QString::number(i * 10 + j));
        }
    }
    grid.setVisible(true);
}

QPoint cellCentre(tk::FlexGrid &grid, int row, int col)
{
    QTableView *view = grid.view();
    return view->visualRect(view->model()->index(row - 1, col)).center();
}

void moveMouse(QWidget *target, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(target->mapToGlobal(pos)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
}

// The tooltip the grid shows for a rest of the pointer at pos; empty when it shows none.
QString toolTipAt(QWidget *target, QPoint pos)
{
    // Start from no tooltip; hiding one takes a moment.
    QToolTip::hideText();
    if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000))
        return QStringLiteral("<tooltip stuck>");
    QHelpEvent help(QEvent::ToolTip, pos, target->mapToGlobal(pos));
    QApplication::sendEvent(target, &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace

class TestFlexGrid : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        GridForm::dropDefault();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    void newGridHasHeaderAndOneRow()
    {
        tk::FlexGrid &grid = shownGrid();
        QCOMPARE(grid.Rows(), 2);
        QCOMPARE(grid.Cols(), 2);
        QCOMPARE(grid.FixedRows(), 1);
        QCOMPARE(grid.FixedCols(), 0);
        QCOMPARE(grid.Row(), 1);
        QCOMPARE(grid.Col(), 0);
        QCOMPARE(grid.view()->model()->rowCount(), 1);
        QCOMPARE(grid.widget()->objectName(), QStringLiteral("grid"));
    }

    void cellsAreAddressedByRowAndColumnHeaderIncluded()
    {
        tk::FlexGrid &grid = shownGrid();
        grid.setCols(4);
        grid.setRows(3);
        grid.setTextMatrix(0, 1, QStringLiteral("TITULO"));
        grid.setRow(2);
        grid.setCol(3);
        grid.setText(QStringLiteral("Lengua"));
        QCOMPARE(grid.TextMatrix(2, 3), QStringLiteral("Lengua"));
        QCOMPARE(grid.Text(), QStringLiteral("Lengua"));
        QCOMPARE(grid.TextMatrix(0, 1), QStringLiteral("TITULO"));
        QCOMPARE(grid.header()->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("TITULO"));
        QCOMPARE(grid.view()->model()->index(1, 3).data().toString(), QStringLiteral("Lengua"));
        grid.setRow(0);
        QCOMPARE(grid.Text(), QString());
    }

    void outOfRangeAccessRaisesTheGridsErrors_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("number");
        QTest::newRow("TextMatrix row -1") << 0 << 381;
        QTest::newRow("TextMatrix row = Rows") << 1 << 381;
        QTest::newRow("TextMatrix col = Cols") << 2 << 381;
        QTest::newRow("Row = Rows") << 3 << 30009;
        QTest::newRow("Col = Cols") << 4 << 30010;
        QTest::newRow("Rows below the header") << 5 << 380;
        QTest::newRow("ColWidth col = Cols") << 6 << 381;
    }
    void outOfRangeAccessRaisesTheGridsErrors()
    {
        QFETCH(int, which);
        QFETCH(int, number);
        tk::FlexGrid &grid = shownGrid();
        const std::function<void()> statements[] = {
            [&] { grid.TextMatrix(-1, 0); },
            [&] { grid.setTextMatrix(2, 0, QStringLiteral("x")); },
            [&] { grid.TextMatrix(0, 2); },
            [&] { grid.setRow(2); },
            [&] { grid.setCol(2); },
            [&] { grid.setRows(0); },
            [&] { grid.setColWidth(2, 100); },
        };
        QCOMPARE(errorNumber(statements[which]), number);
    }

    void clearEmptiesEveryCellAndKeepsTheCounts()
    {
        tk::FlexGrid &grid = shownGrid();
        grid.setCols(3);
        grid.setRows(4);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c)
                grid.setTextMatrix(r, c, QStringLiteral("x"));
        grid.Clear();
        QCOMPARE(grid.Rows(), 4);
        QCOMPARE(grid.Cols(), 3);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c)
                QCOMPARE(grid.TextMatrix(r, c), QString());
        QCOMPARE(grid.header()->model()->headerData(0, Qt::Horizontal).toString(), QString());
    }

    void fewerRowsDropTheirCellsAndMoreRowsComeEmpty()
    {
        tk::FlexGrid &grid = shownGrid();
        grid.setRows(4);
        grid.setTextMatrix(3, 1, QStringLiteral("tres"));
        grid.setRow(3);
        grid.setRows(2);
        QCOMPARE(grid.Row(), 1);
        grid.setRows(4);
        QCOMPARE(grid.TextMatrix(3, 1), QString());
        QCOMPARE(grid.view()->model()->rowCount(), 3);
    }

    void rewrittenCellsKeepTheirLatestText()
    {
        tk::FlexGrid &grid = shownGrid();
        grid.setCols(3);
        grid.setRows(40);
        std::map<std::pair<int, int>, QString> expected;
        auto compare = [&] {
            for (int r = 0; r < grid.Rows(); ++r)
                for (int c = 0; c < 3; ++c) {
                    const auto it = expected.find({r, c});
                    if (grid.TextMatrix(r, c) != (it == expected.end() ? QString() : it->second))
                        return false;
                }
            return true;
        };
        QRandomGenerator random(7);
        // Longer, shorter and empty texts, Latin-1 or not, until the old texts far outweigh
        // the live ones; every cell is checked as it goes, so that no cell is left unread
        // between a rewrite and the next.
        for (int i = 0; i < 12000; ++i) {
            const int r = random.bounded(40);
            const int c = random.bounded(3);
            const QString text = QString(random.bounded(40), QChar(u'a' + i % 26))
                + (i % 3 ? QString() : QStringLiteral("€ñ"));
            grid.setTextMatrix(r, c, text);
            expected[{r, c}] = text;
            if (i == 6000) {
                grid.setRows(20);
                for (auto it = expected.begin(); it != expected.end();)
                    it = it->first.first >= 20 ? expected.erase(it) : std::next(it);
                grid.setRows(40);
            }
            if (i % 97 == 0)
                QVERIFY2(compare(), qPrintable(QString::number(i)));
        }
        QVERIFY(compare());
    }

    void moreColumnsKeepTheCellsThatWereThere()
    {
        tk::FlexGrid &grid = shownGrid();
        grid.setRows(3);
        grid.setTextMatrix(2, 1, QStringLiteral("b"));
        grid.setTextMatrix(0, 0, QStringLiteral("a"));
        grid.setCols(4);
        QCOMPARE(grid.TextMatrix(2, 1), QStringLiteral("b"));
        QCOMPARE(grid.TextMatrix(0, 0), QStringLiteral("a"));
        QCOMPARE(grid.TextMatrix(2, 3), QString());
        QCOMPARE(grid.view()->model()->columnCount(), 4);
    }

    void columnWidthsAreKeptInTwips()
    {
        tk::FlexGrid &grid = shownGrid();
        grid.setCols(4);
        grid.setColWidth(0, 1);
        grid.setColWidth(1, 7600);
        QCOMPARE(grid.ColWidth(0), 1);
        QCOMPARE(grid.ColWidth(1), 7600);
        QCOMPARE(grid.ColWidth(2), tk::FlexGrid::kDefaultColWidth);
        QCOMPARE(grid.header()->sectionSize(0), tk::twipsToPixelsX(1));
        QCOMPARE(grid.header()->sectionSize(1), tk::twipsToPixelsX(7600));
        // The widths survive the view catching up after a hidden fill.
        fillHidden(grid, 3);
        QCOMPARE(grid.header()->sectionSize(1), tk::twipsToPixelsX(7600));
    }

    void aHiddenFillShowsEveryRowOnceVisible()
    {
        tk::FlexGrid &grid = shownGrid();
        grid.setVisible(false);
        grid.setCols(4);
        const int n = 40000;
        for (int i = 1; i <= n; ++i) {
            grid.setRows(i + 1);
            grid.setRow(i);
            for (int j = 0; j < 4; ++j) {
                grid.setCol(j);
                grid.setText(QString::number(i));
            }
        }
        QVERIFY(!grid.Visible());
        grid.setVisible(true);
        QCOMPARE(grid.Rows(), n + 1);
        QCOMPARE(grid.view()->model()->rowCount(), n);
        QCOMPARE(grid.view()->model()->index(n - 1, 2).data().toString(), QString::number(n));
        // The current cell is the last one written, yet the grid shows its first rows.
        QCOMPARE(grid.Row(), n);
        QCOMPARE(grid.Col(), 3);
        QCOMPARE(grid.view()->currentIndex(), grid.view()->model()->index(n - 1, 3));
        QCOMPARE(grid.view()->rowAt(0), 0);
    }

    void aVisibleGridFollowsEveryChange()
    {
        tk::FlexGrid &grid = shownGrid();
        grid.setRows(5);
        QCOMPARE(grid.view()->model()->rowCount(), 4);
        grid.setRow(4);
        grid.setCol(1);
        QCOMPARE(grid.view()->currentIndex(), grid.view()->model()->index(3, 1));
        grid.setRows(2);
        QCOMPARE(grid.view()->model()->rowCount(), 1);
        QCOMPARE(grid.view()->currentIndex(), grid.view()->model()->index(0, 1));
    }

    void clickingACellMakesItCurrentAndDoubleClickIsRaised()
    {
        tk::FlexGrid &grid = shownGrid();
        fillHidden(grid, 5);
        int rowAtDblClick = -1;
        grid.DblClick = [&] { rowAtDblClick = grid.Row(); };
        QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, {}, cellCentre(grid, 3, 2));
        QCOMPARE(grid.Row(), 3);
        QCOMPARE(grid.Col(), 2);
        QCOMPARE(grid.Text(), QStringLiteral("32"));
        QTest::mouseDClick(grid.view()->viewport(), Qt::LeftButton, {}, cellCentre(grid, 4, 1));
        QCOMPARE(rowAtDblClick, 4);
    }

    void mouseMoveNamesTheCellUnderThePointer()
    {
        tk::FlexGrid &grid = shownGrid();
        fillHidden(grid, 3);
        int moves = 0;
        grid.MouseMove = [&](int button, int shift, double x, double y) {
            ++moves;
            QCOMPARE(button, 0);
            QCOMPARE(shift, 0);
            QVERIFY(x > 0 && y > 0);
        };
        moveMouse(grid.view()->viewport(), cellCentre(grid, 2, 1));
        QCOMPARE(grid.MouseRow(), 2);
        QCOMPARE(grid.MouseCol(), 1);
        moveMouse(grid.header()->viewport(), QPoint(grid.header()->sectionPosition(2) + 5, 5));
        QCOMPARE(grid.MouseRow(), 0);
        QCOMPARE(grid.MouseCol(), 2);
        // Below the last row and beyond the last column: the last ones.
        moveMouse(
            grid.view()->viewport(),
            QPoint(grid.view()->viewport()->width() - 2, grid.view()->viewport()->height() - 2));
        QCOMPARE(grid.MouseRow(), 3);
        QCOMPARE(grid.MouseCol(), 3);
        QCOMPARE(moves, 3);
    }

    void theTooltipIsTheControlsText()
    {
        tk::FlexGrid &grid = shownGrid();
        fillHidden(grid, 3);
        grid.setToolTipText(QStringLiteral("Celda"));
        QCOMPARE(toolTipAt(grid.view()->viewport(), cellCentre(grid, 1, 1)),
                 QStringLiteral("Celda"));
        QCOMPARE(toolTipAt(grid.header()->viewport(), QPoint(5, 5)), QStringLiteral("Celda"));
        grid.setToolTipText(QString());
        QCOMPARE(toolTipAt(grid.view()->viewport(), cellCentre(grid, 1, 1)), QString());
        // A disabled grid shows none: it had no mouse moves to keep the text current.
        grid.setToolTipText(QStringLiteral("Antigua"));
        grid.setEnabled(false);
        QCOMPARE(toolTipAt(grid.view()->viewport(), cellCentre(grid, 1, 1)), QString());
    }

    void focusAndKeysAreRaised()
    {
        tk::FlexGrid &grid = shownGrid();
        fillHidden(grid, 3);
        QStringList events;
        grid.GotFocus = [&] { events << QStringLiteral("GotFocus"); };
        grid.LostFocus = [&] { events << QStringLiteral("LostFocus"); };
        grid.KeyPress = [&](int &KeyAscii) {
            events << QString::number(KeyAscii);
            if (KeyAscii == 'x')
                KeyAscii = 0;
        };
        grid.SetFocus();
        QTest::keyClick(grid.view(), Qt::Key_Return);
        QTest::keyClick(grid.view(), Qt::Key_X);
        GridForm::Default().txtOther.SetFocus();
        QCOMPARE(events,
                 (QStringList{QStringLiteral("GotFocus"), QStringLiteral("13"),
                              QStringLiteral("120"), QStringLiteral("LostFocus")}));
    }

    void aDisabledGridTakesNoFocusAndNoClicks()
    {
        tk::FlexGrid &grid = shownGrid();
        fillHidden(grid, 3);
        grid.setEnabled(false);
        int clicks = 0;
        grid.DblClick = [&] { ++clicks; };
        QTest::mouseDClick(grid.view()->viewport(), Qt::LeftButton, {}, cellCentre(grid, 2, 1));
        grid.SetFocus();
        QCOMPARE(clicks, 0);
        QVERIFY(!grid.view()->hasFocus());
        QCOMPARE(grid.Row(), 3);
    }

    void itPaintsInItsDesignColours()
    {
        tk::FlexGrid &grid = shownGrid();
        grid.setRows(3);
        grid.setCols(2);
        grid.setColWidth(0, 1500);
        grid.setColWidth(1, 1500);
        grid.setBackColor(QColor(0xFF, 0xFF, 0xFF));
        grid.setBackColorFixed(QColor(0xD4, 0xD0, 0xC8));
        grid.setBackColorSel(QColor(0xB9, 0xDC, 0xFF));
        grid.setBackColorBkg(QColor(0x80, 0x80, 0x80));
        grid.setGridColor(QColor(0xC0, 0xC0, 0xC0));
        grid.setGridColorFixed(QColor(0x00, 0x00, 0x00));
        grid.setRow(1);
        grid.setCol(1);
        const QImage image = grid.view()->grab().toImage();
        const QPoint viewport = grid.view()->viewport()->pos();
        const QPoint header = grid.header()->pos();
        auto at = [&](QPoint p) { return QColor(image.pixel(p)).rgb(); };
        const QRect plain = grid.view()->visualRect(grid.view()->model()->index(1, 0));
        const QRect selected = grid.view()->visualRect(grid.view()->model()->index(0, 1));
        QCOMPARE(at(header + QPoint(10, 5)), QColor(0xD4, 0xD0, 0xC8).rgb());
        QCOMPARE(at(header + QPoint(grid.header()->sectionSize(0) - 1, 5)),
                 QColor(Qt::black).rgb());
        QCOMPARE(at(viewport + plain.center() + QPoint(0, 3)), QColor(Qt::white).rgb());
        QCOMPARE(at(viewport + QPoint(plain.right(), plain.center().y())),
                 QColor(0xC0, 0xC0, 0xC0).rgb());
        QCOMPARE(at(viewport + selected.topLeft() + QPoint(1, 1)), QColor(0xB9, 0xDC, 0xFF).rgb());
        QCOMPARE(at(viewport
                    + QPoint(grid.view()->viewport()->width() - 3,
                             grid.view()->viewport()->height() - 3)),
                 QColor(0x80, 0x80, 0x80).rgb());
    }
};

QTEST_MAIN(TestFlexGrid)
#include "tst_flexgrid.moc"
