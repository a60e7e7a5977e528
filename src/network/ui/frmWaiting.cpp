#include "network/ui/frmWaiting.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
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
    connect(cmdStop, &QPushButton::clicked, this, &frmWaiting::SendStop);
    SetOnTop(this, false);
}

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
    for (QWidget* w : FindForms(QStringLiteral("frmWaiting"))) {
        const QString t = Tag(w).toUpper();
        if (t == QLatin1String("STATS") || t == QLatin1String("GRAPH"))
            return closed;
    }
    if (windowLinks().setStatisticsWaiting)
        windowLinks().setStatisticsWaiting(false);
    return closed;
}
