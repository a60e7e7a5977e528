#include "statswindow/ZoomModel.h"

#include <algorithm>
#include <cmath>

namespace {

// Halves go to the even neighbour.
int roundEven(double v) { return int(std::nearbyint(v)); }

// The zoom limit as the controls hold it: a single-precision 32000 / 1.5.
const double kLastFullStep = double(float(ZoomModel::MaxWidth / ZoomModel::Factor));

} // namespace

void ZoomModel::setValue(int value) { m_value = std::clamp(value, m_max, 0); }

void ZoomModel::setUpScrollBar(double pageWidth)
{
    m_max = std::min(0, roundEven((pageWidth - m_width) / 10.0));
    const int small = std::abs(roundEven(m_max / 10.0));
    const int large = std::abs(roundEven(m_max / 5.0));
    m_small = small > 0 ? small : 1;
    m_large = large > 0 ? large : 1;
    m_value = std::clamp(m_value, m_max, 0);
}

void ZoomModel::keepRatio()
{
    // At the page width (Max 0) the position of the last zoom is kept for the next one.
    if (m_max != 0)
        m_ratio = double(m_value) / double(m_max);
}

void ZoomModel::zoomIn(double pageWidth)
{
    keepRatio();
    if (m_width < kLastFullStep)
        m_width *= Factor;
    else if (m_width < MaxWidth)
        m_width = MaxWidth;
    else
        return;
    setUpScrollBar(pageWidth);
    m_value = std::clamp(roundEven(m_max * m_ratio), m_max, 0);
}

void ZoomModel::zoomOut(double pageWidth)
{
    keepRatio();
    if (m_width >= Factor * pageWidth) {
        m_width /= Factor;
        setUpScrollBar(pageWidth);
        m_value = std::clamp(roundEven(m_max * m_ratio), m_max, 0);
    } else if (m_width > pageWidth) {
        m_width = pageWidth;
        m_value = 0;
        setUpScrollBar(pageWidth);
    }
}

QString ZoomModel::label(double pageWidth) const
{
    const int percent = pageWidth > 0 ? roundEven(m_width / pageWidth * 100.0) : 100;
    return QStringLiteral("Zoom: ") + QString::number(percent) + QLatin1Char('%');
}

void ZoomModel::pageResized(double oldPageWidth, double newPageWidth)
{
    if (m_width < newPageWidth || m_width == oldPageWidth)
        m_width = newPageWidth;
    setUpScrollBar(newPageWidth);
}
