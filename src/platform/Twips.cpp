#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace Twips {

namespace {
double g_dpi = 0;
}

double perPixel()
{
    double dpi = g_dpi;
    if (dpi <= 0) {
        auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
        if (app && QGuiApplication::primaryScreen())
            dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    }
    if (dpi <= 0)
        dpi = 96;
    return 1440.0 / dpi;
}

void setLogicalDpi(double dpi) { g_dpi = dpi; }

int toPixels(double twips) { return int(std::lround(twips / perPixel())); }

double fromPixels(int pixels) { return pixels * perPixel(); }

} // namespace Twips
