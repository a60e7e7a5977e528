#include "mainwindow/RemoteCallList.h"

#include <QHash>

#include <algorithm>

#include "core/clsCaller.h"
#include "core/modContactDB.h"
#include "network/clsRemoteSocket.h"

namespace {

// A row can point at the copy's texts only while the two lay them out alike.
static_assert(RemoteCallerCollection::RowTexts == CallRowTexts);
static_assert(RemoteCallerCollection::Name == 0 && RemoteCallerCollection::Number == 1 &&
              RemoteCallerCollection::Date == 2 && RemoteCallerCollection::Rings == 3 &&
              RemoteCallerCollection::Answered == 4 && RemoteCallerCollection::ID == 5);
static_assert(RemoteCallerCollection::MaxText == CallRowMaxText);

// What a number's calls show: the contact's name (with the number's description) where one owns it, kept
// once for all its calls.
struct NumberMatch {
    const char16_t* shown = nullptr;
    quint16 length = 0;
    quint32 colour = 0;
};

} // namespace

void RemoteCallList::readRows(CallRowBatch& batch)
{
    if (!gRemoteCallers)
        return;
    // Nothing here lets the event loop run, so the copy cannot be replaced under this pass; the rows read
    // keep its text blocks alive after it is.
    const RemoteCallerCollection& calls = *gRemoteCallers;
    batch.rows.reserve(size_t(calls.size()));
    batch.text.share(calls.arena());
    // Calls from one number share their contact: each number is matched once a pass.
    QHash<QStringView, NumberMatch> matched;
    for (qsizetype i = 0; i < calls.size(); ++i) {
        const QStringView number = calls.text(i, RemoteCallerCollection::Number);
        auto match = matched.constFind(number);
        if (match == matched.cend()) {
            clsCaller probe;
            MatchCallerToContact(number.toString(), probe);
            NumberMatch m;
            if (!probe.ContactName.isEmpty()) {
                const QString shown = probe.PrintNameDescription();
                m.length = quint16(std::min(shown.size(), CallRowMaxText));
                char16_t* at = batch.text.allocate(m.length);
                std::copy_n(shown.utf16(), m.length, at);
                m.shown = at;
            }
            m.colour = CallRowColour(probe.AttributeGroup);
            match = matched.insert(number, m);
        }
        // The row is the copy's own texts, laid out as a row's; only a contact's name lies elsewhere.
        CallRow row;
        const QStringView name = calls.text(i, RemoteCallerCollection::Name);
        row.name = match->shown ? match->shown : name.utf16();
        row.length[0] = match->shown ? match->length : quint16(name.size());
        row.text = name.utf16() + name.size();
        for (int c = 1; c < CallRowTexts; ++c)
            row.length[size_t(c)] = quint16(calls.text(i, RemoteCallerCollection::Text(c)).size());
        row.id = calls.idAt(i);
        row.colour.fill(match->colour);
        batch.rows.push_back(row);
    }
}
