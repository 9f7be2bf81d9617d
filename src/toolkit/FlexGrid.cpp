#include "toolkit/FlexGrid.h"

#include "common/Error.h"
#include "toolkit/Form.h"
#include "toolkit/GridView.h"
#include "toolkit/Units.h"

#include <QHeaderView>

#include <algorithm>

namespace tk {

using orlaneva::Error;

namespace detail {

namespace {

Error subscriptOutOfRange()
{
    return Error(FlexGrid::kSubscriptOutOfRange,
                 QStringLiteral("El subíndice está fuera del intervalo."));
}

Error invalidValue()
{
    return Error(orlaneva::ErrorNumber::InvalidPropertyValue,
                 QStringLiteral("El valor de la propiedad no es válido."));
}

} // namespace
} // namespace detail

void FlexGrid::create(Form &form, const QString &name)
{
    auto *widget = new detail::GridView(form.client());
    attach(form, name, widget);
    widget->show();
}

detail::GridView &FlexGrid::grid() const
{
    return static_cast<detail::GridView &>(w());
}

QTableView *FlexGrid::view() const
{
    return &grid();
}

QHeaderView *FlexGrid::header() const
{
    return grid().horizontalHeader();
}

int FlexGrid::Rows() const
{
    return grid().state().rows;
}

void FlexGrid::setRows(int rows)
{
    if (rows < FixedRows())
        throw detail::invalidValue();
    if (rows != grid().state().rows)
        grid().resizeRows(rows);
}

int FlexGrid::Cols() const
{
    return grid().state().cols;
}

void FlexGrid::setCols(int cols)
{
    if (cols < 1)
        throw detail::invalidValue();
    if (cols != grid().state().cols)
        grid().resizeCols(cols);
}

int FlexGrid::Row() const
{
    return grid().state().row;
}

void FlexGrid::setRow(int row)
{
    const detail::GridState &s = grid().state();
    if (row < 0 || row >= s.rows)
        throw Error(kInvalidRowValue, QStringLiteral("Valor de Row no válido."));
    if (row != s.row)
        grid().setCurrentRow(row);
}

int FlexGrid::Col() const
{
    return grid().state().col;
}

void FlexGrid::setCol(int col)
{
    const detail::GridState &s = grid().state();
    if (col < 0 || col >= s.cols)
        throw Error(kInvalidColValue, QStringLiteral("Valor de Col no válido."));
    if (col != s.col)
        grid().setCurrentCol(col);
}

QString FlexGrid::Text() const
{
    const detail::GridState &s = grid().state();
    return s.cell(s.row, s.col);
}

void FlexGrid::setText(const QString &text)
{
    const detail::GridState &s = grid().state();
    grid().setCell(s.row, s.col, text);
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    const detail::GridState &s = grid().state();
    if (row < 0 || row >= s.rows || col < 0 || col >= s.cols)
        throw detail::subscriptOutOfRange();
    return s.cell(row, col);
}

void FlexGrid::setTextMatrix(int row, int col, const QString &text)
{
    const detail::GridState &s = grid().state();
    if (row < 0 || row >= s.rows || col < 0 || col >= s.cols)
        throw detail::subscriptOutOfRange();
    grid().setCell(row, col, text);
}

int FlexGrid::ColWidth(int col) const
{
    const detail::GridState &s = grid().state();
    if (col < 0 || col >= s.cols)
        throw detail::subscriptOutOfRange();
    const int twips = s.colWidths[size_t(col)];
    return twips < 0 ? kDefaultColWidth : twips;
}

void FlexGrid::setColWidth(int col, int twips)
{
    if (col < 0 || col >= grid().state().cols)
        throw detail::subscriptOutOfRange();
    if (twips < -1)
        throw detail::invalidValue();
    grid().setColWidth(col, twips);
}

void FlexGrid::Clear()
{
    grid().clearCells();
}

int FlexGrid::MouseRow() const
{
    const detail::GridState &s = grid().state();
    return std::min(s.mouseRow, s.rows - 1);
}

int FlexGrid::MouseCol() const
{
    const detail::GridState &s = grid().state();
    return std::min(s.mouseCol, s.cols - 1);
}

QColor FlexGrid::BackColorSel() const
{
    return grid().state().backSel;
}

void FlexGrid::setBackColorSel(const QColor &color)
{
    grid().setColour(&detail::GridState::backSel, color);
}

QColor FlexGrid::ForeColorSel() const
{
    return grid().state().foreSel;
}

void FlexGrid::setForeColorSel(const QColor &color)
{
    grid().setColour(&detail::GridState::foreSel, color);
}

QColor FlexGrid::BackColorFixed() const
{
    return grid().state().backFixed;
}

void FlexGrid::setBackColorFixed(const QColor &color)
{
    grid().setColour(&detail::GridState::backFixed, color);
}

QColor FlexGrid::ForeColorFixed() const
{
    return grid().state().foreFixed;
}

void FlexGrid::setForeColorFixed(const QColor &color)
{
    grid().setColour(&detail::GridState::foreFixed, color);
}

QColor FlexGrid::BackColorBkg() const
{
    return grid().state().backBkg;
}

void FlexGrid::setBackColorBkg(const QColor &color)
{
    grid().setColour(&detail::GridState::backBkg, color);
}

QColor FlexGrid::GridColor() const
{
    return grid().state().grid;
}

void FlexGrid::setGridColor(const QColor &color)
{
    grid().setColour(&detail::GridState::grid, color);
}

QColor FlexGrid::GridColorFixed() const
{
    return grid().state().gridFixed;
}

void FlexGrid::setGridColorFixed(const QColor &color)
{
    grid().setColour(&detail::GridState::gridFixed, color);
}

void FlexGrid::setBackColor(const QColor &color)
{
    Control::setBackColor(color);
    grid().setColour(&detail::GridState::back, color);
}

int FlexGrid::RowHeight() const
{
    return pixelsToTwipsY(grid().rowHeightPixels());
}

} // namespace tk
