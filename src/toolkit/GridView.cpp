#include "toolkit/GridView.h"

#include "toolkit/Controls.h"
#include "toolkit/FlexGrid.h"
#include "toolkit/Services.h"
#include "toolkit/Units.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>

namespace tk {
namespace detail {

namespace {

int buttonCode(Qt::MouseButtons buttons)
{
    int code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

} // namespace

// Model rows are the grid's rows below the header; the header row is the header view's.
// The counts the model reports are the ones last published to the view, so that storage
// can run ahead of a hidden view without the view seeing an inconsistent model.
class GridModel : public QAbstractTableModel
{
public:
    explicit GridModel(const GridState &state, QObject *parent)
        : QAbstractTableModel(parent), m_state(state)
    { }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_rows;
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_cols;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
            return {};
        const int r = index.row() + 1;
        const int c = index.column();
        if (!index.isValid() || r >= m_state.rows || c >= m_state.cols)
            return {};
        return m_state.cell(r, c);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal
            || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) || section < 0
            || section >= m_state.cols)
            return {};
        return m_state.cell(0, section);
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    void publishAll()
    {
        beginResetModel();
        m_rows = m_state.rows - 1;
        m_cols = m_state.cols;
        endResetModel();
    }
    void publishNewRows()
    {
        const int target = m_state.rows - 1;
        if (target > m_rows) {
            beginInsertRows(QModelIndex(), m_rows, target - 1);
            m_rows = target;
            endInsertRows();
        }
    }
    void cellChanged(int r, int c)
    {
        if (r == 0) {
            if (c < m_cols)
                emit headerDataChanged(Qt::Horizontal, c, c);
        } else if (r - 1 < m_rows && c < m_cols) {
            const QModelIndex i = index(r - 1, c);
            emit dataChanged(i, i, {Qt::DisplayRole});
        }
    }
    void allChanged()
    {
        if (m_cols > 0) {
            emit headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
            if (m_rows > 0)
                emit dataChanged(index(0, 0), index(m_rows - 1, m_cols - 1), {Qt::DisplayRole});
        }
    }

private:
    const GridState &m_state;
    int m_rows = 1;
    int m_cols = 2;
};

// Paints a cell the way the grid's colours say, with no style decoration in between.
class GridDelegate : public QStyledItemDelegate
{
public:
    GridDelegate(const GridState &state, QTableView *view)
        : QStyledItemDelegate(view), m_state(state), m_view(view)
    { }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QRect rect = option.rect;
        painter->fillRect(rect, selected ? m_state.backSel : m_state.back);
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!text.isEmpty() && rect.width() > 4) {
            painter->setPen(selected ? m_state.foreSel
                                     : m_view->palette().color(QPalette::Active, QPalette::Text));
            painter->setFont(option.font);
            painter->drawText(rect.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
        }
        painter->setPen(m_state.grid);
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        if ((option.state & QStyle::State_HasFocus) && m_view->hasFocus() && rect.width() > 4) {
            QPen pen(m_state.foreSel);
            pen.setStyle(Qt::DotLine);
            painter->setPen(pen);
            painter->drawRect(rect.adjusted(1, 1, -2, -2));
        }
    }

private:
    const GridState &m_state;
    QTableView *m_view;
};

// The fixed header row.
class GridHeader : public QHeaderView
{
public:
    GridHeader(const GridState &state, GridView *view);

    QSize sizeHint() const override { return {QHeaderView::sizeHint().width(), m_rowHeight}; }
    void setRowHeight(int pixels)
    {
        m_rowHeight = pixels;
        setFixedHeight(pixels);
        updateGeometry();
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        painter->fillRect(rect, m_state.backFixed);
        if (logicalIndex < m_state.cols && rect.width() > 4) {
            const QString text = m_state.cell(0, logicalIndex);
            if (!text.isEmpty()) {
                painter->setPen(m_state.foreFixed);
                painter->setFont(font());
                painter->drawText(rect.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                                  text);
            }
        }
        painter->setPen(m_state.gridFixed);
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    }
    void mouseMoveEvent(QMouseEvent *event) override;
    // No double-click handling: the header row is no row, and the grid's DblClick acts on
    // the current row, which a click on the header never picked.
    bool viewportEvent(QEvent *event) override;

private:
    const GridState &m_state;
    GridView *m_grid;
    int m_rowHeight = 18;
};

