#pragma once

#include "toolkit/GridCells.h"

#include <QColor>
#include <QTableView>

#include <functional>
#include <vector>

class QMouseEvent;

namespace tk {

class FlexGrid;

namespace detail {

class GridModel;
class GridHeader;

// What the grid holds, independent of what the view has been told so far.
struct GridState
{
    int rows = 2;
    int cols = 2;
    GridCells cells{2, 2};
    std::vector<int> colWidths = std::vector<int>(2, -1);
    int row = 1;
    int col = 0;
    int mouseRow = 0;
    int mouseCol = 0;
    QColor back;
    QColor backSel;
    QColor foreSel;
    QColor backFixed;
    QColor foreFixed;
    QColor backBkg;
    QColor grid;
    QColor gridFixed;

    QString cell(int r, int c) const { return cells.text(r, c); }
};

// The grid on screen: a table view over the cell store, its header row the store's row 0.
// It owns the state; the front end changes it only through these operations, each of which
// tells the view. A hidden view catches up once, when it is shown again. Events go to the
// FlexGrid that owns the widget, while it does.
class GridView : public QTableView
{
public:
    explicit GridView(QWidget *parent);

    const GridState &state() const { return m_state; }

    void resizeRows(int rows);
    void resizeCols(int cols);
    void setCurrentRow(int row);
    void setCurrentCol(int col);
    void setCell(int r, int c, const QString &text);
    void clearCells();
    void setColWidth(int col, int twips); // -1: the default width
    void setColour(QColor GridState::*which, const QColor &color);
    int rowHeightPixels() const { return m_rowHeight; }

    // For the header row, which reports to the grid's handlers.
    void reportMouse(int row, int col, QMouseEvent *event);
    bool showToolTip(QEvent *event, QWidget *over, const QRect &cell);
    int lastCol() const { return std::max(0, m_state.cols - 1); }

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    FlexGrid *owner() const;
    void raiseDblClick();
    void rowsChanged();
    void colsChanged();
    void cellChanged(int r, int c);
    void allChanged();
    void currentCellChanged();
    void applyColWidths();
    void flush();
    void syncCurrent();
    void updateRowHeight();

    GridState m_state;
    GridModel *m_model;
    GridHeader *m_header;
    bool m_dirty = false;
    bool m_syncing = false;
    int m_rowHeight = 18;
    int m_minRowsSinceFlush = 2;
};

} // namespace detail
} // namespace tk
