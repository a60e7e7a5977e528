#include "config/ui/frmOneTimeSetup.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "config/OptionLists.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"

frmOneTimeSetup::frmOneTimeSetup(QWidget* parent, const QString& deviceFolder) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOneTimeSetup"));
    setWindowTitle(QStringLiteral("One Time Setup"));
    setWindowIcon(QIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    if (textToBool(GetProperty(Section::frmConfiguration, Key::OnTop, QStringLiteral("False"))))
        setWindowFlag(Qt::WindowStaysOnTopHint, true);

    lblInfo = new QLabel(QStringLiteral("This is the first time this program has been used and the modem comm port "
                                        "needs to be set for the program to work properly.  The comm port can also "
                                        "be set in configuration under the modem tab."),
                         this);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setWordWrap(true);
    lblPort = new QLabel(QStringLiteral("Modem Port:"), this);
    lblPort->setObjectName(QStringLiteral("lblPort"));
    cboPort = new QComboBox(this);
    cboPort->setObjectName(QStringLiteral("cboPort"));
    cboPort->addItems(OptionLists::portEntries(deviceFolder));
    // A port written into the settings before the first start (a device path, a pseudo-terminal) is the
    // one offered, so OK keeps it.
    const QString stored = GetProperty(Section::frmConfiguration, Key::CommPort, QString()).trimmed();
    QString entry =
        stored.isEmpty() ? QString() : OptionLists::portEntryFor(stored, OptionLists::portEntries(deviceFolder));
    if (entry.isEmpty() && stored.startsWith(QLatin1Char('/'))) {
        cboPort->addItem(stored);
        entry = stored;
    }
    cboPort->setCurrentIndex(entry.isEmpty() ? 0 : cboPort->findText(entry));
    lblPort->setBuddy(cboPort);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmOneTimeSetup::cmdOK_Click);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblInfo, 0, 0, 1, 2);
    grid->addWidget(lblPort, 1, 0);
    grid->addWidget(cboPort, 1, 1);
    grid->addWidget(cmdOK, 2, 1, Qt::AlignRight);
    setFixedWidth(380);
    adjustSize();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
}

void frmOneTimeSetup::cmdOK_Click()
{
    // "Com3" gives 3; a device is stored by its path.
    SaveProperty(Section::frmConfiguration, Key::CommPort,
                 OptionLists::commPortToStore(cboPort->currentText(),
                                              GetProperty(Section::frmConfiguration, Key::CommPort, QString())));
    accept();
}
