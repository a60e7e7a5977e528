#pragma once

// Window geometry is stored in twips (1/1440 inch); widgets work in pixels. The conversion uses the
// primary screen's logical DPI (15 twips a pixel at 96 dpi); without a screen it assumes 96 dpi.
namespace Twips {

double perPixel();
// Overrides the DPI the conversion uses (tests); 0 goes back to the screen's.
void setLogicalDpi(double dpi);
int toPixels(double twips);
double fromPixels(int pixels);

} // namespace Twips
