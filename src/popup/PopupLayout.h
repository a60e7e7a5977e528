#pragma once

#include <QRectF>
#include <QSizeF>

// Geometry of the caller pop-up. Everything scales with the window: fonts and positions follow from the
// window's outer size and from the sizes the labels take at their new fonts. All lengths are twips, font
// sizes points. Kept free of widgets so the table can be checked on its own.
namespace PopupLayout {

inline constexpr double MinWidth = 3500;
inline constexpr double MinHeight = 1900;
inline constexpr double MaxHeight = 4500;
// The size a double-click returns a wide window to.
inline constexpr double NormalWidth = 3500;
inline constexpr double NormalHeight = 1900;
inline constexpr double WideHeight = 4500;

// Outer size brought inside the limits; the width has no upper limit.
QSizeF clampSize(const QSizeF& outer);

struct Fonts {
    double navigate = 0; // the four arrows
    double nameNumber = 0;
    double text = 0; // time, position, rings, answered, the two text screens, "No Picture"
};
Fonts fonts(const QSizeF& outer);

// Sizes of the controls that size themselves to their text, measured after the fonts above were applied,
// and the fixed sizes of the rest.
struct Measured {
    QSizeF navigate[4];
    QSizeF time, position, answered, rings, name, number, noPic;
    double blockHeight = 0;
    QSizeF picWindow, window1, onTop;
};

// Rectangles: navigate, screen, block, onTop are in the window's client area; every other control is
// inside the screen area.
struct Placement {
    QRectF navigate[4];
    QRectF screen;
    QRectF time, position, answered, rings, name, number;
    QRectF callerInfo, otherInfo, image, noPic;
    QRectF block, picWindow, window1, onTop;
};

// outer: the window with its frame (drives the scaling); inner: its client area (drives the placement).
Placement place(const QSizeF& outer, const QSizeF& inner, const Measured& measured);

// The tallest the name and the number may stand and keep clear of the lines above and below them: the name
// under the time and the position, the number over the rings and the answered state. The name's font grows
// with the square of the height, so a wide window would otherwise draw it over the time of the call.
double nameNumberRoom(const QSizeF& inner, const Measured& measured);

} // namespace PopupLayout
