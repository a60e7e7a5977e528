#include "mainwindow/ui/CallerIDGrid.h"

#include <algorithm>
#include <cmath>

#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

#include "core/ChangedMeanwhile.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/clsCaller.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "mainwindow/GridEditRules.h"
#include "mainwindow/ui/CallListView.h"
#include "mainwindow/ui/SortArrow.h"
#include "platform/Colour.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"

namespace {

const char* const kColKeys[5] = {Key::Col0, Key::Col1, Key::Col2, Key::Col3, Key::Col4};

constexpr int ArrowWidth = 255; // twips
constexpr int ArrowHeight = 200;
constexpr int ArrowTop = 60;

int px(double twips) { return Twips::toPixels(twips); }
int tw(int pixels) { return int(std::lround(Twips::fromPixels(pixels))); }

} // namespace

CallerIDGrid::CallerIDGrid(QWidget* parent) : QWidget(parent)
{
    m_grid = new CallListView(this);
    m_grid->setCallList(&m_model);
    m_back = new QFrame(this);
    m_back->setAutoFillBackground(true);
    m_back->setBackgroundRole(QPalette::Window);
    m_back->hide();
    m_edit = new QLineEdit(this);
    m_edit->setFrame(false);
    m_edit->hide();
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textEdited, this, [this] { m_editChanged = true; });
    m_arrow = new SortArrow(this);
    // The width watch looks once after each change rather than polling: an idle list wakes nobody.
    m_timer1 = new QTimer(this);
    m_timer1->setInterval(1);
    m_timer1->setSingleShot(true);
    connect(m_timer1, &QTimer::timeout, this, &CallerIDGrid::Timer1_Timer);
    const std::pair<QObject*, const char*> names[] = {
        {m_grid, "msfGrid"}, {m_edit, "txtEdit"}, {m_back, "picBack"}, {m_arrow, "fraArrow"}, {m_timer1, "Timer1"}};
    for (const auto& [part, name] : names)
        part->setObjectName(QLatin1String(name));

    connect(&m_model, &CallListModel::selectionChanged, this, [this] {
        requestHideEdit();
        Q_EMIT GridSelChange();
    });
    connect(m_grid, &CallListView::mousePressed, this,
            [this](QMouseEvent* e) { gridMouseDown(e, m_grid->viewport()->mapTo(m_grid, e->position().toPoint())); });
    connect(m_grid, &CallListView::mouseReleased, this,
            [this](QMouseEvent* e) { gridMouseUp(e, m_grid->viewport()->mapTo(m_grid, e->position().toPoint())); });
    connect(m_grid, &CallListView::mouseMoved, this,
            [this](QMouseEvent* e) { trackMouse(m_grid->viewport()->mapTo(m_grid, e->position().toPoint())); });
    connect(m_grid, &CallListView::focusChanged, this, [this](bool in) {
        if (in)
            m_timer1->start();
        else
            m_timer1->stop();
    });
    QHeaderView* header = m_grid->horizontalHeader();
    header->viewport()->installEventFilter(this);
    header->viewport()->setMouseTracking(true);
    connect(header, &QHeaderView::sectionResized, this, [this] {
        if (m_headerDown)
            m_resizedWhileDown = true;
        PositionArrow();
        // Widths changed while the list has no focus are looked at when it gets it.
        if (m_grid->hasFocus())
            m_timer1->start();
    });
    connect(m_grid->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        requestHideEdit();
        PositionArrow();
    });
    connect(m_grid->verticalScrollBar(), &QScrollBar::valueChanged, this, &CallerIDGrid::requestHideEdit);
    connect(m_arrow, &SortArrow::pressed, this,
            [this](QMouseEvent* e) { gridMouseDown(e, m_arrow->mapTo(m_grid, e->position().toPoint())); });
    connect(m_arrow, &SortArrow::released, this,
            [this](QMouseEvent* e) { gridMouseUp(e, m_arrow->mapTo(m_grid, e->position().toPoint())); });

    // Start-up: the table fills the control; the first default widths come from the design-time width.
    resize(px(DesignWidth), px(DesignHeight));
    m_grid->setGeometry(0, 0, width(), height());
    m_ascending = textToBool(GetProperty(Section::frmMain, Key::Ascending, QStringLiteral("True")));
    // A stored column outside the sortable ones would leave the list unsortable: fall back to the date.
    const double sortCol = textToNumber(GetProperty(Section::frmMain, Key::SortCol, QStringLiteral("2")), 0);
    m_sortCol = (sortCol >= 0 && sortCol <= 4) ? int(sortCol) : 2;
    const int gridWidth = DesignWidth;
    for (int c = 0; c < 5; ++c) {
        const int def = int(std::lround(gridWidth * (c < 3 ? 26 : 11) / 100.0));
        const double stored = textToNumber(GetProperty(Section::frmMain, kColKeys[c], QString::number(def)), def);
        setColWidth(c, std::max(0, int(std::lround(stored))));
    }
    setColWidth(CallListModel::ColID, 0);
    setColWidth(CallListModel::ColFiller, gridWidth);
    m_model.select(0, 0, CallListModel::ColID, CallListModel::ColID);
    m_arrow->setPointsUp(!m_ascending);
    PositionArrow();
}

