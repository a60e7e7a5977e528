#include "statswindow/ui/StatisticEditor.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "core/ui/cToolTip.h"
#include "core/ui/modMainGui.h"
#include "platform/Prompt.h"
#include "statswindow/StatsCustomization.h"

namespace {

constexpr int kMaxDescription = 49;

} // namespace

StatisticEditorBase::StatisticEditorBase(const char* name, bool group, QWidget* parent)
    : QDialog(parent), m_group(group)
{
    setObjectName(QLatin1String(name));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon());
    setModal(true);

    lblDescription = new QLabel(QStringLiteral("Description:"), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    txtDescription = new QLineEdit(this);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    txtDescription->setMaxLength(kMaxDescription);
    lblDescription->setBuddy(txtDescription);
    cmdSave = new QPushButton(QStringLiteral("Save"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    connect(cmdSave, &QPushButton::clicked, this, &StatisticEditorBase::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &StatisticEditorBase::cmdCancel_Click);
    connect(txtDescription, &QLineEdit::textChanged, this, &StatisticEditorBase::txtDescription_Change);
    SetOnTop(this, false);
}

void StatisticEditorBase::setMode(const QString& mode, const QString& originalDescription)
{
    m_mode = mode;
    m_original = originalDescription;
}

void StatisticEditorBase::txtDescription_Change(const QString& text)
{
    // The separators of the statistics file and the network never enter the box, however they come.
    const QString kept = StatsCustomization::WithoutRefusedCharacters(text);
    if (kept == text)
        return;
    // The caret stays after the same kept characters.
    const int typedCaret = txtDescription->cursorPosition();
    int caret = typedCaret;
    for (int i = 0; i < typedCaret && i < text.size(); ++i)
        caret -= StatsCustomization::IsRefusedDescriptionCharacter(text[i]) ? 1 : 0;
    const QSignalBlocker block(txtDescription);
    txtDescription->setText(kept);
    txtDescription->setCursorPosition(caret);
}

void StatisticEditorBase::addHints(const QList<QPair<QWidget*, QString>>& tips)
{
    if (!textToBool(GetProperty(Section::frmConfiguration, Key::Hints, QStringLiteral("True"))) || !gToolTip)
        return;
    for (const auto& tip : tips) {
        if (tip.first)
            gToolTip->SetToolTipObj(tip.first, tip.second);
    }
}

void StatisticEditorBase::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    clearResults();
    firstShow();
}

void StatisticEditorBase::disableWith(QWidget* choice, QPlainTextEdit* condition)
{
    txtDescription->setReadOnly(true);
    condition->setReadOnly(true);
    for (QWidget* box : {static_cast<QWidget*>(txtDescription), static_cast<QWidget*>(condition)}) {
        // Locked text in the colour of button shadows, as a built-in item is shown.
        QPalette p = box->palette();
        p.setColor(QPalette::Text, p.color(QPalette::Dark));
        box->setPalette(p);
    }
    if (choice)
        choice->setEnabled(false);
    cmdSave->setEnabled(false);
}

void StatisticEditorBase::clearResults()
{
    m_description.clear();
    clearOwnResults();
}

bool StatisticEditorBase::acceptDescription()
{
    const StatsCustomization::Kind kind =
        m_group ? StatsCustomization::Kind::Group : StatsCustomization::Kind::Statistic;
    const QString problem = StatsCustomization::DescriptionProblem(kind, txtDescription->text(),
                                                                   m_mode == QLatin1String("add"), m_original);
    if (!problem.isEmpty()) {
        Prompt::message(problem, Prompt::OkOnly, Prompt::Critical);
        return false;
    }
    m_description = StatsCustomization::CleanDescription(txtDescription->text());
    return true;
}

void StatisticEditorBase::cmdSave_Click()
{
    if (!cmdSave->isEnabled() || !acceptDescription())
        return;
    storeOwnResults();
    accept();
}

void StatisticEditorBase::cmdCancel_Click()
{
    clearResults();
    reject();
}
