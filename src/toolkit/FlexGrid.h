#pragma once

#include "toolkit/Controls.h"

#include <QColor>
#include <QString>

#include <functional>

class QTableView;
class QHeaderView;

namespace tk {

namespace detail {
class GridView;
}

// A grid of text cells with one fixed header row and no fixed columns. Row 0 is the header;
// rows 1 and below scroll under it. Rows, Cols, Row and Col count and number cells the
// same way, header included.
//
// Large grids are built by raising Rows one row at a time while the grid is hidden: the
// cells are plain storage (GridCells) and the view (GridView) catches up once, when it is
// shown again. This front end checks what the window asks and raises the grid's errors.
class FlexGrid : public Control
{
public:
    // Error numbers the grid raises, as the platform grid numbers them.
    static constexpr int kSubscriptOutOfRange = 381;
    static constexpr int kInvalidRowValue = 30009;
    static constexpr int kInvalidColValue = 30010;
    static constexpr int kDefaultColWidth = 960; // twips

    void create(Form &form, const QString &name);

    int Rows() const;
    void setRows(int rows); // at least the header row
    int Cols() const;
    void setCols(int cols); // at least one column
    int FixedRows() const { return 1; }
    int FixedCols() const { return 0; }

    // The current cell.
    int Row() const;
    void setRow(int row);
    int Col() const;
    void setCol(int col);
    QString Text() const;
    void setText(const QString &text);

    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);

    // Twips, kept as set; -1 restores the default width.
    int ColWidth(int col) const;
    void setColWidth(int col, int twips);

    // Empties every cell, header included; the row and column counts stay.
    void Clear();

    // The cell under the mouse pointer, as of the last mouse move over the grid; beyond the
    // last row or column, the last one.
    int MouseRow() const;
    int MouseCol() const;

    QColor BackColorSel() const;
    void setBackColorSel(const QColor &color);
    QColor ForeColorSel() const;
    void setForeColorSel(const QColor &color);
    QColor BackColorFixed() const;
    void setBackColorFixed(const QColor &color);
    QColor ForeColorFixed() const;
    void setForeColorFixed(const QColor &color);
    QColor BackColorBkg() const; // the area beyond the last row and column
    void setBackColorBkg(const QColor &color);
    QColor GridColor() const;
    void setGridColor(const QColor &color);
    QColor GridColorFixed() const;
    void setGridColorFixed(const QColor &color);
    // Cell background; ForeColor (the cells' text) is the control's.
    void setBackColor(const QColor &color) override;

    // Row height in twips, the same for every row.
    int RowHeight() const;

    QTableView *view() const;
    QHeaderView *header() const;

    std::function<void()> DblClick;
    // Button: 1 left, 2 right, 4 middle; Shift: 1 shift, 2 control, 4 alt; x, y in twips.
    std::function<void(int Button, int Shift, double x, double y)> MouseMove;
    std::function<void(int &KeyAscii)> KeyPress;
    std::function<void()> GotFocus;
    std::function<void()> LostFocus;

private:
    detail::GridView &grid() const;
};

} // namespace tk
