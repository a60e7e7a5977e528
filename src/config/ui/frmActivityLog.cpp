#include "config/ui/frmActivityLog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "platform/PlainFile.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompt.h"
#include "platform/Teardown.h"
#include "platform/Twips.h"

namespace {

QPointer<frmActivityLog> g_instance;

constexpr int MinHeight = 1500; // twips
constexpr int MinWidth = 1000;

int px(double twips) { return Twips::toPixels(twips); }

QPushButton* button(const char* name, const char* caption, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

frmActivityLog* frmActivityLog::instance(bool create)
{
    if (!g_instance && create)
        g_instance = new frmActivityLog;
    return g_instance;
}

QString frmActivityLog::logPath() { return programFolder() + QStringLiteral("/ActivityLog.dat"); }

frmActivityLog::frmActivityLog() : QWidget(nullptr, Qt::Window)
{
    setObjectName(QString::fromLatin1(Section::frmActivityLog));
    setWindowTitle(QStringLiteral("Activity Log"));
    setMinimumSize(px(MinWidth), px(MinHeight));

    rtbActivity = new QTextEdit(this);
    rtbActivity->setObjectName(QStringLiteral("rtbActivity"));
    // The log is the program's record of what happened: shown, selected and copied, not edited.
    rtbActivity->setReadOnly(true);
    rtbActivity->setAcceptRichText(false);
    rtbActivity->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(rtbActivity, &QTextEdit::customContextMenuRequested, this, &frmActivityLog::showPopupMenu);

    chkWordWrap = new QCheckBox(QStringLiteral("&Word Wrap"), this);
    chkWordWrap->setObjectName(QStringLiteral("chkWordWrap"));
    connect(chkWordWrap, &QCheckBox::toggled, this, &frmActivityLog::applyWordWrap);
    cmdCopy = button("cmdCopy", "&Copy", this);
    cmdClear = button("cmdClear", "C&lear", this);
    cmdClose = button("cmdClose", "Clo&se", this);
    for (QPushButton* b : {cmdCopy, cmdClear, cmdClose})
        b->resize(px(1000), px(375));
    connect(cmdCopy, &QPushButton::clicked, this, &frmActivityLog::cmdCopy_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmActivityLog::cmdClear_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    mnuPopupMenu = new QMenu(QStringLiteral("PopupMenu"), this);
    mnuPopupMenu->setObjectName(QStringLiteral("mnuPopupMenu"));
    mnuPopupMenuCopy = mnuPopupMenu->addAction(QStringLiteral("&Copy"), this, &frmActivityLog::cmdCopy_Click);
    mnuPopupMenuCopy->setObjectName(QStringLiteral("mnuPopupMenuCopy"));
    mnuPopupMenu->addSeparator()->setObjectName(QStringLiteral("mnuPopupMenuHyphen1"));
    mnuPopupMenuClear = mnuPopupMenu->addAction(QStringLiteral("C&lear"), this, &frmActivityLog::cmdClear_Click);
    mnuPopupMenuClear->setObjectName(QStringLiteral("mnuPopupMenuClear"));

    resize(px(9000), px(4000));
}

frmActivityLog::~frmActivityLog() { detachChildren(this); }

// --- opening, layout, closing -----------------------------------------------------------------------------

void frmActivityLog::setVisible(bool visible)
{
    // Opening reads the file again; shown again after the main window came back from the tray, it keeps
    // what it shows.
    if (!visible || m_open || isVisible()) {
        QWidget::setVisible(visible);
        return;
    }
    m_open = true;
    Form_Load();
    QWidget::setVisible(true);
    Form_Resize();
}

void frmActivityLog::Form_Load()
{
    setWindowIcon(QIcon());
    blnResizing = true;
    SetOnTop(this, false);
    RestoreFormPosition(this);
    blnResizing = false;
    {
        const QSignalBlocker block(chkWordWrap);
        chkWordWrap->setChecked(
            ConvertCheck(GetProperty(Section::frmActivityLog, Key::WordWrap, QStringLiteral("False"))).toInt() == 1);
    }
    LoadActivity();
    blnScrollToEnd = true;
    applyWordWrap();
    AddHints();
}

void frmActivityLog::LoadActivity()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QFile file(logPath());
    // Only a plain file is read: a FIFO in its place would hold the program until someone wrote to it (the
    // log's writes say once what stands there instead).
    if (PlainFile::kindOf(logPath()) == PlainFile::Kind::Plain) {
        if (PlainFile::openToRead(file, logPath())) {
            // The newest lines are what a reader looks for, and all of a large log would hold the program for
            // minutes: only its end is read, from the first whole line.
            QByteArray bytes;
            QString head;
            if (file.size() > ViewBytes) {
                file.seek(file.size() - ViewBytes);
                bytes = file.read(ViewBytes);
                const qsizetype lineStart = bytes.indexOf('\n');
                if (lineStart >= 0 && lineStart + 1 < bytes.size())
                    bytes.remove(0, lineStart + 1);
                head = QStringLiteral("Only the newest lines of ") + logPath() +
                       QStringLiteral(" are shown; the whole file is ") + QString::number(file.size()) +
                       QStringLiteral(" bytes.\n");
            } else {
                bytes = file.readAll();
            }
            // Each line is one quoted field; the quotes are the file's, not the events'.
            QString text = head + QString::fromUtf8(bytes);
            text.remove(QLatin1Char('"'));
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            rtbActivity->setPlainText(text);
        } else {
            SaveError(kFileAccessError, QStringLiteral("Path/File access error: ") + logPath(),
                      QStringLiteral("frmActivityLog"));
            ReportError(QStringLiteral("frmActivityLog_LoadActivity"));
        }
    } else {
        rtbActivity->clear();
    }
    QGuiApplication::restoreOverrideCursor();
}

void frmActivityLog::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmActivityLog::Form_Resize()
{
    if (blnResizing)
        return;
    // The smallest size is kept by the window's minimum; a minimised window is laid out no smaller than
    // nothing.
    const int w = width(), h = height();
    const int buttonH = cmdClose->height(), buttonW = cmdClose->width();
    rtbActivity->setGeometry(0, 0, w, std::max(0, h - buttonH - px(200)));
    const int buttonTop = std::max(0, h - buttonH - px(75));
    cmdClose->move(w - buttonW - px(50), buttonTop);
    cmdClear->move(w - 2 * buttonW - px(100), buttonTop);
    cmdCopy->move(w - 3 * buttonW - px(150), buttonTop);
    chkWordWrap->adjustSize();
    chkWordWrap->move(px(50), std::max(0, h - chkWordWrap->height() - px(150)));
    applyWordWrap();
    if (blnScrollToEnd && isVisible()) {
        // The newest events are at the end.
        QTextCursor end = rtbActivity->textCursor();
        end.movePosition(QTextCursor::End);
        rtbActivity->setTextCursor(end);
        rtbActivity->ensureCursorVisible();
        blnScrollToEnd = false;
    }
}

void frmActivityLog::applyWordWrap()
{
    rtbActivity->setLineWrapMode(chkWordWrap->isChecked() ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
}

void frmActivityLog::closeEvent(QCloseEvent* event)
{
    SaveSettings();
    m_open = false;
    event->accept();
    if (MainWindow* main = gMainForm) {
        main->SetFocus();
        main->CheckWindowMenuItem(MainWindow::WindowMenuActivityLog, false);
    }
}

void frmActivityLog::SaveSettings()
{
    // Placement only in the normal state, the state itself always.
    SettingsBatch batch;
    SaveFormPosition(this, PlaceAll);
    SaveProperty(Section::frmActivityLog, Key::WordWrap, boolText(chkWordWrap->isChecked()));
}

// --- commands ----------------------------------------------------------------------------------------------

void frmActivityLog::cmdCopy_Click()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const QString selected = rtbActivity->textCursor().selection().toPlainText();
    if (!selected.isEmpty())
        clipboard->setText(selected);
}

void frmActivityLog::cmdClear_Click()
{
    // The program may end while the question waits, and this window (owned by the main window) with it.
    const QPointer<frmActivityLog> self(this);
    if (Prompt::message(QStringLiteral("Are you sure you want to permanently clear this log?"), Prompt::YesNo,
                        Prompt::Exclamation) != Prompt::Yes ||
        !self)
        return;
    QFile file(logPath());
    if (!file.exists())
        return;
    rtbActivity->clear();
    // The part moved aside when the log reached its bound is this log too.
    QFile::remove(logPath() + QStringLiteral(".1"));
    // The log is written by opening the file for each event, so the next event starts a new file.
    if (!file.remove()) {
        SaveError(kFileAccessError, QStringLiteral("Path/File access error: ") + file.fileName(),
                  QStringLiteral("frmActivityLog"));
        ReportError(QStringLiteral("frmActivityLog_cmdClear_Click"));
    }
}

void frmActivityLog::showPopupMenu(const QPoint& at)
{
    mnuPopupMenuCopy->setEnabled(rtbActivity->textCursor().hasSelection());
    mnuPopupMenu->popup(rtbActivity->viewport()->mapToGlobal(at));
}

// --- tooltips ----------------------------------------------------------------------------------------------

void frmActivityLog::AddHints()
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))) || !gToolTip)
        return;
    const std::pair<QWidget*, const char*> tips[] = {
        {this, "This form allows you to view Velquon's activities. You must have the Log Activity option checked in "
               "configuration to view activity in this form"},
        {rtbActivity, "This displays the Velquon activity that has been saved to the hard drive. If hard drive space "
                      "is limited you may want to disable the activity log feature in configuration."},
        {chkWordWrap, "Checking this box will wrap the text in the activity log text box above"},
        {cmdCopy, "Clicking this will copy the entire contents of the text box above."},
        {cmdClear, "Clicking this will clear the entire text box above and permanantly remove it from the hard disk."},
        {cmdClose, "This will close this form."},
    };
    for (const auto& [widget, text] : tips)
        gToolTip->SetToolTipObj(widget, QString::fromLatin1(text), false);
}
