#pragma once

#include <QDir>
#include <QImage>
#include <QRect>
#include <QSet>
#include <QString>
#include <QWidget>

// Pictures of windows for people to look at (build/screenshots when the tests run through ctest), checked
// before they are kept: the saved PNG is read back and must be the window's size and show something. Header-only:
// it needs the widget library, which only the ui tests link.
namespace Screenshot {

inline QString folder()
{
    const QString build = qEnvironmentVariable("VELQUON_BUILD_DIR");
    const QString dir = build.isEmpty() ? QDir::tempPath() + QStringLiteral("/velquon-screenshots")
                                        : build + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return dir;
}

// How many different colours the part of the picture shows; a part that drew nothing shows one.
inline int colours(const QImage& image, const QRect& part)
{
    QSet<QRgb> seen;
    const QRect area = part.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}

// Saves the window as folder()/name and reads the file back. Empty when the picture is the window's size and
// every listed child shows text or lines (several colours) where it sits; otherwise what is wrong.
inline QString save(QWidget* window, const QString& name, const QList<QWidget*>& drawn = {})
{
    const QString path = folder() + QLatin1Char('/') + name;
    QDir().remove(path);
    if (!window->grab().save(path))
        return QStringLiteral("could not write ") + path;
    const QImage image(path);
    if (image.isNull())
        return QStringLiteral("cannot read back ") + path;
    const QSize expected = window->size() * window->devicePixelRatio();
    if (image.size() != expected) {
        return QStringLiteral("%1 is %2x%3, the window %4x%5")
            .arg(path)
            .arg(image.width())
            .arg(image.height())
            .arg(expected.width())
            .arg(expected.height());
    }
    if (colours(image, image.rect()) < 2)
        return path + QStringLiteral(" is blank");
    for (QWidget* child : drawn) {
        const QRect where(child->mapTo(window, QPoint(0, 0)) * window->devicePixelRatio(),
                          child->size() * window->devicePixelRatio());
        if (!child->isVisible() || colours(image, where) < 3)
            return path + QStringLiteral(": nothing drawn where ") + child->objectName() + QStringLiteral(" is");
    }
    return QString();
}

} // namespace Screenshot
