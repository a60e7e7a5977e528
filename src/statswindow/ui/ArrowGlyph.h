#pragma once

#include <QLabel>
#include <QString>

// The statistics window's small arrows (the grid's sort arrow, the option frames' open and closed marks). A
// label keeps the glyph it shows as a property "marlett" ("5" up, "6" down) and draws it as a character every
// desktop font has.
namespace ArrowGlyph {

inline constexpr char kUp[] = "5";
inline constexpr char kDown[] = "6";

inline void set(QLabel* label, const char* glyph)
{
    label->setProperty("marlett", QString::fromLatin1(glyph));
    label->setText(QString::fromLatin1(glyph) == QLatin1String(kUp) ? QStringLiteral("\u25B2")
                                                                    : QStringLiteral("\u25BC"));
}

inline bool is(const QLabel* label, const char* glyph)
{
    return label->property("marlett").toString() == QLatin1String(glyph);
}

} // namespace ArrowGlyph
