#include "popup/PopupLayout.h"

#include <algorithm>

namespace PopupLayout {

namespace {

// The width factor was always kept in single precision, the height factor in double; the fonts of a wide
// window depend on it in the last digit only, but keeping it costs nothing.
double widthScale(const QSizeF& outer) { return double(float(outer.width() / MinWidth)); }
double heightScale(const QSizeF& outer) { return outer.height() / MinHeight; }

} // namespace

QSizeF clampSize(const QSizeF& outer)
{
    return {std::max(outer.width(), MinWidth), std::clamp(outer.height(), MinHeight, MaxHeight)};
}

Fonts fonts(const QSizeF& outer)
{
    const double ws = widthScale(outer);
    const double hs = heightScale(outer);
    Fonts f;
    f.navigate = 2 * (ws * hs + 9);
    f.nameNumber = 2 * (ws * hs * hs + 4);
    f.text = ws * hs + 8;
    return f;
}

Placement place(const QSizeF& outer, const QSizeF& inner, const Measured& m)
{
    (void)outer;
    Placement p;
    const double sw = inner.width();
    const double sh = inner.height();

    p.screen = QRectF(100, 100, sw - 100 - m.navigate[2].width() - 100, sh - 100 - m.navigate[2].height() - 100);
    const double pw = p.screen.width();
    const double ph = p.screen.height();
    const double pl = p.screen.left();
    const double pt = p.screen.top();

    p.time = QRectF(QPointF(50, 0), m.time);
    p.position = QRectF(QPointF(pw - m.position.width() - 50, 0), m.position);
    p.answered = QRectF(QPointF(pw - m.answered.width() - 50, ph - m.answered.height() - 50), m.answered);
    p.rings = QRectF(QPointF(50, ph - m.rings.height() - 50), m.rings);
    // Name just above the middle of the screen area, number just below it.
    p.name = QRectF(0, (ph - 2 * m.name.height()) / 2 - 25, pw, m.name.height());
    p.number = QRectF(0, (ph - 0.5 * m.number.height()) / 2 + 25, pw, m.number.height());
    p.callerInfo = QRectF(50, 0, pw - 90, ph - 20);
    p.otherInfo = QRectF(50, 0, pw - 90, ph - 20);
    p.image = QRectF(0, 0, pw, ph);
    p.noPic = QRectF(QPointF((pw - m.noPic.width()) / 2, (ph - m.noPic.height()) / 2), m.noPic);

    p.navigate[0] = QRectF(QPointF(pl + pw / 3, sh - m.navigate[0].height() - 50), m.navigate[0]);
    p.navigate[1] =
        QRectF(QPointF(pl + pw * 2 / 3 - m.navigate[1].width(), sh - m.navigate[1].height() - 50), m.navigate[1]);
    p.navigate[2] = QRectF(QPointF(sw - m.navigate[2].width() - 50, pt + ph / 9), m.navigate[2]);
    p.navigate[3] =
        QRectF(QPointF(sw - m.navigate[3].width() - 50, pt + ph * 8 / 9 - m.navigate[3].height()), m.navigate[3]);

    const double blockWidth = sw / 3;
    p.block = QRectF(sw - blockWidth - 100, p.navigate[0].top() + (p.navigate[0].height() - m.blockHeight) / 2,
                     blockWidth, m.blockHeight);
    p.picWindow = QRectF(QPointF(pw - m.picWindow.width() - 300, 0), m.picWindow);
    p.window1 = QRectF(QPointF(pw - m.window1.width() - 50, 0), m.window1);
    p.onTop = QRectF(QPointF(100, p.navigate[0].top() + (p.navigate[0].height() - m.onTop.height()) / 2), m.onTop);
    return p;
}

double nameNumberRoom(const QSizeF& inner, const Measured& m)
{
    // The placement's own rules solved for the label's height: the name's top, (PH - 2 H) / 2 - 25, stays at
    // or under the top line; the number's bottom, (PH - H / 2) / 2 + 25 + H, at or over the bottom line.
    const double ph = inner.height() - 100 - m.navigate[2].height() - 100;
    const double top = std::max(m.time.height(), m.position.height());
    const double bottom = ph - 50 - std::max(m.rings.height(), m.answered.height());
    return std::max(0.0, std::min(ph / 2 - 25 - top, (bottom - ph / 2 - 25) / 0.75));
}

} // namespace PopupLayout