CallerIDGrid::~CallerIDGrid()
{
    // The children would outlive this body: when the window hides with the focus in the table, or the
    // table goes, their focus, mouse and scroll signals and the events filtered here must not reach the
    // editor, the arrow or the width watch any more. The table reads the rows, which go with this object's
    // members, so it goes first.
    detachChildren(this);
    delete m_grid;
    m_grid = nullptr;
}

bool CallerIDGrid::widthWatchRunning() const { return m_timer1->isActive(); }

QWidget* CallerIDGrid::hwnd() const { return m_grid; }

int CallerIDGrid::HighLight() const { return m_highlight ? 1 : 0; }

void CallerIDGrid::setHighLight(int mode)
{
    m_highlight = mode != 0;
    m_grid->setHighlight(m_highlight);
}

int CallerIDGrid::ColWidth(int col) const
{
    if (col < 0 || col >= CallListModel::ColumnCount)
        return 0;
    const int pixels = m_grid->columnWidth(col);
    if (px(m_widthTwips[size_t(col)]) == pixels)
        return m_widthTwips[size_t(col)];
    return tw(pixels);
}

void CallerIDGrid::setColWidth(int col, int twips)
{
    if (col < 0 || col >= CallListModel::ColumnCount || twips < 0)
        return;
    if (twips == ColWidth(col) && px(twips) == m_grid->columnWidth(col))
        return;
    m_widthTwips[size_t(col)] = twips;
    m_grid->setColumnWidth(col, px(twips));
    PositionArrow();
}

int CallerIDGrid::RowHeight(int row) const
{
    if (row == 0)
        return tw(m_grid->horizontalHeader()->height());
    if (row < 1 || row >= Rows())
        return 0;
    return tw(m_grid->rowHeight(row - 1));
}

int CallerIDGrid::RowPos(int row) const
{
    if (row == 0)
        return tw(m_grid->horizontalHeader()->geometry().top());
    if (row < 1 || row >= Rows())
        return 0;
    return tw(m_grid->viewport()->geometry().top() + m_grid->rowViewportPosition(row - 1));
}

bool CallerIDGrid::gridVisible() const { return !m_grid->isHidden(); }

void CallerIDGrid::setGridVisible(bool visible) { m_grid->setVisible(visible); }

int CallerIDGrid::colPos(int col) const
{
    return m_grid->viewport()->geometry().left() + m_grid->columnViewportPosition(col);
}

bool CallerIDGrid::isEditing() const { return !m_edit->isHidden(); }

// --- mouse ---------------------------------------------------------------------------------------------

