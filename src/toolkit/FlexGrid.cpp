#include "toolkit/FlexGrid.h"

#include "common/Error.h"
#include "toolkit/Form.h"
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
#include <QTableView>
#include <QToolTip>

#include <algorithm>
#include <cstring>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

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

// A vector in fixed blocks: growing it one row at a time never copies what it holds, nor
// touches more memory than it needs.
template<class T>
class BlockVector
{
public:
    size_t size() const { return m_size; }
    T &operator[](size_t i) { return m_blocks[i / kBlock][i % kBlock]; }
    const T &operator[](size_t i) const { return m_blocks[i / kBlock][i % kBlock]; }
    // New elements are T().
    void resize(size_t size)
    {
        const size_t blocks = (size + kBlock - 1) / kBlock;
        for (size_t i = size; i < std::min(m_size, blocks * kBlock); ++i)
            (*this)[i] = T();
        m_blocks.resize(std::min(m_blocks.size(), blocks));
        while (m_blocks.size() < blocks)
            m_blocks.push_back(std::make_unique<T[]>(kBlock));
        m_size = size;
    }
    void reset()
    {
        const size_t size = m_size;
        m_blocks.clear();
        m_size = 0;
        resize(size);
    }

private:
    static constexpr size_t kBlock = 4096;
    std::vector<std::unique_ptr<T[]>> m_blocks;
    size_t m_size = 0;
};

// The cell texts, packed into 64 KB chunks filled in turn: Latin-1 texts one byte a
// character, the others in UTF-16. A grid of 100,000 rows is then a few hundred allocations
// holding little more than its characters, so emptying it costs next to nothing (releasing
// 400,000 separate strings would cost the next search tens of milliseconds) and filling it
// touches little fresh memory, which the first search of a run pays for page by page.
class CellStore
{
public:
    CellStore(int rows, int cols) : m_cols(cols) { m_refs.resize(size_t(rows) * size_t(cols)); }

    QString text(int r, int c) const
    {
        const Ref &ref = m_refs[index(r, c)];
        const qsizetype length = ref.length();
        if (length == 0)
            return QString();
        const char *bytes = m_chunks[ref.chunk].data.get() + ref.offset;
        if (ref.wide())
            return QString(reinterpret_cast<const QChar *>(bytes), length);
        return QString::fromLatin1(bytes, length);
    }
    void set(int r, int c, const QString &text)
    {
        Ref &ref = m_refs[index(r, c)];
        release(ref);
        if (text.isEmpty())
            return;
        const quint32 length = quint32(text.size());
        const char16_t *chars = reinterpret_cast<const char16_t *>(text.constData());
        // Narrowed as it is checked; the rare text beyond Latin-1 starts again in UTF-16.
        auto [chunk, offset] = allocate(length, 1);
        char *to = m_chunks[chunk].data.get() + offset;
        quint32 i = 0;
        while (i < length && chars[i] <= 0xFF) {
            to[i] = char(chars[i]);
            ++i;
        }
        const bool wide = i < length;
        if (wide) {
            m_chunks[chunk].used = offset;
            std::tie(chunk, offset) = allocate(2 * length, 2);
            std::memcpy(m_chunks[chunk].data.get() + offset, chars, 2 * size_t(length));
        }
        ref = {chunk, offset, length | (wide ? kWide : 0)};
        compactIfWasteful();
    }
    void clear()
    {
        m_refs.reset();
        m_chunks.clear();
        m_garbage = 0;
    }
    void resizeRows(int rows)
    {
        const size_t size = size_t(rows) * size_t(m_cols);
        for (size_t i = size; i < m_refs.size(); ++i)
            m_garbage += m_refs[i].bytes();
        m_refs.resize(size);
        compactIfWasteful();
    }
    void resizeCols(int rows, int cols)
    {
        BlockVector<Ref> refs;
        refs.resize(size_t(rows) * size_t(cols));
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < m_cols; ++c) {
                const Ref &ref = m_refs[index(r, c)];
                if (c < cols)
                    refs[size_t(r) * size_t(cols) + size_t(c)] = ref;
                else
                    m_garbage += ref.bytes();
            }
        m_refs = std::move(refs);
        m_cols = cols;
        compactIfWasteful();
    }