GridView::GridView(QWidget *parent)
    : QTableView(parent),
      m_model(new GridModel(m_state, this)),
      m_header(new GridHeader(m_state, this))
{
    m_state.back = SystemColor::WindowBackground();
    m_state.backSel = QApplication::palette().color(QPalette::Highlight);
    m_state.foreSel = QApplication::palette().color(QPalette::HighlightedText);
    m_state.backFixed = SystemColor::ActiveBorder();
    m_state.foreFixed = SystemColor::ButtonText();
    m_state.backBkg = QColor(0x80, 0x80, 0x80);
    m_state.grid = QColor(0xC0, 0xC0, 0xC0);
    m_state.gridFixed = QColor(0x00, 0x00, 0x00);

    setHorizontalHeader(m_header);
    setModel(m_model);
    setItemDelegate(new GridDelegate(m_state, this));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(0);
    m_header->setSectionResizeMode(QHeaderView::Fixed);
    m_header->setMinimumSectionSize(0);
    m_header->setSectionsClickable(false);
    m_header->setHighlightSections(false);
    m_header->setStretchLastSection(false);
    m_header->setMouseTracking(true);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    updateRowHeight();
    applyColWidths();

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (m_syncing || !current.isValid())
                    return;
                m_state.row = current.row() + 1;
                m_state.col = current.column();
            });
}

FlexGrid *GridView::owner() const
{
    return ownerOf<FlexGrid>(this);
}

void GridView::resizeRows(int rows)
{
    m_state.cells.resizeRows(rows);
    m_state.rows = rows;
    m_state.row = std::min(m_state.row, rows - 1);
    rowsChanged();
}

void GridView::resizeCols(int cols)
{
    m_state.cells.resizeCols(m_state.rows, cols);
    m_state.cols = cols;
    m_state.colWidths.resize(size_t(cols), -1);
    m_state.col = std::min(m_state.col, cols - 1);
    colsChanged();
}

void GridView::setCurrentRow(int row)
{
    m_state.row = row;
    currentCellChanged();
}

void GridView::setCurrentCol(int col)
{
    m_state.col = col;
    currentCellChanged();
}

void GridView::setCell(int r, int c, const QString &text)
{
    m_state.cells.set(r, c, text);
    cellChanged(r, c);
}

void GridView::clearCells()
{
    m_state.cells.clear();
    allChanged();
}

void GridView::setColWidth(int col, int twips)
{
    m_state.colWidths[size_t(col)] = twips;
    applyColWidths();
}

void GridView::setColour(QColor GridState::*which, const QColor &color)
{
    m_state.*which = color;
    viewport()->update();
    horizontalHeader()->viewport()->update();
}

// Storage changed shape. A view on screen follows at once; a hidden one once, when shown.
void GridView::rowsChanged()
{
    if (!isVisible() || m_dirty) {
        m_dirty = true;
        m_minRowsSinceFlush = std::min(m_minRowsSinceFlush, m_state.rows);
        return;
    }
    if (m_state.rows - 1 < m_model->rowCount()) {
        // Removing rows one range at a time costs the view far more than starting over.
        m_dirty = true;
        m_minRowsSinceFlush = m_state.rows;
        flush();
        return;
    }
    m_model->publishNewRows();
    m_minRowsSinceFlush = m_state.rows;
    syncCurrent();
}

void GridView::colsChanged()
{
    m_dirty = true;
    if (isVisible())
        flush();
}

void GridView::cellChanged(int r, int c)
{
    if (!m_dirty && isVisible())
        m_model->cellChanged(r, c);
}

void GridView::allChanged()
{
    if (!m_dirty && isVisible())
        m_model->allChanged();
}

void GridView::currentCellChanged()
{
    if (!m_dirty)
        syncCurrent();
}

void GridView::applyColWidths()
{
    for (int c = 0; c < m_state.cols && c < m_model->columnCount(); ++c) {
        const int twips = m_state.colWidths[size_t(c)] < 0 ? FlexGrid::kDefaultColWidth
                                                           : m_state.colWidths[size_t(c)];
        m_header->resizeSection(c, twipsToPixelsX(twips));
    }
}

