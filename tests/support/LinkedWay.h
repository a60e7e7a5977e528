#pragma once

#include <QString>

// Makes path a link to "d/../x", d a link to "elsewhere/inner", and moves the file to "elsewhere/x", where the system
// takes the link ("x" beside it is where the text seems to lead). Another user's (run as root): both links and a file
// at "x" nobody's, "elsewhere" root's alone. False when it cannot.
bool makeLinkedWay(const QString& path, bool anotherUsers);
