#include "popup/ui/frmContactPicture.h"

#include <QImage>
#include <QPointer>

#include "contacts/ContactPicture.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "platform/Colour.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/PopupWindows.h"

namespace {
QPointer<frmContactPicture> g_instance;
}

frmContactPicture* frmContactPicture::instance(bool create)
{
    if (!g_instance && create)
        g_instance = new frmContactPicture;
    return g_instance;
}

frmContactPicture::frmContactPicture() : PopupDetailWindow("frmContactPicture", QStringLiteral("Contact Image"))
{
    lblNoPic = new QLabel(QStringLiteral("No Picture"), this);
    lblNoPic->setObjectName(QStringLiteral("lblNoPic"));
    lblNoPic->setFont(QFont(QStringLiteral("Liberation Sans")));
    lblNoPic->adjustSize();
    imgContactImage = new QLabel(this);
    imgContactImage->setObjectName(QStringLiteral("imgContactImage"));
    imgContactImage->setAlignment(Qt::AlignCenter);
    dragBy(imgContactImage);
    if (!inert())
        load();
}

bool frmContactPicture::inert() const { return isClientMode(); }

void frmContactPicture::layoutContent(double ws, double hs)
{
    (void)ws, (void)hs;
    imgContactImage->setGeometry(rect());
    lblNoPic->move((width() - lblNoPic->width()) / 2, (height() - lblNoPic->height()) / 2);
    if (!m_picture.isNull())
        imgContactImage->setPixmap(m_picture.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void frmContactPicture::UpdateAppearance()
{
    if (inert())
        return;
    setForeground(this, Colour::fromBgr(MiniDisplay::colourSetting(Key::ForeColor, "8464686")));
    setBackground(this, Colour::fromBgr(MiniDisplay::colourSetting(Key::BackColor, "4731686")));
    setBackground(lblNoPic, Colour::fromBgr(MiniDisplay::colourSetting(Key::BackColor, "4731686")));
    setForeground(lblNoPic, Colour::fromBgr(MiniDisplay::colourSetting(Key::ForeColor, "8418617")));
}

void frmContactPicture::SetImage()
{
    if (inert())
        return;
    const QString file = miniDisplay().CurrentContact.ImageFile;
    if (file.isEmpty()) {
        m_picture = QPixmap();
        imgContactImage->clear();
        return;
    }
    // A picture path can come from a client's contact record: only a regular file of a bounded size is read.
    const QImage image = ContactPicture::load(file);
    if (image.isNull())
        return; // an unreadable file leaves the picture that was there
    m_picture = QPixmap::fromImage(image);
    imgContactImage->setPixmap(m_picture.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}
