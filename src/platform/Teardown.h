#pragma once

class QObject;

// Cuts every connection from owner's children (and theirs, all the way down) to owner. Qt deletes a
// QObject's children, and hides a widget together with the focus inside it, only after the derived
// class's destructor and members are gone; a child that emits on its way out (a view losing the focus,
// a sound stopping) would then run owner's handlers on a half-destroyed object. A destructor calls this
// first.
void disconnectChildren(QObject* owner);
