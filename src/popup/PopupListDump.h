#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "platform/DataFile.h"

class MiniDisplay;

// A test aid, the pop-up's twin of the call list's dump (mainwindow/CallListDump.h): while the environment
// variable VELQUON_DUMP_POPUP_LIST names a file, the pop-up's list of recent callers is written there whenever
// the pop-up shows it anew, so a test that runs the real program in another process can read what the
// pop-up holds. One line per listed caller, newest first: Name, Number, Date/Time, Rings, Answered and the
// record ID, separated by TAB, in UTF-8; written as the call list's dump is (DataFile::writeWhole).
class PopupListDump : public QObject {
    Q_OBJECT
public:
    PopupListDump(const MiniDisplay& list, const QString& path, QObject* parent = nullptr);

    // The file named by VELQUON_DUMP_POPUP_LIST, empty when it is not set.
    static QString pathFromEnvironment();
    static QString text(const MiniDisplay& list);
    void write();

private:
    const MiniDisplay& m_list;
    DataFile::Rewritten m_file;
    QTimer m_timer;
};
