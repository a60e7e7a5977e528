#include "platform/Teardown.h"

#include <QObject>

void detachChildren(QObject* owner)
{
    const QList<QObject*> children = owner->findChildren<QObject*>();
    for (QObject* child : children) {
        QObject::disconnect(child, nullptr, owner, nullptr);
        child->removeEventFilter(owner);
    }
}