int CallerIDGrid::buttonNumber(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int CallerIDGrid::shiftNumber(Qt::KeyboardModifiers modifiers)
{
    return ((modifiers & Qt::ShiftModifier) ? 1 : 0) | ((modifiers & Qt::ControlModifier) ? 2 : 0) |
           ((modifiers & Qt::AltModifier) ? 4 : 0);
}

void CallerIDGrid::trackMouse(const QPoint& gridPos)
{
    const QRect header = m_grid->horizontalHeader()->geometry();
    const QRect viewport = m_grid->viewport()->geometry();
    if (gridPos.y() < header.bottom() + 1)
        m_mouseRow = 0;
    else
        m_mouseRow = m_grid->gridRowAt(gridPos - viewport.topLeft());
    const int c = m_grid->columnAt(gridPos.x() - viewport.left());
    m_mouseCol = c >= 0 ? c : (gridPos.x() < viewport.left() ? 0 : CallListModel::ColumnCount - 1);
}

void CallerIDGrid::gridMouseDown(QMouseEvent* event, const QPoint& gridPos)
{
    if (sender() != m_arrow)
        trackMouse(gridPos);
    if (event->button() == Qt::LeftButton && m_mouseRow == 0) {
        // A press on the headings takes the focus from the editor, as any press on the table does.
        if (isEditing())
            requestHideEdit();
        m_headerDown = true;
        m_resizedWhileDown = false;
    }
    Q_EMIT MouseDown(buttonNumber(event->button()), shiftNumber(event->modifiers()), Twips::fromPixels(gridPos.x()),
                     Twips::fromPixels(gridPos.y()));
}

void CallerIDGrid::gridMouseUp(QMouseEvent* event, const QPoint& gridPos)
{
    if (sender() != m_arrow)
        trackMouse(gridPos);
    // Dragging a heading's edge to widen a column is not a click on the heading.
    if (event->button() == Qt::LeftButton && m_headerDown && !m_resizedWhileDown && m_mouseRow == 0 &&
        m_mouseCol < CallListModel::ColID) {
        if (m_mouseCol == m_sortCol)
            m_ascending = !m_ascending;
        m_sortCol = m_mouseCol;
        SaveProperty(Section::frmMain, Key::SortCol, QString::number(m_sortCol));
        SaveProperty(Section::frmMain, Key::Ascending, boolText(m_ascending));
        Sort();
    }
    m_headerDown = false;
    m_resizedWhileDown = false;
    Q_EMIT MouseUp(buttonNumber(event->button()), shiftNumber(event->modifiers()), Twips::fromPixels(gridPos.x()),
                   Twips::fromPixels(gridPos.y()));
}

bool CallerIDGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(event);
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                confirmEdit();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            auto* f = static_cast<QFocusEvent*>(event);
            // Switching to another program or opening a menu is not leaving the cell. The editor closes (and
            // may ask) from the event loop, not inside the focus change: while its question waits the window
            // may go, and the focus change would then go on with a widget that is no more.
            if (!m_prompting && f->reason() != Qt::ActiveWindowFocusReason && f->reason() != Qt::PopupFocusReason)
                requestHideEdit();
        }
        return false;
    }
    QWidget* headerViewport = m_grid->horizontalHeader()->viewport();
    if (watched == headerViewport) {
        auto toGrid = [&](QMouseEvent* e) { return headerViewport->mapTo(m_grid, e->position().toPoint()); };
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            gridMouseDown(static_cast<QMouseEvent*>(event), toGrid(static_cast<QMouseEvent*>(event)));
            break;
        case QEvent::MouseButtonRelease:
            gridMouseUp(static_cast<QMouseEvent*>(event), toGrid(static_cast<QMouseEvent*>(event)));
            break;
        case QEvent::MouseMove:
            trackMouse(toGrid(static_cast<QMouseEvent*>(event)));
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- layout --------------------------------------------------------------------------------------------

void CallerIDGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_grid->setGeometry(0, 0, width(), height());
    requestHideEdit();
    PositionArrow();
}

