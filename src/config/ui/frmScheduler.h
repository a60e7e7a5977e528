#pragma once

#include <QWidget>

class QListWidget;
class QPushButton;

// The window "Scheduler": a list of events and its buttons, laid out for a scheduler that is not part of
// the program. Nothing opens it; its event commands are shown disabled, and Close closes it.
class frmScheduler : public QWidget {
    Q_OBJECT
public:
    explicit frmScheduler(QWidget* parent = nullptr);

    void AddHints() {}

private:
    QListWidget* lstEvents = nullptr;
    QPushButton* cmdAddEvent = nullptr;
    QPushButton* cmdEditEvent = nullptr;
    QPushButton* cmdRemoveEvent = nullptr;
    QPushButton* cmdClose = nullptr;
};
