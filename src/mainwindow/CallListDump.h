#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "platform/DataFile.h"

class CallListModel;

// A test aid: while the environment variable VELQUON_DUMP_CALL_LIST names a file, the main window's call
// list writes its rows there whenever they change (once the change is through), so a test that runs the
// real program in another process can read what the window shows. One line per row in the list's order:
// Name, Number, Date/Time, Rings, Answered and the record ID, separated by TAB, in UTF-8. A file is
// replaced whole each time, never seen half written; a named pipe, a device (/dev/stdout) or a link is written
// as it stands (DataFile::writeWhole).
class CallListDump : public QObject {
    Q_OBJECT
public:
    CallListDump(const CallListModel& list, const QString& path, QObject* parent = nullptr);

    // The file named by VELQUON_DUMP_CALL_LIST, empty when it is not set.
    static QString pathFromEnvironment();
    // The text the file gets for the list.
    static QString text(const CallListModel& list);
    // Writes the file now.
    void write();

private:
    const CallListModel& m_list;
    DataFile::Rewritten m_file;
    QTimer m_timer;
};