private:
    static constexpr quint32 kWide = 0x80000000u;
    static constexpr quint32 kChunkBytes = 64 * 1024;

    struct Ref
    {
        quint32 chunk = 0;
        quint32 offset = 0;
        quint32 size = 0; // length in characters, kWide for UTF-16

        qsizetype length() const { return qsizetype(size & ~kWide); }
        bool wide() const { return size & kWide; }
        qsizetype bytes() const { return wide() ? 2 * length() : length(); }
    };
    struct Chunk
    {
        std::unique_ptr<char[]> data;
        quint32 capacity;
        quint32 used;
    };

    size_t index(int r, int c) const { return size_t(r) * size_t(m_cols) + size_t(c); }
    void release(Ref &ref)
    {
        m_garbage += ref.bytes();
        ref = Ref();
    }
    std::pair<quint32, quint32> allocate(quint32 bytes, quint32 align)
    {
        if (!m_chunks.empty()) {
            Chunk &last = m_chunks.back();
            const quint32 start = (last.used + align - 1) & ~(align - 1);
            if (qsizetype(start) + bytes <= qsizetype(last.capacity)) {
                last.used = start + bytes;
                return {quint32(m_chunks.size() - 1), start};
            }
        }
        const quint32 capacity = std::max(kChunkBytes, bytes);
        m_chunks.push_back({std::make_unique_for_overwrite<char[]>(capacity), capacity, bytes});
        return {quint32(m_chunks.size() - 1), 0};
    }
    // Rewritten and dropped cells leave their old text behind; past half of it all, it goes.
    void compactIfWasteful()
    {
        if (m_garbage < qsizetype(kChunkBytes) || 2 * m_garbage < usedBytes())
            return;
        std::vector<Chunk> old = std::move(m_chunks);
        m_chunks.clear();
        m_garbage = 0;
        for (size_t i = 0; i < m_refs.size(); ++i) {
            Ref &ref = m_refs[i];
            if (ref.size == 0)
                continue;
            const quint32 bytes = quint32(ref.bytes());
            const auto [chunk, offset] = allocate(bytes, ref.wide() ? 2 : 1);
            std::memcpy(m_chunks[chunk].data.get() + offset, old[ref.chunk].data.get() + ref.offset,
                        bytes);
            ref.chunk = chunk;
            ref.offset = offset;
        }
    }
    qsizetype usedBytes() const
    {
        qsizetype used = 0;
        for (const Chunk &chunk : m_chunks)
            used += chunk.used;
        return used;
    }

    int m_cols;
    BlockVector<Ref> m_refs; // row-major, header row first
    std::vector<Chunk> m_chunks;
    qsizetype m_garbage = 0; // bytes of texts no cell holds any more
};

// What the grid holds, independent of what the view has been told so far.
struct GridState
{
    int rows = 2;
    int cols = 2;
    CellStore cells{2, 2};
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

class GridView;

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
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    const GridState &m_state;
    GridView *m_grid;
    int m_rowHeight = 18;
};

