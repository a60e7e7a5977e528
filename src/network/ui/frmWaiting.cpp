#include "network/ui/frmWaiting.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/WindowLinks.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "network/clsRemoteSocket.h"

frmWaiting::frmWaiting(QWidget* parent) : TaskWindow(parent)
{
    setObjectName(QStringLiteral("frmWaiting"));
    setWindowTitle(QStringLiteral("Waiting..."));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    Label1 = new QLabel(QStringLiteral("Waiting for the server to process request."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    cmdStop = new QPushButton(QStringLiteral("&Stop"), this);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdStop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    connect(cmdStop, &QPushButton::clicked, this, &frmWaiting::stopTask);
    GiveUpTimer = new QTimer(this);
    GiveUpTimer->setObjectName(QStringLiteral("GiveUpTimer"));
    GiveUpTimer->setInterval(250);
    connect(GiveUpTimer, &QTimer::timeout, this, &frmWaiting::GiveUpTimer_Timer);
    SetOnTop(this, false);
}

namespace {

// The statistics window is frozen while a "STATS" or "GRAPH" note is open, and released once none is.
void releaseStatisticsWhenNoneWaits()
{
    for (QWidget* w : FindForms(QStringLiteral("frmWaiting"))) {
        const QString t = Tag(w).toUpper();
        if (t == QLatin1String("STATS") || t == QLatin1String("GRAPH"))
            return;
    }
    if (windowLinks().setStatisticsWaiting)
        windowLinks().setStatisticsWaiting(false);
}

} // namespace

void frmWaiting::install()
{
    ProgramLinks& links = programLinks();
    links.showWaiting = [](const QString& kind, QObject* owner) { ShowWaiting(kind, qobject_cast<QWidget*>(owner)); };
    links.unloadWaitingForms = &UnloadWaitingForms;
}

void frmWaiting::SendStop()
{
    if (gRemoteSocket)
        gRemoteSocket->SendData(QStringLiteral(";NETCANCEL;"));
}

void frmWaiting::stopTask()
{
    if (m_stopped) {
        // The user insists: the server has not answered the first Stop.
        giveUp();
        return;
    }
    m_stopped = true;
    if (gRemoteSocket)
        m_stoppedAt = gRemoteSocket->waitClockMs();
    SendStop();
    GiveUpTimer->start();
}

void frmWaiting::GiveUpTimer_Timer()
{
    if (gRemoteSocket && gRemoteSocket->waitClockMs() - m_stoppedAt >= kGiveUpAfterMs)
        giveUp();
}

void frmWaiting::giveUp()
{
    GiveUpTimer->stop();
    const QString kind = Tag(this).toUpper();
    UnloadForm(this);
    releaseStatisticsWhenNoneWaits();
    if (gRemoteSocket)
        gRemoteSocket->GiveUp(kind);
}

void frmWaiting::showEvent(QShowEvent* event)
{
    TaskWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    const QString kind = Tag(this).toUpper();
    if (kind == QLatin1String("STATS") || kind == QLatin1String("GRAPH")) {
        if (windowLinks().setStatisticsWaiting)
            windowLinks().setStatisticsWaiting(true);
    } else if (kind == QLatin1String("MINI DISPLAY") || kind == QLatin1String("MINI DISPLAY STATS")) {
        // Changing the window's flags inside its own show event is unsafe: do it right after.
        if (textToBool(GetProperty(Section::frmWaiting, Key::OnTop, QStringLiteral("True"))))
            QMetaObject::invokeMethod(
                this, [this] { SetOnTop(this, true); }, Qt::QueuedConnection);
    }
}

QWidget* ShowWaiting(const QString& tag, QWidget* owner)
{
    if (!gRemoteSocket || gRemoteSocket->State() != SocketState::Connected || IsDialogOpen())
        return nullptr;
    auto* note = new frmWaiting();
    SetTag(note, tag);
    if (!MainWindowVisible())
        TaskBarPos(note, owner);
    else
        ShowOwned(note, owner);
    return note;
}

int UnloadWaitingForms(const QString& tag)
{
    const QString wanted = tag.toUpper();
    int closed = 0;
    for (QWidget* w : FindForms(QStringLiteral("frmWaiting"))) {
        if (wanted == QLatin1String("ALL") || Tag(w).toUpper() == wanted) {
            UnloadForm(w);
            ++closed;
        }
    }
    releaseStatisticsWhenNoneWaits();
    return closed;
}
