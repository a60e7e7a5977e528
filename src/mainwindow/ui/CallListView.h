#pragma once

#include <QTableView>

class CallListModel;

// The table under the call-list grid. It selects whole rows the way the grid's users expect: a click
// makes the clicked row the anchor and the moving end, Shift+click or a drag moves only the moving end,
// and the arrow keys move both (or, with Shift, the moving end). The model keeps those two ends; the view
// only shows them.
class CallListView : public QTableView {
    Q_OBJECT
public:
    explicit CallListView(QWidget* parent = nullptr);

    void setCallList(CallListModel* model);
    CallListModel* callList() const { return m_list; }

    // Whether the selection is drawn (the grid's HighLight).
    void setHighlight(bool on);
    bool highlight() const { return m_highlight; }

    // The grid row under a point of the viewport: 1.. for data rows, the last row below them, 0 for none.
    int gridRowAt(const QPoint& viewportPos) const;

Q_SIGNALS:
    void mousePressed(QMouseEvent* event);
    void mouseReleased(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);
    void focusChanged(bool in);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showSelection();

    CallListModel* m_list = nullptr;
    bool m_highlight = true;
    bool m_dragging = false;
};