void CallerIDGrid::PositionArrow()
{
    if (!m_arrow || !m_grid)
        return;
    const int w = px(ArrowWidth), h = px(ArrowHeight);
    const int start = colPos(m_sortCol);
    int left = start + m_grid->columnWidth(m_sortCol) - w;
    if (left + w + px(270) > m_grid->width())
        left = m_grid->width() - w - px(270);
    m_arrow->setGeometry(m_grid->x() + left, m_grid->y() + px(ArrowTop), w, h);
    m_arrow->setVisible(!(left - px(100) < start));
    m_arrow->raise();
    m_arrow->update();
}

void CallerIDGrid::Timer1_Timer()
{
    for (int c = 0; c < 5; ++c) {
        const int w = ColWidth(c);
        if (w != m_savedWidths[size_t(c)]) {
            PositionArrow();
            SaveProperty(Section::frmMain, kColKeys[c], QString::number(w));
            m_savedWidths[size_t(c)] = w;
        }
    }
}

// --- sorting -------------------------------------------------------------------------------------------

void CallerIDGrid::Sort()
{
    m_model.setCol(m_sortCol);
    int sortColumn = m_sortCol;
    int setting = 0;
    if (m_sortCol == CallListModel::ColNumber) {
        setting = m_ascending ? CallListModel::StringNoCaseAscending : CallListModel::StringNoCaseDescending;
    } else if (m_sortCol == CallListModel::ColDate) {
        // Record IDs grow with time, so the hidden ID orders the calls; "ascending" shows the newest first.
        m_model.setCol(CallListModel::ColID);
        sortColumn = CallListModel::ColID;
        setting = m_ascending ? CallListModel::NumericDescending : CallListModel::NumericAscending;
    } else {
        setting = m_ascending ? CallListModel::GenericAscending : CallListModel::GenericDescending;
    }
    m_model.sortRows(sortColumn, setting);
    m_arrow->setPointsUp(!m_ascending);
    PositionArrow();
    if (Rows() == 1)
        m_model.setCol(CallListModel::ColID);
    else
        m_model.select(Row(), Row(), 0, CallListModel::ColFiller);
}

// --- colours and bold ----------------------------------------------------------------------------------

quint32 CallerIDGrid::rowColour(const clsCaller& caller) { return CallRowColour(caller.AttributeGroup); }

quint32 CallerIDGrid::Color(int row) const { return m_model.cellForeColour(row, 0); }

std::optional<quint32> CallerIDGrid::ColorByID(qint64 id) const
{
    const int row = m_model.findRowById(id);
    if (row == 0)
        return std::nullopt;
    return m_model.cellForeColour(row, 0);
}

void CallerIDGrid::writeRowColour(int firstRow, int lastRow, quint32 colour)
{
    const int row = Row(), rowSel = RowSel();
    for (int r = firstRow; r <= lastRow; ++r)
        for (int c = 0; c < CallListModel::ColID; ++c)
            m_model.setCellForeColour(r, c, colour);
    m_model.select(row, rowSel, 0, CallListModel::ColFiller);
}

void CallerIDGrid::writeRowBold(int firstRow, int lastRow, bool bold)
{
    const int row = Row(), rowSel = RowSel();
    for (int r = firstRow; r <= lastRow; ++r)
        for (int c = 0; c < CallListModel::ColID; ++c)
            m_model.setCellBold(r, c, bold);
    m_model.select(row, rowSel, 0, CallListModel::ColFiller);
}

void CallerIDGrid::ChangeFontBoldByID(qint64 id, bool bold)
{
    if (const int row = m_model.findRowById(id))
        writeRowBold(row, row, bold);
}

void CallerIDGrid::ChangeFontBoldByRow(int row, bool bold)
{
    if (row >= 1 && row < Rows())
        writeRowBold(row, row, bold);
}

void CallerIDGrid::ChangeFontBoldMultRows(int count, bool bold) { writeRowBold(1, std::min(count, Rows() - 1), bold); }

void CallerIDGrid::ChangeColorByID(qint64 id, quint32 colour)
{
    if (const int row = m_model.findRowById(id))
        writeRowColour(row, row, colour);
}

void CallerIDGrid::ChangeColorByRow(int row, quint32 colour, bool force)
{
    if (colour == 0 && !force)
        return;
    if (row >= 1 && row < Rows())
        writeRowColour(row, row, colour);
}

