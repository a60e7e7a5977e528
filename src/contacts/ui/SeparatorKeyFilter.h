#pragma once

#include <QObject>

// The contact book's free-text boxes do not take a typed "/", ";", "'" or "|" (they would split the
// records that carry the text); every other key passes. Pasted text is cleaned where it is stored.
class SeparatorKeyFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Installs one filter, owned by the box, on each box.
    static void install(QObject* box);
    static bool refused(const QString& typed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
