#pragma once

#include <QWidget>

// The small triangle that marks the sort column's heading: pointing down or up.
class SortArrow : public QWidget {
    Q_OBJECT
public:
    explicit SortArrow(QWidget* parent = nullptr);

    bool pointsUp() const { return m_up; }
    void setPointsUp(bool up);

Q_SIGNALS:
    void pressed(QMouseEvent* event);
    void released(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_up = false;
};