void GridView::reportMouse(int row, int col, QMouseEvent *event)
{
    m_state.mouseRow = row;
    m_state.mouseCol = col;
    FlexGrid *grid = owner();
    if (!grid || !grid->MouseMove)
        return;
    const QPoint pos = mapFromGlobal(event->globalPosition().toPoint());
    const int button = buttonCode(event->buttons());
    const int shift = shiftCode(event->modifiers());
    const double x = pos.x() * Screen::TwipsPerPixelX();
    const double y = pos.y() * Screen::TwipsPerPixelY();
    dispatch([&] { grid->MouseMove(button, shift, x, y); });
}

void GridView::raiseDblClick()
{
    if (FlexGrid *grid = owner(); grid && grid->DblClick)
        dispatch(grid->DblClick);
}

// Shows the control's tooltip text, whatever cell the pointer rests on.
bool GridView::showToolTip(QEvent *event, QWidget *over, const QRect &cell)
{
    auto *help = static_cast<QHelpEvent *>(event);
    const QString text = toolTip();
    // Accepted either way: the view's own tooltip must not show through a disabled grid.
    if (text.isEmpty() || !isEnabled())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, over, cell);
    event->accept();
    return true;
}

bool GridView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && !isEnabled()) {
        QToolTip::hideText();
        return true;
    }
    return QTableView::event(event);
}

void GridView::showEvent(QShowEvent *event)
{
    flush();
    QTableView::showEvent(event);
}

void GridView::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), m_state.backBkg);
    }
    QTableView::paintEvent(event);
}

void GridView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateRowHeight();
}

void GridView::mouseMoveEvent(QMouseEvent *event)
{
    QTableView::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    const int r = rowAt(pos.y());
    const int c = columnAt(pos.x());
    reportMouse(r < 0 ? m_state.rows - 1 : r + 1, c < 0 ? lastCol() : c, event);
}

void GridView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        raiseDblClick();
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    int code = keyAscii(event);
    FlexGrid *grid = owner();
    if (code != 0 && grid && grid->KeyPress) {
        dispatch([&] { grid->KeyPress(code); });
        if (code == 0) {
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void GridView::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    if (FlexGrid *grid = owner(); grid && grid->GotFocus)
        dispatch(grid->GotFocus);
}

void GridView::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    if (FlexGrid *grid = owner(); grid && grid->LostFocus)
        dispatch(grid->LostFocus);
}

bool GridView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const QPoint pos = static_cast<QHelpEvent *>(event)->pos();
        return showToolTip(event, viewport(), visualRect(indexAt(pos)));
    }
    return QTableView::viewportEvent(event);
}

void GridView::flush()
{
    if (!m_dirty)
        return;
    m_dirty = false;
    const int top = rowAt(0);
    m_model->publishAll();
    applyColWidths();
    syncCurrent();
    // The first row shown stays on top unless it went away meanwhile.
    if (top > 0 && m_minRowsSinceFlush - 1 > top)
        scrollTo(m_model->index(top, 0), QAbstractItemView::PositionAtTop);
    else
        scrollToTop();
    m_minRowsSinceFlush = m_state.rows;
}

void GridView::syncCurrent()
{
    m_syncing = true;
    const bool autoScroll = hasAutoScroll();
    setAutoScroll(false);
    const QModelIndex index
        = m_state.row >= 1 ? m_model->index(m_state.row - 1, m_state.col) : QModelIndex();
    if (index.isValid())
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->clear();
    setAutoScroll(autoScroll);
    m_syncing = false;
}

void GridView::updateRowHeight()
{
    m_rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setDefaultSectionSize(m_rowHeight);
    m_header->setRowHeight(m_rowHeight);
}

GridHeader::GridHeader(const GridState &state, GridView *view)
    : QHeaderView(Qt::Horizontal, view), m_state(state), m_grid(view)
{ }

void GridHeader::mouseMoveEvent(QMouseEvent *event)
{
    QHeaderView::mouseMoveEvent(event);
    const int c = logicalIndexAt(event->position().toPoint());
    m_grid->reportMouse(0, c < 0 ? m_grid->lastCol() : c, event);
}

bool GridHeader::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const QPoint pos = static_cast<QHelpEvent *>(event)->pos();
        const int c = logicalIndexAt(pos);
        const QRect cell
            = c < 0 ? QRect() : QRect(sectionViewportPosition(c), 0, sectionSize(c), height());
        return m_grid->showToolTip(event, viewport(), cell);
    }
    return QHeaderView::viewportEvent(event);
}

} // namespace detail
} // namespace tk
