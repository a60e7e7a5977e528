#include "contacts/ui/SeparatorKeyFilter.h"

#include <QEvent>
#include <QKeyEvent>

void SeparatorKeyFilter::install(QObject* box)
{
    if (box)
        box->installEventFilter(new SeparatorKeyFilter(box));
}

bool SeparatorKeyFilter::refused(const QString& typed)
{
    return typed == QLatin1String("/") || typed == QLatin1String(";") || typed == QLatin1String("'") ||
           typed == QLatin1String("|");
}

bool SeparatorKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && refused(static_cast<QKeyEvent*>(event)->text()))
        return true;
    return QObject::eventFilter(watched, event);
}
