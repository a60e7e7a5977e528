#include "statswindow/ui/frmCustomizeTime.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "network/clsRemoteSocket.h"
#include "network/ui/frmWaiting.h"
#include "platform/Prompt.h"
#include "statswindow/CustomTimeRange.h"
#include "statswindow/ui/frmStatistics.h"

namespace {

QPointer<frmCustomizeTime> g_dialog;

const QString kDesignCaption = QStringLiteral("Customize Time");

// The range becomes the main window's view.
void applyToMainWindow(const CustomTime::Range& range)
{
    MainWindow* main = gMainForm;
    if (!main)
        return;
    main->strSQL = CustomTime::ViewQuery(range);
    main->UncheckTimeMenu();
    main->setViewTimeChecked(ViewTime::Custom);
    if (isClientMode()) {
        // The server runs the query; its answer fills the list and closes the note.
        ShowWaiting(QStringLiteral("SQL"), dynamic_cast<QWidget*>(main));
        if (gRemoteSocket)
            gRemoteSocket->SendData(QStringLiteral(";SQL;") + main->strSQL);
    } else {
        main->RefreshGrid();
    }
}

void fillList(QComboBox* box, const QStringList& entries)
{
    const QSignalBlocker block(box);
    const QString text = box->currentText();
    box->clear();
    box->addItems(entries);
    // Filling the list must not change what the box shows.
    box->setCurrentIndex(-1);
    box->setEditText(text);
}

} // namespace

frmCustomizeTime* frmCustomizeTime::instance(bool create)
{
    if (!g_dialog && create)
        g_dialog = new frmCustomizeTime();
    return g_dialog;
}

void frmCustomizeTime::showFor(const QString& tag, QObject* owner)
{
    frmCustomizeTime* d = instance();
    d->m_tag = tag;
    if (d->isVisible()) {
        // Already open for the other window: what was typed stays, the dialog now serves this one.
        d->setCaption();
        d->statsFrozenChanged();
        d->raise();
        d->activateWindow();
        return;
    }
    auto* widget = qobject_cast<QWidget*>(owner);
    ShowOwned(d, widget ? widget->window() : nullptr);
    // The window manager does not give a new tool window the keyboard by itself, and a date typed at once would
    // go to the window that chose the command.
    d->raise();
    d->activateWindow();
}

frmCustomizeTime::frmCustomizeTime(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCustomizeTime"));
    setWindowTitle(kDesignCaption);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon());
    setModal(false);

    Label1 = new QLabel(QStringLiteral("&Starting Date (M/D/Y H:M:S AM/PM):"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    cboStartingDate = new QComboBox(this);
    cboStartingDate->setObjectName(QStringLiteral("cboStartingDate"));
    Label2 = new QLabel(QStringLiteral("&Ending Date (M/D/Y H:M:S AM/PM):"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    cboEndingDate = new QComboBox(this);
    cboEndingDate->setObjectName(QStringLiteral("cboEndingDate"));
    for (QComboBox* box : {cboStartingDate, cboEndingDate}) {
        box->setEditable(true);
        // The text stays as typed: no completion to another entry's case, no entry added by Enter.
        box->setCompleter(nullptr);
        box->setInsertPolicy(QComboBox::NoInsert);
    }
    Label1->setBuddy(cboStartingDate);
    Label2->setBuddy(cboEndingDate);
    cboStartingDate->addItem(QString::fromLatin1(CustomTime::kBeginningOfRecords));
    cboEndingDate->addItems(
        {QString::fromLatin1(CustomTime::kPresent), QString::fromLatin1(CustomTime::kEndOfRecords)});
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &frmCustomizeTime::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmCustomizeTime::cmdCancel_Click);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(cboStartingDate, 1, 0);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(cboEndingDate, 3, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 4, 0);
    setFixedWidth(320);
    setFixedHeight(sizeHint().height());

    SetOnTop(this, false);
    AddHints();
}

frmCustomizeTime::~frmCustomizeTime() = default;

void frmCustomizeTime::AddHints()
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))) || !gToolTip)
        return;
    gToolTip->SetToolTipObj(this, QString::fromLatin1(CustomTime::kFormHint));
    gToolTip->SetToolTipObj(cboStartingDate, QString::fromLatin1(CustomTime::kStartHint));
    gToolTip->SetToolTipObj(cboEndingDate, QString::fromLatin1(CustomTime::kEndHint));
}

