#include "network/RemoteCallerCollection.h"

#include <QHash>

#include <algorithm>
#include <cstring>

RemoteCallerCollection::RemoteCallerCollection(const QList<clsCaller>& calls)
{
    m_records.reserve(size_t(calls.size()));
    for (const clsCaller& c : calls)
        append(c);
}

RemoteCallerCollection::Record RemoteCallerCollection::store(const clsCaller& caller)
{
    const QString rings = QString::number(caller.Rings);
    const QString id = QString::number(caller.ID);
    const std::array<QStringView, TextCount> texts{caller.Name,
                                                   caller.Number.Number,
                                                   caller.CallerDate,
                                                   rings,
                                                   caller.Answered,
                                                   id,
                                                   caller.Number.Description,
                                                   caller.ContactName,
                                                   caller.AttributeGroup};
    Record r;
    qsizetype total = 0;
    for (int t = 0; t < TextCount; ++t) {
        const qsizetype n = std::min(texts[size_t(t)].size(), MaxText);
        r.length[size_t(t)] = quint16(n);
        total += n;
    }
    char16_t* out = m_text.allocate(total);
    r.text = out;
    for (int t = 0; t < TextCount; ++t) {
        const qsizetype n = r.length[size_t(t)];
        if (n > 0)
            std::memcpy(out, texts[size_t(t)].utf16(), size_t(n) * sizeof(char16_t));
        out += n;
    }
    r.id = caller.ID;
    return r;
}

QStringView RemoteCallerCollection::text(qsizetype i, Text which) const
{
    const Record& r = m_records[size_t(i)];
    qsizetype offset = 0;
    for (int t = 0; t < which; ++t)
        offset += r.length[size_t(t)];
    return QStringView(r.text + offset, r.length[size_t(which)]);
}

clsCaller RemoteCallerCollection::at(qsizetype i) const
{
    const Record& r = m_records[size_t(i)];
    clsCaller c;
    c.ID = r.id;
    c.Rings = text(i, Rings).toInt();
    c.Name = text(i, Name).toString();
    c.Number.Number = text(i, Number).toString();
    c.Number.Description = text(i, Description).toString();
    c.CallerDate = text(i, Date).toString();
    c.Answered = text(i, Answered).toString();
    c.ContactName = text(i, ContactName).toString();
    c.AttributeGroup = text(i, AttributeGroup).toString();
    return c;
}

qsizetype RemoteCallerCollection::indexOf(qint32 id) const
{
    const auto it = std::find_if(m_records.cbegin(), m_records.cend(), [id](const Record& r) { return r.id == id; });
    return it == m_records.cend() ? -1 : qsizetype(it - m_records.cbegin());
}

void RemoteCallerCollection::append(const clsCaller& caller) { m_records.push_back(store(caller)); }

void RemoteCallerCollection::replace(qsizetype i, const clsCaller& caller) { m_records[size_t(i)] = store(caller); }

void RemoteCallerCollection::removeIds(const QList<qint32>& ids)
{
    // One pass, whatever the number of IDs: a deletion of thousands of calls from a copy of 100,000 must not
    // search the copy once per ID.
    QHash<qint32, int> left;
    for (qint32 id : ids)
        ++left[id];
    std::erase_if(m_records, [&](const Record& r) {
        const auto it = left.find(r.id);
        if (it == left.end() || *it == 0)
            return false;
        --*it;
        return true;
    });
}
