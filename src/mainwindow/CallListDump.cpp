#include "mainwindow/CallListDump.h"

#include "mainwindow/CallListModel.h"
#include "platform/DataFile.h"

CallListDump::CallListDump(const CallListModel& list, const QString& path, QObject* parent)
    : QObject(parent), m_list(list), m_file(path, "The call list")
{
    // A refill of many rows is one change: the file is written once the event loop is back.
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &CallListDump::write);
    const auto changed = [this] { m_timer.start(); };
    connect(&list, &QAbstractItemModel::rowsInserted, this, changed);
    connect(&list, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(&list, &QAbstractItemModel::dataChanged, this, changed);
    connect(&list, &QAbstractItemModel::modelReset, this, changed);
    connect(&list, &QAbstractItemModel::layoutChanged, this, changed);
    m_timer.start();
}

QString CallListDump::pathFromEnvironment() { return qEnvironmentVariable("VELQUON_DUMP_CALL_LIST"); }

QString CallListDump::text(const CallListModel& list)
{
    QString out;
    for (int row = 1; row < list.rows(); ++row) {
        for (int col = CallListModel::ColName; col <= CallListModel::ColID; ++col) {
            if (col > CallListModel::ColName)
                out += QLatin1Char('\t');
            out += list.textMatrix(row, col);
        }
        out += QLatin1Char('\n');
    }
    return out;
}

void CallListDump::write() { m_file.write(text(m_list).toUtf8()); }
