#pragma once

class QObject;

// Cuts owner off from its children (and theirs, all the way down): their signals no longer reach owner, and
// owner no longer filters their events. Qt deletes a QObject's children, and hides a widget together with
// the focus inside it, only after the derived class's destructor and members are gone, so a child that
// emits or gets an event on its way out (a view losing the focus, a sound stopping) would run owner's
// handlers on a half-destroyed object. A destructor calls this first.
void detachChildren(QObject* owner);
