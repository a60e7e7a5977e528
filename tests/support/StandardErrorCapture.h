#pragma once

#include <QString>
#include <QTemporaryFile>
#include <QtGlobal>

// Catches what this process writes to standard error while the guard lives, the program's own message
// output included (a QtTest program would otherwise take that into its log); the test framework's output
// goes back to its place when the capture ends.
class StandardErrorCapture {
public:
    StandardErrorCapture();
    ~StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    // Ends the capture (when it still runs) and gives everything written meanwhile.
    QString take();

private:
    void end();

    QTemporaryFile m_file;
    QtMessageHandler m_testHandler = nullptr;
    int m_saved = -1;
};