class GridView : public QTableView
{
public:
    explicit GridView(FlexGrid &owner, QWidget *parent)
        : QTableView(parent),
          m_owner(&owner),
          m_model(new GridModel(state, this)),
          m_header(new GridHeader(state, this))
    {
        state.back = SystemColor::WindowBackground();
        state.backSel = QApplication::palette().color(QPalette::Highlight);
        state.foreSel = QApplication::palette().color(QPalette::HighlightedText);
        state.backFixed = SystemColor::ActiveBorder();
        state.foreFixed = SystemColor::ButtonText();
        state.backBkg = QColor(0x80, 0x80, 0x80);
        state.grid = QColor(0xC0, 0xC0, 0xC0);
        state.gridFixed = QColor(0x00, 0x00, 0x00);

        setHorizontalHeader(m_header);
        setModel(m_model);
        setItemDelegate(new GridDelegate(state, this));
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
                    state.row = current.row() + 1;
                    state.col = current.column();
                });
    }

    GridState state;

    // Storage changed shape. A view on screen follows at once; a hidden one once, when shown.
    void rowsChanged()
    {
        if (!isVisible() || m_dirty) {
            m_dirty = true;
            m_minRowsSinceFlush = std::min(m_minRowsSinceFlush, state.rows);
            return;
        }
        if (state.rows - 1 < m_model->rowCount()) {
            // Removing rows one range at a time costs the view far more than starting over.
            m_dirty = true;
            m_minRowsSinceFlush = state.rows;
            flush();
            return;
        }
        m_model->publishNewRows();
        m_minRowsSinceFlush = state.rows;
        syncCurrent();
    }
    void colsChanged()
    {
        m_dirty = true;
        if (isVisible())
            flush();
    }
    void cellChanged(int r, int c)
    {
        if (!m_dirty && isVisible())
            m_model->cellChanged(r, c);
    }
    void allChanged()
    {
        if (!m_dirty && isVisible())
            m_model->allChanged();
    }
    void currentCellChanged()
    {
        if (!m_dirty)
            syncCurrent();
    }
    void applyColWidths()
    {
        for (int c = 0; c < state.cols && c < m_model->columnCount(); ++c) {
            const int twips = state.colWidths[size_t(c)] < 0 ? FlexGrid::kDefaultColWidth
                                                             : state.colWidths[size_t(c)];
            m_header->resizeSection(c, twipsToPixelsX(twips));
        }
    }
    int rowHeightPixels() const { return m_rowHeight; }

    // The view may outlive its control (its window is deleted later): no more events.
    void forgetOwner() { m_owner = nullptr; }

    void reportMouse(int row, int col, QMouseEvent *event)
    {
        state.mouseRow = row;
        state.mouseCol = col;
        if (!m_owner || !m_owner->MouseMove)
            return;
        const QPoint pos = mapFromGlobal(event->globalPosition().toPoint());
        const int button = buttonCode(event->buttons());
        const int shift = shiftCode(event->modifiers());
        const double x = pos.x() * Screen::TwipsPerPixelX();
        const double y = pos.y() * Screen::TwipsPerPixelY();
        dispatch([&] { m_owner->MouseMove(button, shift, x, y); });
    }
    void raiseDblClick()
    {
        if (m_owner && m_owner->DblClick)
            dispatch(m_owner->DblClick);
    }
    // Shows the control's tooltip text, whatever cell the pointer rests on.
    bool showToolTip(QEvent *event, QWidget *over, const QRect &cell)
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
    int lastCol() const { return std::max(0, state.cols - 1); }

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::ToolTip && !isEnabled()) {
            QToolTip::hideText();
            return true;
        }
        return QTableView::event(event);
    }
    void showEvent(QShowEvent *event) override
    {
        flush();
        QTableView::showEvent(event);
    }
    void paintEvent(QPaintEvent *event) override
    {
        {
            QPainter painter(viewport());
            painter.fillRect(event->rect(), state.backBkg);
        }
        QTableView::paintEvent(event);
    }
    void changeEvent(QEvent *event) override
    {
        QTableView::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            updateRowHeight();
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        QTableView::mouseMoveEvent(event);
        const QPoint pos = event->position().toPoint();
        const int r = rowAt(pos.y());
        const int c = columnAt(pos.x());
        reportMouse(r < 0 ? state.rows - 1 : r + 1, c < 0 ? lastCol() : c, event);
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        QTableView::mouseDoubleClickEvent(event);
        if (event->button() == Qt::LeftButton)
            raiseDblClick();
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        int code = keyAscii(event);
        if (code != 0 && m_owner && m_owner->KeyPress) {
            dispatch([&] { m_owner->KeyPress(code); });
            if (code == 0) {
                event->accept();
                return;
            }
        }
        QTableView::keyPressEvent(event);
    }
    void focusInEvent(QFocusEvent *event) override
    {
        QTableView::focusInEvent(event);
        if (m_owner && m_owner->GotFocus)
            dispatch(m_owner->GotFocus);
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        QTableView::focusOutEvent(event);
        if (m_owner && m_owner->LostFocus)
            dispatch(m_owner->LostFocus);
    }
    bool viewportEvent(QEvent *event) override
    {
        if (event->type() == QEvent::ToolTip) {
            const QPoint pos = static_cast<QHelpEvent *>(event)->pos();
            return showToolTip(event, viewport(), visualRect(indexAt(pos)));
        }
        return QTableView::viewportEvent(event);
    }

