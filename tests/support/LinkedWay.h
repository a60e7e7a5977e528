#pragma once

#include <QString>

// Makes the way to the file at path pass a linked folder and "..", as a user may: path becomes a link to "d/../x",
// d a link beside it to the folder "elsewhere/inner", and the file moves to "elsewhere/x", where the system takes the
// link ("x" beside the link is where its text alone seems to lead). Another user's (for a test run as root): both
// links are nobody's, "x" a file of nobody's, and the file where the link leads root's alone. False when it cannot.
bool makeLinkedWay(const QString& path, bool anotherUsers);
