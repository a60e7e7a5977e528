#include "popup/PopupListDump.h"

#include "platform/DataFile.h"
#include "popup/MiniDisplay.h"

PopupListDump::PopupListDump(const MiniDisplay& list, const QString& path, QObject* parent)
    : QObject(parent), m_list(list), m_path(path)
{
    // Written once the event loop is back, so a run of changes is one write.
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &PopupListDump::write);
    connect(&list, &MiniDisplay::listShown, this, [this] { m_timer.start(); });
}

QString PopupListDump::pathFromEnvironment() { return qEnvironmentVariable("VELQUON_DUMP_POPUP_LIST"); }

QString PopupListDump::text(const MiniDisplay& list)
{
    QString out;
    for (const clsCaller& c : list.Callers) {
        out += QStringList{c.Name,     c.Number.Number,      c.CallerDate, QString::number(c.Rings),
                           c.Answered, QString::number(c.ID)}
                   .join(QLatin1Char('\t'));
        out += QLatin1Char('\n');
    }
    return out;
}

void PopupListDump::write()
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
        qWarning("The pop-up's list could not be written to %s: %s", qPrintable(m_path), qPrintable(why));
    m_failed = true;
}