bool frmCustomizeTime::isStatsTag() const { return m_tag.toUpper() == QLatin1String("STATS"); }

bool frmCustomizeTime::isMainTag() const { return m_tag.toUpper() == QLatin1String("MAIN"); }

void frmCustomizeTime::statsFrozenChanged()
{
    // A range for the statistics waits until the window has its server's answer (Apply and OK of the
    // customize statistics dialog wait the same way).
    const frmStatistics* stats = frmStatistics::instance(false);
    cmdOK->setEnabled(!(isStatsTag() && stats && stats->isFrozen()));
}

void frmCustomizeTime::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Set up when it is opened, not when the desktop shows it again (from minimised): typing stays.
    if (!event->spontaneous())
        setUp();
}

void frmCustomizeTime::setUp()
{
    RefreshStartList();
    RefreshEndList();
    setCaption();
    cboStartingDate->setEditText(strStartText);
    cboEndingDate->setEditText(strEndText.isEmpty() ? QString::fromLatin1(CustomTime::kPresent) : strEndText);
    cboStartingDate->lineEdit()->selectAll();
    cboStartingDate->setFocus();
    statsFrozenChanged();
}

void frmCustomizeTime::setCaption()
{
    setWindowTitle(isStatsTag() ? QStringLiteral("Customize Statistics Time")
                                : QStringLiteral("Customize ") + Prompt::productName() + QStringLiteral(" Time"));
}

void frmCustomizeTime::RefreshStartList() { fillList(cboStartingDate, CustomTime::StartListEntries(isClientMode())); }

void frmCustomizeTime::RefreshEndList() { fillList(cboEndingDate, CustomTime::EndListEntries(isClientMode())); }

void frmCustomizeTime::cmdOK_Click()
{
    const QString start = cboStartingDate->currentText();
    const QString end = cboEndingDate->currentText();
    const bool client = isClientMode();
    const bool startValid = CustomTime::ValidateStartDate(start, client);
    const bool endValid = CustomTime::ValidateEndDate(end, client);
    if (!startValid || !endValid) {
        // The dialog goes with the window that owns it if the program ends while the box waits.
        const QPointer<frmCustomizeTime> self(this);
        Prompt::message(CustomTime::RefusalMessage(startValid, endValid), Prompt::OkOnly, Prompt::Critical);
        if (!self)
            return;
        QComboBox* box = startValid ? cboEndingDate : cboStartingDate;
        box->lineEdit()->selectAll();
        box->setFocus();
        return;
    }
    std::optional<CustomTime::Range> range;
    try {
        strStartText = start;
        strEndText = end;
        range = CustomTime::Resolve(start, end);
        RefreshStartList();
        RefreshEndList();
    } catch (const std::exception& e) {
        SaveError(0, QString::fromUtf8(e.what()), QStringLiteral("frmCustomizeTime"));
        ReportError(QStringLiteral("frmCustomizeTime_cmdOK_Click"));
        ShowError(QString());
        return;
    }
    const bool main = isMainTag(), stats = isStatsTag();
    // The dialog goes before the range is applied: the refill or the statistics that follow may take a while
    // and yield to the event loop.
    close();
    if (!range)
        return; // an empty call log has no first or last call
    if (main) {
        applyToMainWindow(*range);
    } else if (stats) {
        if (frmStatistics* w = frmStatistics::instance(false))
            w->ApplyCustomPeriod(range->start, range->end, range->startInclusive, range->endInclusive);
    }
}

void frmCustomizeTime::cmdCancel_Click()
{
    cboStartingDate->setEditText(QString());
    cboEndingDate->setEditText(QString());
    close();
}

void frmCustomizeTime::reject() { cmdCancel_Click(); }

void frmCustomizeTime::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmCustomizeTime::Form_Unload()
{
    m_tag.clear();
    setWindowTitle(kDesignCaption);
}
