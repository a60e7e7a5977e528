#include "statswindow/ui/StatsGridPage.h"

#include <QCursor>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "core/ui/modMainGui.h"
#include "platform/Twips.h"
#include "statswindow/StatsGridModel.h"
#include "statswindow/ui/ArrowGlyph.h"

namespace {

int px(double twips) { return Twips::toPixels(twips); }
double tw(int pixels) { return Twips::fromPixels(pixels); }

// Design sizes, twips: the sort arrow's frame, how far it keeps from the grid's right edge and its top.
constexpr double kArrowFrame = 195;
constexpr double kArrowRightMargin = 270;
constexpr double kArrowTop = 60;
// A heading is as wide as its text and this much more.
constexpr int kColumnPadding = 100;
// Text widths kept for the grid's headings: far more than any book's groups.
constexpr qsizetype kMaxKeptWidths = 100'000;

// The mouse buttons as the grid's handlers number them.
enum Button { LeftButton = 1, RightButton = 2, OtherButton = 4 };

} // namespace

StatsGridPage::StatsGridPage(QWidget* page, QMenu* popupMenu) : QObject(page), m_popupMenu(popupMenu)
{
    m_grid = new StatsGridModel(this);
    m_view = new QTableView(page);
    m_view->setObjectName(QStringLiteral("msfStatistics"));
    m_view->setModel(m_grid);
    m_view->verticalHeader()->hide();
    QHeaderView* header = m_view->horizontalHeader();
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(0);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    header->viewport()->installEventFilter(this);
    connect(m_view->horizontalScrollBar(), &QScrollBar::valueChanged, this, &StatsGridPage::positionSortArrow);
    connect(header, &QHeaderView::sectionResized, this, &StatsGridPage::positionSortArrow);
    m_arrowFrame = new QFrame(page);
    m_arrowFrame->setObjectName(QStringLiteral("fraArrow"));
    m_arrowFrame->setFixedSize(px(kArrowFrame), px(kArrowFrame));
    m_arrow = new QLabel(m_arrowFrame);
    m_arrow->setObjectName(QStringLiteral("lblArrow"));
    m_arrow->setAlignment(Qt::AlignCenter);
    m_arrow->setGeometry(0, 0, px(kArrowFrame), px(kArrowFrame));
    QFont small = m_arrow->font();
    small.setPixelSize(std::max(6, px(kArrowFrame) - 5));
    m_arrow->setFont(small);
    ArrowGlyph::set(m_arrow, ArrowGlyph::kDown);
    m_arrow->installEventFilter(this);

    // Both timers belong to the window, which has always had them under these names.
    QObject* window = page->window();
    m_arrowTimer = new QTimer(window);
    m_arrowTimer->setObjectName(QStringLiteral("ArrowTimer"));
    m_arrowTimer->setInterval(1);
    m_mouseUpTimer = new QTimer(window);
    m_mouseUpTimer->setObjectName(QStringLiteral("GridMouseUpTimer"));
    m_mouseUpTimer->setInterval(1);
    m_mouseUpTimer->setSingleShot(true);
    connect(m_arrowTimer, &QTimer::timeout, this, &StatsGridPage::arrowTimerTick);
    connect(m_mouseUpTimer, &QTimer::timeout, this, &StatsGridPage::mouseUpTimerTick);
}

int StatsGridPage::textWidthTwips(const QString& text) const
{
    // Every new grid measures its group names again, thousands with a large contact book: each text is
    // measured once per font.
    const QFont font = m_view->font();
    if (font != m_widthFont || m_widths.size() > kMaxKeptWidths) {
        m_widthFont = font;
        m_widths.clear();
    }
    if (const auto kept = m_widths.constFind(text); kept != m_widths.constEnd())
        return *kept;
    const int width = int(std::nearbyint(tw(m_view->fontMetrics().horizontalAdvance(text))));
    m_widths.insert(text, width);
    return width;
}

void StatsGridPage::setUp(const QStringList& statistics, const QStringList& groups, int windowWidth)
{
    m_grid->setUp(statistics, groups);
    m_view->setColumnWidth(m_grid->Cols() - 1, windowWidth);
    int groupWidth = 0;
    for (int s = 0; s < statistics.size(); ++s)
        m_view->setColumnWidth(s + 1, px(textWidthTwips(statistics[s]) + kColumnPadding));
    for (const QString& g : groups) {
        const int w = textWidthTwips(g) + kColumnPadding;
        if (w > groupWidth) {
            groupWidth = w;
            m_groupColumnWidth = w;
        }
    }
    m_view->setColumnWidth(StatsGridModel::GroupColumn, px(groupWidth));
    positionSortArrow();
}

void StatsGridPage::layout(int windowWidth)
{
    if (m_grid->Cols() > 0)
        m_view->setColumnWidth(m_grid->Cols() - 1, windowWidth);
    QWidget* page = m_view->parentWidget();
    m_view->setGeometry(0, 0, page->width(), page->height());
    positionSortArrow();
}

