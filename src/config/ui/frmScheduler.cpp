#include "config/ui/frmScheduler.h"

#include <QGridLayout>
#include <QListWidget>
#include <QPushButton>

frmScheduler::frmScheduler(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmScheduler"));
    setWindowTitle(QStringLiteral("Scheduler"));
    lstEvents = new QListWidget(this);
    lstEvents->setObjectName(QStringLiteral("lstEvents"));
    auto make = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    cmdAddEvent = make("cmdAddEvent", "&Add Event");
    cmdEditEvent = make("cmdEditEvent", "&Edit Event");
    cmdRemoveEvent = make("cmdRemoveEvent", "&Remove Event");
    cmdClose = make("cmdClose", "&Close");
    // The scheduler has no events to act on: its commands would do nothing, so they are not offered.
    for (QPushButton* b : {cmdAddEvent, cmdEditEvent, cmdRemoveEvent})
        b->setEnabled(false);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    auto* grid = new QGridLayout(this);
    grid->addWidget(lstEvents, 0, 0, 5, 1);
    grid->addWidget(cmdAddEvent, 0, 1);
    grid->addWidget(cmdEditEvent, 1, 1);
    grid->addWidget(cmdRemoveEvent, 2, 1);
    grid->addWidget(cmdClose, 4, 1);
    grid->setRowStretch(3, 1);
}
