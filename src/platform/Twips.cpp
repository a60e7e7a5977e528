#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
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

int toPixels(double twips)
{
    // A damaged setting may hold any number: keep the result a plain int that later sums cannot overflow.
    constexpr double kLimit = 1 << 30;
    const double pixels = twips / perPixel();
    if (!std::isfinite(pixels))
        return 0;
    return int(std::lround(std::clamp(pixels, -kLimit, kLimit)));
}

double fromPixels(int pixels) { return pixels * perPixel(); }

} // namespace Twips
