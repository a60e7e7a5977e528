#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

class QFrame;
class QLabel;
class QMenu;
class QTableView;
class QTimer;
class QWidget;
class StatsGridModel;

// The statistics window's grid page ("Stats Grid"): the grid of the current statistics (columns from 1) for
// the current groups (rows from 1), its column widths, its sort by a heading click with the arrow that shows
// it, and the right-click menu over a row.
class StatsGridPage : public QObject {
    Q_OBJECT
public:
    // popupMenu opens over a row that was right-clicked.
    StatsGridPage(QWidget* page, QMenu* popupMenu);

    QTableView* view() const { return m_view; }
    StatsGridModel* model() const { return m_grid; }

    // The headings for these statistics and groups, every cell empty, and the column widths: a statistic's
    // heading width, the widest group name, the filler column as wide as the window.
    void setUp(const QStringList& statistics, const QStringList& groups, int windowWidth);
    // Fills the page, the filler column as wide as the window.
    void layout(int windowWidth);
    // Sorts by the sort column, the way the arrow shows.
    void sort();
    // Back to the sort a loaded window starts with: the group column, ascending.
    void resetSort();
    void positionSortArrow();
    void copy(bool allRows);
    // The columns back to their widths as set up.
    void resetColumns();
    void stopTimers();

    // Timer ticks: the arrow follows a column being resized; the row menu opens once the click is over.
    void arrowTimerTick();
    void mouseUpTimerTick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int textWidthTwips(const QString& text) const;
    // Mouse on the grid: row is the grid row under the mouse (0 the heading row, -1 below the last row);
    // button 1 left, 2 right, 4 other.
    void mouseDown(int button, int row, int col);
    void mouseUp(int button, int row, int col);

    QTableView* m_view = nullptr;
    StatsGridModel* m_grid = nullptr;
    QFrame* m_arrowFrame = nullptr;
    QLabel* m_arrow = nullptr;
    QTimer* m_arrowTimer = nullptr;
    QTimer* m_mouseUpTimer = nullptr;
    QMenu* m_popupMenu = nullptr;
    int m_sortColumn = 0;
    bool m_ascending = true;
    bool m_headerDown = false;
    int m_groupColumnWidth = 0; // twips
    QList<int> m_columnWidths;  // pixels, as last seen by the arrow timer
    // Heading text widths (twips) measured in m_widthFont.
    mutable QHash<QString, int> m_widths;
    mutable QFont m_widthFont;
};
