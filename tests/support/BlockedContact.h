#pragma once

#include <QString>

// A new contact book at path with one contact of one number (no description) in a group that blocks its calls,
// so a call is seen to be matched to that contact where it is hung up. False when the book or the contact could
// not be made.
bool addBlockedContact(const QString& path, const QString& name, const QString& number);