// --- rows ----------------------------------------------------------------------------------------------

static CallListModel::Cells cellsOf(const clsCaller& caller)
{
    return {caller.PrintNameDescription(), caller.Number.Number, caller.CallerDate,
            QString::number(caller.Rings), caller.Answered,      QString::number(caller.ID)};
}

void CallerIDGrid::UpdateItem(qint64 id, const clsCaller& caller)
{
    const int row = m_model.findRowById(id);
    if (row == 0)
        return;
    const CallListModel::Cells cells = cellsOf(caller);
    for (int c = 0; c < CallListModel::ColID; ++c)
        m_model.setTextMatrix(row, c, cells[size_t(c)]);
    ChangeColorByRow(row, rowColour(caller), true);
}

void CallerIDGrid::AddItem(const clsCaller& caller, bool atTop)
{
    const quint32 colour = rowColour(caller);
    m_model.addRow(cellsOf(caller), atTop ? 1 : 0);
    ChangeColorByRow(atTop ? 1 : Rows() - 1, colour, false);
    m_model.setCol(CallListModel::ColID);
}

void CallerIDGrid::AddRows(const CallRowBatch& batch, size_t first, size_t last)
{
    m_model.appendRows(batch, first, last);
    m_model.setCol(CallListModel::ColID);
}

void CallerIDGrid::RemoveItems(const std::vector<qint64>& ids)
{
    if (m_model.removeRowsById(ids) == 0)
        return;
    if (Rows() > 1)
        m_model.select(Row(), Row(), 0, CallListModel::ColFiller);
    else
        m_model.select(0, 0, CallListModel::ColID, CallListModel::ColID);
}

void CallerIDGrid::RemoveItem(qint64 id, bool force)
{
    if (!force && Row() == 0)
        return;
    auto removeOne = [this](int row) {
        if (Rows() == 2)
            Clear();
        else
            m_model.removeItem(row);
    };
    if (id != 0) {
        if (const int row = m_model.findRowById(id))
            removeOne(row);
        return;
    }
    const int row = Row(), rowSel = RowSel();
    if (row == rowSel) {
        removeOne(row);
        const int target = Rows() > rowSel ? rowSel : rowSel - 1;
        m_model.select(target, target, Col(), Col());
    } else if (row < rowSel) {
        for (int i = 0; i < rowSel - row + 1; ++i)
            removeOne(row);
        m_model.setRowSel(Row());
    } else {
        for (int i = 0; i < row - rowSel + 1; ++i)
            removeOne(rowSel);
        m_model.setRow(RowSel());
    }
    if (Rows() > 1)
        m_model.select(Row(), Row(), 0, CallListModel::ColFiller);
    else
        m_model.setCol(CallListModel::ColID);
}

void CallerIDGrid::Clear()
{
    m_model.clearRows();
    m_model.select(0, 0, CallListModel::ColID, CallListModel::ColID);
}

// --- in-place editor -----------------------------------------------------------------------------------

