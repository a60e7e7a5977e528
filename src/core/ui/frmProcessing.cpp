#include "core/ui/frmProcessing.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "core/ui/modMainGui.h"
#include "platform/ui/KeepInSight.h"

void frmProcessing::install()
{
    ProgramLinks& links = programLinks();
    links.createProgressWindow = [] { return static_cast<ProgressWindow*>(new frmProcessing); };
    links.isDialogOpen = IsDialogOpen;
}

frmProcessing::frmProcessing(QWidget* parent) : TaskWindow(parent)
{
    setObjectName(QStringLiteral("frmProcessing"));
    setModal(false);
    setWindowTitle(QStringLiteral("Processing..."));
    // No icon: the window is a small note, not an application window.
    setWindowIcon(QIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, m_max);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    lblComplete = new QLabel(QStringLiteral("0"), this);
    lblComplete->setObjectName(QStringLiteral("lblComplete"));
    lblComplete->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1 = new QLabel(QStringLiteral("out of"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    lblTotal = new QLabel(QString::number(m_max), this);
    lblTotal->setObjectName(QStringLiteral("lblTotal"));
    cmdStop = new QPushButton(QStringLiteral("&Stop"), this);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    cmdStop->setAutoDefault(false);
    connect(cmdStop, &QPushButton::clicked, this, &frmProcessing::cmdStop_Click);

    auto* grid = new QGridLayout(this);
    grid->addWidget(ProgressBar1, 0, 0, 1, 3);
    grid->addWidget(lblComplete, 1, 0);
    grid->addWidget(Label1, 1, 1);
    grid->addWidget(lblTotal, 1, 2);
    grid->addWidget(cmdStop, 2, 1);
    setFixedWidth(300);

    // Top-most only when the program's always-on-top option says so.
    SetOnTop(this, false);
    // A box said while the task runs (a command it refuses meanwhile) leaves Stop within reach.
    KeepInSight::mark(this);
}

void frmProcessing::SetMax(qint32 max)
{
    // The bar refuses an empty range; the previous maximum stays.
    if (max < 1)
        return;
    m_max = max;
    ProgressBar1->setMaximum(max);
    lblTotal->setText(QString::number(max));
}

void frmProcessing::setCaption(const QString& caption) { setWindowTitle(caption); }

QString frmProcessing::caption() const { return windowTitle(); }

void frmProcessing::Increment()
{
    if (!m_active)
        return;
    // Let the window repaint and a click on Stop through. Anything may happen meanwhile, including a
    // second long operation or this window being unloaded or destroyed.
    QPointer<frmProcessing> self(this);
    LongTask::yield();
    if (!self || !m_active)
        return;
    if (m_value >= m_max) {
        SaveError(kInvalidPropertyError, QStringLiteral("Invalid property value"), QStringLiteral("frmProcessing"));
        ReportError(QStringLiteral("frmProcessing_Increment"));
        Unload();
        return;
    }
    ++m_value;
    if (ProgressDisplay::showsStep(
            m_value, m_max, m_sinceShown.isValid() ? m_sinceShown.elapsed() : ProgressDisplay::kShowIntervalMs)) {
        ProgressBar1->setValue(m_value);
        lblComplete->setText(QString::number(m_value));
        m_sinceShown.restart();
    }
    if (m_value == m_max) {
        m_active = false;
        Unload();
    }
}

void frmProcessing::showOwned(QObject* owner)
{
    if (auto* w = qobject_cast<QWidget*>(owner)) {
        const Qt::WindowFlags keep = windowFlags() & Qt::WindowStaysOnTopHint;
        setParent(w->window(), Qt::Dialog | keep);
    }
    prepareShow();
    show();
}

void frmProcessing::showBesideTaskBar()
{
    prepareShow();
    show();
    // The available geometry leaves out the desktop's panels wherever they are, so the bottom-right
    // corner of it is beside the task bar.
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry();
    move(area.right() - frame.width() + 1, area.bottom() - frame.height() + 1);
    // Moved once shown: not under the pop-up, wherever the user left it, all the same.
    KeepInSight::placeBeside(this);
}

void frmProcessing::activate()
{
    m_active = true;
    m_sinceShown.start();
    update();
}

void frmProcessing::prepareShow()
{
    // Over the pop-up the note must stay in front of it, as the pop-up itself does.
    if (m_tag.compare(QStringLiteral("MINI DISPLAY"), Qt::CaseInsensitive) == 0 &&
        textToBool(GetProperty(Section::frmProcessing, Key::OnTop, QStringLiteral("True"))))
        SetOnTop(this, true);
}

void frmProcessing::showEvent(QShowEvent* event)
{
    TaskWindow::showEvent(event);
    activate();
}

void frmProcessing::resizeEvent(QResizeEvent* event)
{
    TaskWindow::resizeEvent(event);
    if (isVisible())
        activate();
}

void frmProcessing::cmdStop_Click() { m_stop = true; }

void frmProcessing::Unload()
{
    m_active = false;
    m_stop = false;
    hide();
}

void frmProcessing::closeEvent(QCloseEvent* event)
{
    TaskWindow::closeEvent(event);
    if (event->isAccepted())
        Unload();
}
