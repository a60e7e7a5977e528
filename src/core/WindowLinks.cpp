#include "core/WindowLinks.h"

WindowLinks& windowLinks()
{
    static WindowLinks links;
    return links;
}

namespace Links {

namespace {
bool ask(const std::function<bool()>& f) { return f && f(); }
} // namespace

bool contactsVisible() { return ask(windowLinks().contactsVisible); }
bool findVisible() { return ask(windowLinks().findVisible); }
bool miniDisplayVisible() { return ask(windowLinks().miniDisplayVisible); }

void broadcast(const QString& text)
{
    if (windowLinks().broadcast)
        windowLinks().broadcast(text);
}

void netCancel(qint32 index)
{
    if (windowLinks().netCancel)
        windowLinks().netCancel(index);
}

} // namespace Links