void CallerIDGrid::ShowEdit(int row, int col)
{
    if (row < 1 || row >= Rows() || col < 0 || col >= CallListModel::ColumnCount)
        return;
    if (col == CallListModel::ColName) {
        clsCaller probe;
        probe.Number.Number = TextMatrix(row, CallListModel::ColNumber);
        MatchCallerToContact(probe.Number.Number, probe);
        if (!probe.ContactName.isEmpty()) {
            Prompt::message(QStringLiteral("Contact names cannot be edited from here."), Prompt::OkOnly,
                            Prompt::Critical);
            return;
        }
    }
    bool ok = false;
    const qint64 id = TextMatrix(row, CallListModel::ColID).trimmed().toLongLong(&ok);
    if (!ok) {
        SaveError(kTypeMismatchError, QStringLiteral("Type mismatch"), QStringLiteral("CallerIDGrid"));
        return;
    }
    const QString name = TextMatrix(row, CallListModel::ColName);
    const QString date = TextMatrix(row, CallListModel::ColDate);
    if (isEditing()) {
        // The open edit may ask whether to save it; meanwhile the chosen call's row may move or go.
        const QPointer<CallerIDGrid> self(this);
        HideEdit();
        if (!self)
            return;
        row = m_model.findRowById(id);
        if (row == 0) {
            ChangedMeanwhile::say(ChangedMeanwhile::call(name, date));
            return;
        }
    }
    m_editId = id;
    m_editName = name;
    m_editDate = date;
    m_editCol = col;

    const int gridWidth = tw(m_grid->width());
    int width = ColWidth(col) - 65;
    const int height = RowHeight(row) - 30;
    const int left = tw(colPos(col)) + 90;
    const int top = RowPos(row) + 55;
    if (left + width >= gridWidth - 20)
        width = gridWidth - left - 290;
    QPalette pal = m_edit->palette();
    pal.setColor(QPalette::Text, Colour::fromBgr(m_model.cellForeColour(row, std::min(col, 4))));
    m_edit->setPalette(pal);
    m_edit->setGeometry(px(left), px(top), std::max(1, px(width)), std::max(1, px(height)));
    // Loading the cell is not a change: leaving an untouched editor asks nothing.
    m_edit->setText(TextMatrix(row, col));
    m_editChanged = false;
    m_back->setGeometry(px(left - 40), px(top - 15), std::max(1, px(width + 60)), std::max(1, px(height + 30)));
    m_back->show();
    m_back->raise();
    m_edit->show();
    m_edit->raise();
    m_edit->setFocus(Qt::OtherFocusReason);
    m_edit->selectAll();
}

void CallerIDGrid::confirmEdit()
{
    // Every box below lets the program end meanwhile, and this list with its window.
    const QPointer<CallerIDGrid> self(this);
    const auto value = GridEditRules::accept(m_editCol, m_edit->text());
    if (!value) {
        m_prompting = true;
        Prompt::message(QStringLiteral("Invalid data."), Prompt::OkOnly, Prompt::Critical);
        if (!self)
            return;
        m_prompting = false;
        if (isEditing()) {
            m_edit->setFocus(Qt::OtherFocusReason);
            m_edit->selectAll();
        }
        return;
    }
    m_edit->setText(*value);
    m_editChanged = false;
    // The call is looked up by its ID, never by where the editor stands: while a box waited (or the user
    // typed) another client may have deleted it, or the list been read again without it.
    if (m_model.findRowById(m_editId) == 0) {
        const QString gone = ChangedMeanwhile::call(m_editName, m_editDate);
        HideEdit();
        if (self)
            ChangedMeanwhile::say(gone);
        return;
    }
    if (gMainForm)
        gMainForm->EditGrid(m_editCol, *value, qint32(m_editId));
    // The client's window asks before it sends.
    if (self)
        HideEdit();
}

// The current cell moved, the table scrolled or was resized under the editor (a call arrived, a row was
// updated), or the editor lost the focus: it closes once control is back in the event loop, so its question
// never opens inside the handler of a serial or network message, nor inside Qt's delivery of a mouse or focus
// event, which would go on with widgets gone while the question waited.
void CallerIDGrid::requestHideEdit()
{
    if (!isEditing() || m_hidePending)
        return;
    m_hidePending = true;
    QTimer::singleShot(0, this, [this] {
        m_hidePending = false;
        HideEdit();
    });
}

void CallerIDGrid::HideEdit()
{
    if (m_hiding)
        return;
    const QPointer<CallerIDGrid> self(this);
    m_hiding = true;
    if (m_editChanged && isEditing()) {
        m_editChanged = false;
        m_prompting = true;
        const Prompt::Answer answer =
            Prompt::message(QStringLiteral("Do you want to save changes?"), Prompt::YesNo, Prompt::NoIcon);
        if (!self)
            return;
        m_prompting = false;
        if (answer == Prompt::Yes) {
            confirmEdit();
            if (!self)
                return;
        }
    }
    m_edit->hide();
    m_back->hide();
    m_editChanged = false;
    m_hiding = false;
}
