#include "mainwindow/ui/CallListView.h"

#include <algorithm>

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "mainwindow/CallListModel.h"

namespace {

// The grid draws no focus rectangle around the current cell.
class NoFocusDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem o(option);
        o.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, o, index);
    }
};

} // namespace

CallListView::CallListView(QWidget* parent) : QTableView(parent)
{
    setItemDelegate(new NoFocusDelegate(this));
    setSelectionMode(QAbstractItemView::NoSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setSortingEnabled(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(0);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white); // the area below the last row is white
    setPalette(pal);
}

void CallListView::setCallList(CallListModel* model)
{
    m_list = model;
    setModel(model);
    connect(model, &CallListModel::selectionChanged, this, &CallListView::showSelection);
    connect(model, &QAbstractItemModel::layoutChanged, this, &CallListView::showSelection);
    connect(model, &QAbstractItemModel::modelReset, this, &CallListView::showSelection);
    connect(model, &QAbstractItemModel::rowsInserted, this, &CallListView::showSelection);
}

void CallListView::setHighlight(bool on)
{
    m_highlight = on;
    showSelection();
}

void CallListView::showSelection()
{
    if (!m_list || !selectionModel())
        return;
    const int announced = m_list->rowCount();
    const int top = std::min(m_list->row(), m_list->rowSel());
    const int bottom = std::max(m_list->row(), m_list->rowSel());
    // Whole rows are selected; a selection parked on the hidden ID column shows nothing.
    const bool parked = m_list->col() == CallListModel::ColID && m_list->colSel() == CallListModel::ColID;
    if (!m_highlight || parked || top < 1 || bottom > announced) {
        selectionModel()->clearSelection();
        return;
    }
    const QItemSelection sel(m_list->index(top - 1, 0), m_list->index(bottom - 1, CallListModel::ColumnCount - 1));
    selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
}

int CallListView::gridRowAt(const QPoint& viewportPos) const
{
    if (!m_list || m_list->rows() <= 1)
        return 0;
    const int r = rowAt(viewportPos.y());
    if (r < 0)
        return viewportPos.y() < 0 ? 1 : m_list->rows() - 1;
    return r + 1;
}

void CallListView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    if (m_list && event->button() == Qt::LeftButton) {
        const int r = rowAt(event->position().toPoint().y());
        if (r >= 0) {
            const int gridRow = r + 1;
            if (event->modifiers() & Qt::ShiftModifier)
                m_list->select(m_list->row(), gridRow, 0, CallListModel::ColFiller);
            else
                m_list->select(gridRow, gridRow, 0, CallListModel::ColFiller);
            m_dragging = true;
        }
    }
    Q_EMIT mousePressed(event);
}

void CallListView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && m_list && (event->buttons() & Qt::LeftButton)) {
        const int gridRow = gridRowAt(event->position().toPoint());
        if (gridRow >= 1)
            m_list->select(m_list->row(), gridRow, 0, CallListModel::ColFiller);
    }
    Q_EMIT mouseMoved(event);
}

void CallListView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    Q_EMIT mouseReleased(event);
}

void CallListView::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void CallListView::keyPressEvent(QKeyEvent* event)
{
    if (!m_list || m_list->rows() <= 1) {
        event->ignore();
        return;
    }
    const int last = m_list->rows() - 1;
    const int page = std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()) - 1);
    int target = std::max(1, m_list->rowSel());
    switch (event->key()) {
    case Qt::Key_Up:
        target -= 1;
        break;
    case Qt::Key_Down:
        target += 1;
        break;
    case Qt::Key_PageUp:
        target -= page;
        break;
    case Qt::Key_PageDown:
        target += page;
        break;
    case Qt::Key_Home:
        target = 1;
        break;
    case Qt::Key_End:
        target = last;
        break;
    default:
        event->ignore();
        return;
    }
    target = std::clamp(target, 1, last);
    if (event->modifiers() & Qt::ShiftModifier)
        m_list->select(std::max(1, m_list->row()), target, 0, CallListModel::ColFiller);
    else
        m_list->select(target, target, 0, CallListModel::ColFiller);
    scrollTo(m_list->index(target - 1, 0));
    event->accept();
}

void CallListView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    Q_EMIT focusChanged(true);
}

void CallListView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    Q_EMIT focusChanged(false);
}
