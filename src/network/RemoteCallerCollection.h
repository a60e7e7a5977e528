#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <iterator>
#include <vector>

#include "core/TextArena.h"
#include "core/clsCaller.h"

// The client's copy of the calls it shows: the rows of the server's last answer to its query, in the order
// they came, with no key (the server's rows are what counts, even two with one ID).
//
// A client may hold a whole log of 100,000 calls here while its call list shows the same calls, so a call
// is kept compact: its texts side by side in shared text blocks, the first six in the order and form of a
// call-list row (the line's name, number, date, rings, answered, ID). The list's rows then point at the
// copy's texts instead of holding their own (see texts()); only a contact's name shown lies elsewhere.
// Records are read out as clsCaller values; a change writes new text and leaves the old behind until the
// copy is replaced, which every new answer does.
class RemoteCallerCollection {
public:
    // The texts a call keeps, in this order.
    enum Text { Name, Number, Date, Rings, Answered, ID, Description, ContactName, AttributeGroup, TextCount };
    // The first texts, laid out as a call-list row's.
    static constexpr int RowTexts = 6;
    // A longer text is cut, as a call-list cell is: no field of a real call comes near it.
    static constexpr qsizetype MaxText = 0xFFFF;

    RemoteCallerCollection() = default;
    // A copy of the calls, in their order.
    RemoteCallerCollection(const QList<clsCaller>& calls);

    qsizetype size() const { return qsizetype(m_records.size()); }
    bool isEmpty() const { return m_records.empty(); }
    clsCaller at(qsizetype i) const;
    clsCaller first() const { return at(0); }
    clsCaller last() const { return at(size() - 1); }
    qint32 idAt(qsizetype i) const { return m_records[size_t(i)].id; }
    QStringView text(qsizetype i, Text which) const;
    // The call's texts from the start, as many as a call-list row holds; they stay where they are for as
    // long as an arena sharing this copy's blocks (see arena()) lives.
    const char16_t* texts(qsizetype i) const { return m_records[size_t(i)].text; }
    // The first call with the ID, or -1.
    qsizetype indexOf(qint32 id) const;

    void append(const clsCaller& caller);
    void replace(qsizetype i, const clsCaller& caller);
    // For each ID of the list, the first call with it that is still held goes (an ID listed twice takes two).
    void removeIds(const QList<qint32>& ids);

    // The blocks the texts lie in.
    const TextArena& arena() const { return m_text; }

    // Read-only walk over the calls as clsCaller values.
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = clsCaller;
        using difference_type = qsizetype;
        using pointer = void;
        using reference = clsCaller;
        const_iterator(const RemoteCallerCollection* owner, qsizetype i) : m_owner(owner), m_i(i) {}
        clsCaller operator*() const { return m_owner->at(m_i); }
        const_iterator& operator++()
        {
            ++m_i;
            return *this;
        }
        bool operator==(const const_iterator& other) const = default;

    private:
        const RemoteCallerCollection* m_owner;
        qsizetype m_i;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    struct Record {
        const char16_t* text = nullptr;
        std::array<quint16, TextCount> length{};
        qint32 id = 0; // the rings are read back from their text: 32 bytes a call, not 40
    };
    Record store(const clsCaller& caller);

    std::vector<Record> m_records;
    TextArena m_text;
};
