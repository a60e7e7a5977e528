#include "popup/PopupListDump.h"

#include "platform/DataFile.h"
#include "popup/MiniDisplay.h"

PopupListDump::PopupListDump(const MiniDisplay& list, const QString& path, QObject* parent)
    : QObject(parent), m_list(list), m_file(path, "The pop-up's list")
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

void PopupListDump::write() { m_file.write(text(m_list).toUtf8()); }
