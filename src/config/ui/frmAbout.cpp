#include "config/ui/frmAbout.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "core/modMain.h"
#include "core/ui/modMainGui.h"
#include "platform/Colour.h"

#ifndef VELQUON_VERSION_TEXT
#define VELQUON_VERSION_TEXT "0.0.0"
#endif

namespace {

constexpr quint32 LinkHover = 255;       // red, in blue-green-red
constexpr quint32 LinkNormal = 16711680; // blue

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

QString frmAbout::versionText() { return QStringLiteral(VELQUON_VERSION_TEXT); }

QString frmAbout::emailLink() { return QStringLiteral("mailto:velquon@norvane.example"); }

QString frmAbout::websiteLink() { return QStringLiteral("https://norvane.example/velquon/"); }

frmAbout::frmAbout(const QIcon& icon, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + QStringLiteral("Velquon"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMouseTracking(true);

    picIcon = label(this, "picIcon", QString());
    picIcon->setPixmap(icon.pixmap(48, 48));
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setMouseTracking(true);
    Frame1->installEventFilter(this);
    lblTitle = label(Frame1, "lblTitle", QStringLiteral("Velquon  --  Version ") + versionText());
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    auto* notice1 = label(Frame1, "lblNotice1",
                          QStringLiteral("Velquon shows who is calling before you answer: it reads the caller ID "
                                         "that your modem reports, keeps a log of every call and shares it with "
                                         "other computers on your network."));
    auto* notice2 = label(Frame1, "lblNotice2",
                          QStringLiteral("Copyright Norvane. Velquon is provided as is, without warranty of any "
                                         "kind. Caller ID depends on the service of your telephone company."));
    for (QLabel* l : {notice1, notice2})
        l->setWordWrap(true);
    lblEmail = label(Frame1, "lblEmail", QStringLiteral("Email Norvane"));
    lblWebsite = label(Frame1, "lblWebsite", QStringLiteral("Visit Our Web Site"));
    for (QLabel* link : {lblEmail, lblWebsite}) {
        QFont underlined = link->font();
        underlined.setUnderline(true);
        link->setFont(underlined);
        link->setCursor(Qt::PointingHandCursor);
        link->setMouseTracking(true);
        link->installEventFilter(this);
        setLinkColour(link, LinkNormal);
    }
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    auto* inner = new QVBoxLayout(Frame1);
    inner->addWidget(lblTitle);
    inner->addWidget(notice1);
    inner->addWidget(notice2);
    auto* links = new QHBoxLayout;
    links->addWidget(lblEmail);
    links->addStretch(1);
    links->addWidget(lblWebsite);
    inner->addLayout(links);
    auto* grid = new QGridLayout(this);
    grid->addWidget(picIcon, 0, 0, Qt::AlignTop);
    grid->addWidget(Frame1, 0, 1);
    grid->addWidget(cmdOK, 1, 1, Qt::AlignRight);
    setFixedWidth(420);
    adjustSize();

    // Centred on the screen, above every window when the program keeps its windows on top.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
    SetOnTop(this, false);
    setWindowIcon(QIcon());
    installEventFilter(this);
}

void frmAbout::setLinkColour(QLabel* link, quint32 bgr)
{
    QPalette pal = link->palette();
    pal.setColor(QPalette::WindowText, Colour::fromBgr(bgr));
    link->setPalette(pal);
}

void frmAbout::lblEmail_Click() { OpenHyperlink(QString::number(effectiveWinId()), emailLink()); }

void frmAbout::lblWebsite_Click() { OpenHyperlink(QString::number(effectiveWinId()), websiteLink()); }

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        if (watched == lblEmail || watched == lblWebsite) {
            setLinkColour(static_cast<QLabel*>(watched), LinkHover);
            // Not passed on to the frame below, which would colour the link back.
            return true;
        }
        if (watched == this || watched == Frame1) {
            setLinkColour(lblEmail, LinkNormal);
            setLinkColour(lblWebsite, LinkNormal);
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == lblEmail) {
            lblEmail_Click();
            return true;
        }
        if (watched == lblWebsite) {
            lblWebsite_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