private:
    void flush()
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
        m_minRowsSinceFlush = state.rows;
    }
    void syncCurrent()
    {
        m_syncing = true;
        const bool autoScroll = hasAutoScroll();
        setAutoScroll(false);
        const QModelIndex index
            = state.row >= 1 ? m_model->index(state.row - 1, state.col) : QModelIndex();
        if (index.isValid())
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        else
            selectionModel()->clear();
        setAutoScroll(autoScroll);
        m_syncing = false;
    }
    void updateRowHeight()
    {
        m_rowHeight = fontMetrics().height() + 4;
        verticalHeader()->setDefaultSectionSize(m_rowHeight);
        m_header->setRowHeight(m_rowHeight);
    }

    FlexGrid *m_owner;
    GridModel *m_model;
    GridHeader *m_header;
    bool m_dirty = false;
    bool m_syncing = false;
    int m_rowHeight = 18;
    int m_minRowsSinceFlush = 2;
};

GridHeader::GridHeader(const GridState &state, GridView *view)
    : QHeaderView(Qt::Horizontal, view), m_state(state), m_grid(view)
{ }

void GridHeader::mouseMoveEvent(QMouseEvent *event)
{
    QHeaderView::mouseMoveEvent(event);
    const int c = logicalIndexAt(event->position().toPoint());
    m_grid->reportMouse(0, c < 0 ? m_grid->lastCol() : c, event);
}