void StatsGridPage::sort()
{
    // A sort column beyond the statistics (they may have become fewer) falls back to the last one.
    m_sortColumn = std::clamp(m_sortColumn, 0, std::max(0, m_grid->Cols() - 2));
    ArrowGlyph::set(m_arrow, m_ascending ? ArrowGlyph::kDown : ArrowGlyph::kUp);
    m_grid->sortByColumn(m_sortColumn, m_ascending);
    positionSortArrow();
}

void StatsGridPage::resetSort()
{
    m_sortColumn = StatsGridModel::GroupColumn;
    m_ascending = true;
    ArrowGlyph::set(m_arrow, ArrowGlyph::kDown);
    positionSortArrow();
}

void StatsGridPage::positionSortArrow()
{
    if (!m_arrowFrame)
        return; // the grid's signals come before the arrow is made
    m_sortColumn = std::min(m_sortColumn, m_grid->Cols() - 1);
    QHeaderView* header = m_view->horizontalHeader();
    const int frame = m_arrowFrame->width();
    const int colLeft = header->sectionViewportPosition(m_sortColumn) + m_view->frameWidth();
    int left = colLeft + header->sectionSize(m_sortColumn) - frame;
    if (left + frame + px(kArrowRightMargin) > m_view->width())
        left = m_view->width() - frame - px(kArrowRightMargin);
    m_arrowFrame->move(m_view->x() + left, m_view->y() + px(kArrowTop));
    m_arrowFrame->setVisible(left - px(kColumnPadding) >= colLeft);
    m_arrowFrame->raise();
    m_arrowFrame->update();
}

void StatsGridPage::copy(bool allRows) { CopyGridToClipboard(m_view, m_grid->Cols() - 2, allRows); }

void StatsGridPage::resetColumns()
{
    m_view->setColumnWidth(StatsGridModel::GroupColumn, px(m_groupColumnWidth));
    for (int c = 1; c <= m_grid->Cols() - 2; ++c)
        m_view->setColumnWidth(c,
                               px(textWidthTwips(m_grid->TextMatrix(StatsGridModel::HeadingRow, c)) + kColumnPadding));
}

void StatsGridPage::stopTimers()
{
    m_arrowTimer->stop();
    m_mouseUpTimer->stop();
}

void StatsGridPage::arrowTimerTick()
{
    while (m_columnWidths.size() < m_grid->Cols())
        m_columnWidths << 0;
    m_columnWidths.resize(m_grid->Cols());
    for (int c = 0; c < m_grid->Cols(); ++c) {
        const int w = m_view->columnWidth(c);
        if (m_columnWidths[c] != w) {
            positionSortArrow();
            m_columnWidths[c] = w;
        }
    }
}

void StatsGridPage::mouseUpTimerTick()
{
    m_mouseUpTimer->stop();
    m_popupMenu->popup(QCursor::pos());
}

void StatsGridPage::mouseDown(int button, int row, int col)
{
    (void)col;
    if (row == 0 && button == LeftButton)
        m_headerDown = true;
}

void StatsGridPage::mouseUp(int button, int row, int col)
{
    if (button == RightButton && row > 0) {
        // The row under the mouse is selected, then the menu opens once the click is over.
        m_view->selectRow(row - 1);
        m_view->setCurrentIndex(m_grid->index(row - 1, 0));
        m_mouseUpTimer->start();
    } else if (button == LeftButton && row == 0 && col >= 0 && col != m_grid->Cols() - 1 && m_headerDown) {
        if (col == m_sortColumn)
            m_ascending = !m_ascending;
        m_sortColumn = col;
        sort();
    }
    m_headerDown = false;
}

bool StatsGridPage::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_view) {
        if (type == QEvent::FocusIn)
            m_arrowTimer->start();
        else if (type == QEvent::FocusOut)
            m_arrowTimer->stop();
        return QObject::eventFilter(watched, event);
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
        return QObject::eventFilter(watched, event);
    auto* me = static_cast<QMouseEvent*>(event);
    const int button = me->button() == Qt::LeftButton    ? LeftButton
                       : me->button() == Qt::RightButton ? RightButton
                                                         : OtherButton;
    QHeaderView* header = m_view->horizontalHeader();
    int row = -1, col = -1;
    if (watched == header->viewport()) {
        row = 0;
        col = header->logicalIndexAt(me->position().toPoint());
    } else if (watched == m_view->viewport()) {
        const int r = m_view->rowAt(int(me->position().y()));
        row = r < 0 ? -1 : r + 1;
        col = m_view->columnAt(int(me->position().x()));
    } else if (watched == m_arrow) {
        // A click on the arrow counts as a click on the heading under it.
        row = 0;
        col = m_sortColumn;
    } else {
        return QObject::eventFilter(watched, event);
    }
    if (type == QEvent::MouseButtonPress)
        mouseDown(button, row, col);
    else
        mouseUp(button, row, col);
    // A right click on a row selects it through the mouse-up handling; the view must not also act on it.
    return button == RightButton;
}
