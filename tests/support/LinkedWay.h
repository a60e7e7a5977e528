#pragma once

#include <QString>

// A way to the file at path through a linked folder and "..", as a user may make one: path becomes a link to
// "d/../x", d a link beside it to the folder "elsewhere/inner", and the file moves to "elsewhere/x", where the system
// takes the link; "x" beside the link is where the link's text alone seems to lead. Another user's (for a test run
// as root): both links are nobody's, "x" is a file of nobody's, and the file where the link leads is root's alone.
class LinkedWay {
public:
    LinkedWay(const QString& path, bool anotherUsers);
    bool made() const { return m_made; }
    QString leadsTo() const { return m_leadsTo; }
    QString decoy() const { return m_decoy; }

private:
    QString m_leadsTo;
    QString m_decoy;
    bool m_made = false;
};