void GridHeader::mouseDoubleClickEvent(QMouseEvent *event)
{
    QHeaderView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        m_grid->raiseDblClick();
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

void FlexGrid::create(Form &form, const QString &name)
{
    auto *widget = new detail::GridView(*this, form.client());
    attach(form, name, widget);
    widget->show();
}

void FlexGrid::detach()
{
    if (widget())
        grid().forgetOwner();
    Control::detach();
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
    return grid().state.rows;
}

void FlexGrid::setRows(int rows)
{
    detail::GridView &g = grid();
    detail::GridState &s = g.state;
    if (rows < FixedRows())
        throw detail::invalidValue();
    if (rows == s.rows)
        return;
    s.cells.resizeRows(rows);
    s.rows = rows;
    s.row = std::min(s.row, rows - 1);
    g.rowsChanged();
}

int FlexGrid::Cols() const
{
    return grid().state.cols;
}

void FlexGrid::setCols(int cols)
{
    detail::GridView &g = grid();
    detail::GridState &s = g.state;
    if (cols < 1)
        throw detail::invalidValue();
    if (cols == s.cols)
        return;
    s.cells.resizeCols(s.rows, cols);
    s.cols = cols;
    s.colWidths.resize(size_t(cols), -1);
    s.col = std::min(s.col, cols - 1);
    g.colsChanged();
}

int FlexGrid::Row() const
{
    return grid().state.row;
}

void FlexGrid::setRow(int row)
{
    detail::GridView &g = grid();
    if (row < 0 || row >= g.state.rows)
        throw Error(kInvalidRowValue, QStringLiteral("Valor de Row no válido."));
    if (row == g.state.row)
        return;
    g.state.row = row;
    g.currentCellChanged();
}

int FlexGrid::Col() const
{
    return grid().state.col;
}

void FlexGrid::setCol(int col)
{
    detail::GridView &g = grid();
    if (col < 0 || col >= g.state.cols)
        throw Error(kInvalidColValue, QStringLiteral("Valor de Col no válido."));
    if (col == g.state.col)
        return;
    g.state.col = col;
    g.currentCellChanged();
}

QString FlexGrid::Text() const
{
    const detail::GridState &s = grid().state;
    return s.cell(s.row, s.col);
}

void FlexGrid::setText(const QString &text)
{
    detail::GridView &g = grid();
    g.state.cells.set(g.state.row, g.state.col, text);
    g.cellChanged(g.state.row, g.state.col);
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    const detail::GridState &s = grid().state;
    if (row < 0 || row >= s.rows || col < 0 || col >= s.cols)
        throw detail::subscriptOutOfRange();
    return s.cell(row, col);
}

void FlexGrid::setTextMatrix(int row, int col, const QString &text)
{
    detail::GridView &g = grid();
    if (row < 0 || row >= g.state.rows || col < 0 || col >= g.state.cols)
        throw detail::subscriptOutOfRange();
    g.state.cells.set(row, col, text);
    g.cellChanged(row, col);
}

int FlexGrid::ColWidth(int col) const
{
    const detail::GridState &s = grid().state;
    if (col < 0 || col >= s.cols)
        throw detail::subscriptOutOfRange();
    const int twips = s.colWidths[size_t(col)];
    return twips < 0 ? kDefaultColWidth : twips;
}

void FlexGrid::setColWidth(int col, int twips)
{
    detail::GridView &g = grid();
    if (col < 0 || col >= g.state.cols)
        throw detail::subscriptOutOfRange();
    if (twips < -1)
        throw detail::invalidValue();
    g.state.colWidths[size_t(col)] = twips;
    g.applyColWidths();
}

void FlexGrid::Clear()
{
    detail::GridView &g = grid();
    g.state.cells.clear();
    g.allChanged();
}

int FlexGrid::MouseRow() const
{
    const detail::GridState &s = grid().state;
    return std::min(s.mouseRow, s.rows - 1);
}

int FlexGrid::MouseCol() const
{
    const detail::GridState &s = grid().state;
    return std::min(s.mouseCol, s.cols - 1);
}

namespace {
void repaint(detail::GridView &g)
{
    g.viewport()->update();
    g.horizontalHeader()->viewport()->update();
}
} // namespace

QColor FlexGrid::BackColorSel() const
{
    return grid().state.backSel;
}

void FlexGrid::setBackColorSel(const QColor &color)
{
    grid().state.backSel = color;
    repaint(grid());
}

QColor FlexGrid::ForeColorSel() const
{
    return grid().state.foreSel;
}

void FlexGrid::setForeColorSel(const QColor &color)
{
    grid().state.foreSel = color;
    repaint(grid());
}

QColor FlexGrid::BackColorFixed() const
{
    return grid().state.backFixed;
}

void FlexGrid::setBackColorFixed(const QColor &color)
{
    grid().state.backFixed = color;
    repaint(grid());
}

QColor FlexGrid::ForeColorFixed() const
{
    return grid().state.foreFixed;
}

void FlexGrid::setForeColorFixed(const QColor &color)
{
    grid().state.foreFixed = color;
    repaint(grid());
}

QColor FlexGrid::BackColorBkg() const
{
    return grid().state.backBkg;
}

void FlexGrid::setBackColorBkg(const QColor &color)
{
    grid().state.backBkg = color;
    repaint(grid());
}

QColor FlexGrid::GridColor() const
{
    return grid().state.grid;
}

void FlexGrid::setGridColor(const QColor &color)
{
    grid().state.grid = color;
    repaint(grid());
}

QColor FlexGrid::GridColorFixed() const
{
    return grid().state.gridFixed;
}

void FlexGrid::setGridColorFixed(const QColor &color)
{
    grid().state.gridFixed = color;
    repaint(grid());
}

void FlexGrid::setBackColor(const QColor &color)
{
    Control::setBackColor(color);
    grid().state.back = color;
    repaint(grid());
}

int FlexGrid::RowHeight() const
{
    return pixelsToTwipsY(grid().rowHeightPixels());
}

} // namespace tk
