#include "mainwindow/CallListDump.h"

#include "mainwindow/CallListModel.h"
#include "platform/DataFile.h"

CallListDump::CallListDump(const CallListModel& list, const QString& path, QObject* parent)
    : QObject(parent), m_list(list), m_path(path)
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

void CallListDump::write()
{
    // A test reads it as a file, a pipe or the program's output; what cannot be written is left out until
    // the next change.
    QString why;
    if (DataFile::writeWhole(m_path, text(m_list).toUtf8(), &why)) {
        m_failed = false;
        return;
    }
    // Said once until a writing goes through again: a reader that has gone would hear of it at every change.
    if (!m_failed)
        qWarning("The call list could not be written to %s: %s", qPrintable(m_path), qPrintable(why));
    m_failed = true;
}
