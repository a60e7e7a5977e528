#pragma once

#include <QWidget>

#include <array>
#include <optional>

#include "mainwindow/CallListModel.h"

class CallListView;
class QFrame;
class QLineEdit;
class QMouseEvent;
class QTimer;
class SortArrow;
class clsCaller;

// The call list: one row per call (Name, Number, Date/Time, Rings, Answered, the hidden record ID and an
// empty filler column), sorted by a clicked heading with an arrow on the sort column, row colours from
// the callers' attribute groups, remembered column widths and sort, and an in-place cell editor that
// hands a validated value to the main window's EditGrid. Rows and columns are counted the way the rest of
// the program addresses them: row 0 is the heading row. Coordinates and widths are in twips. Its parts are
// named msfGrid (the table), txtEdit, picBack, fraArrow and Timer1.
class CallerIDGrid : public QWidget {
    Q_OBJECT
public:
    explicit CallerIDGrid(QWidget* parent = nullptr);
    ~CallerIDGrid() override;

    // --- pass-through properties of the table ---
    QWidget* hwnd() const;
    CallListView* innerGrid() const { return m_grid; }
    CallListModel* model() { return &m_model; }
    int Cols() const { return CallListModel::ColumnCount; }
    int Rows() const { return m_model.rows(); }
    QString TextMatrix(int row, int col) const { return m_model.textMatrix(row, col); }
    void setTextMatrix(int row, int col, const QString& text) { m_model.setTextMatrix(row, col, text); }
    int Row() const { return m_model.row(); }
    int RowSel() const { return m_model.rowSel(); }
    int Col() const { return m_model.col(); }
    int ColSel() const { return m_model.colSel(); }
    // The two row ends and two column ends as the table's users set them (setting Row or Col collapses
    // the selection to that cell, as in the table this replaces).
    void setRow(int row) { m_model.setRow(row); }
    void setRowSel(int row) { m_model.setRowSel(row); }
    void setCol(int col) { m_model.setCol(col); }
    void setColSel(int col) { m_model.setColSel(col); }
    int HighLight() const;
    void setHighLight(int mode);
    int ColWidth(int col) const;
    // Writes only a width that differs from the current one and is not negative; re-places the arrow.
    void setColWidth(int col, int twips);
    int RowHeight(int row) const;
    int RowPos(int row) const;
    int MouseCol() const { return m_mouseCol; }
    int MouseRow() const { return m_mouseRow; }
    bool gridVisible() const;
    void setGridVisible(bool visible);

    // --- methods ---
    void ShowEdit(int row, int col);
    void Sort();
    quint32 Color(int row) const;
    std::optional<quint32> ColorByID(qint64 id) const;
    void ChangeFontBoldByID(qint64 id, bool bold = false);
    void ChangeFontBoldByRow(int row, bool bold = false);
    void ChangeFontBoldMultRows(int count, bool bold = false);
    void ChangeColorByID(qint64 id, quint32 colour);
    void ChangeColorByRow(int row, quint32 colour, bool force = false);
    void UpdateItem(qint64 id, const clsCaller& caller);
    void AddItem(const clsCaller& caller, bool atTop = false);
    // Appends rows of a refill's batch (names, texts and colours as the view read them).
    void AddRows(const CallRowBatch& batch, size_t first, size_t last);
    void RemoveItem(qint64 id = 0, bool force = false);
    // Removes the rows of these records, wherever they stand now; the current row is then the one after
    // the first of them, the whole of it selected.
    void RemoveItems(const std::vector<qint64>& ids);
    void Clear();

    // --- state ---
    int intSortCol() const { return m_sortCol; }
    bool blnAscending() const { return m_ascending; }
    bool isEditing() const;
    QLineEdit* editor() const { return m_edit; }
    SortArrow* arrow() const { return m_arrow; }

    // Column-width watch: one tick saves the widths that changed. It is due when the table gets the focus and
    // after each width change while it has it; otherwise it does not run.
    void Timer1_Timer();
    bool widthWatchRunning() const;
    // Closes the editor, asking whether to save a typed change.
    void HideEdit();

    // Design-time width of the control, in twips, from which the first default column widths are taken.
    static constexpr int DesignWidth = 8300;
    static constexpr int DesignHeight = 4000;

    // The fore colour a caller's row gets: its attribute group's colour, or black without a group.
    static quint32 rowColour(const clsCaller& caller);

Q_SIGNALS:
    void GridSelChange();
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PositionArrow();
    void confirmEdit();
    void requestHideEdit();
    void trackMouse(const QPoint& gridPos);
    void gridMouseDown(QMouseEvent* event, const QPoint& gridPos);
    void gridMouseUp(QMouseEvent* event, const QPoint& gridPos);
    int colPos(int col) const; // pixels, from the table's left edge
    static int buttonNumber(Qt::MouseButton button);
    static int shiftNumber(Qt::KeyboardModifiers modifiers);
    void writeRowColour(int firstRow, int lastRow, quint32 colour);
    void writeRowBold(int firstRow, int lastRow, bool bold);

    CallListModel m_model;
    CallListView* m_grid = nullptr;
    QLineEdit* m_edit = nullptr;
    QFrame* m_back = nullptr;
    SortArrow* m_arrow = nullptr;
    QTimer* m_timer1 = nullptr;

    // The call the editor was opened on, by its ID, and how its row named it then: a box of the editor lets
    // calls come in and rows move or go, so the edit looks its call up again by the ID.
    qint64 m_editId = 0;
    QString m_editName;
    QString m_editDate;
    int m_editCol = -1;
    bool m_editChanged = false;
    bool m_prompting = false; // a message of the editor is up: its focus loss is not a leave
    bool m_hiding = false;
    bool m_hidePending = false;
    bool m_headerDown = false;
    bool m_resizedWhileDown = false;
    int m_sortCol = 2;
    bool m_ascending = true;
    bool m_highlight = true;
    std::array<int, 5> m_savedWidths{};                         // widths as last saved (twips)
    std::array<int, CallListModel::ColumnCount> m_widthTwips{}; // the twips each width was set to
    int m_mouseRow = 0;
    int m_mouseCol = 0;
};
