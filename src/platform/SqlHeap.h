#pragma once

#include <QtGlobal>

// What one statement of untrusted query text may take from SQLite's heap, and how long it may work between
// two points where it can stop.
//
// SQLite's own limits count one value at a time; a row of many values, a statement of many terms, is only
// bounded as a whole by its memory. SQLite's allocator is wrapped before SQLite starts (install): every block
// carries the account it was charged to, and while a Charge is held on a thread, SQLite's allocations on that
// thread are charged to its account and refused past the account's bound. A refused allocation fails the
// statement with SQLite's "out of memory", which SqlStatement reports by its cause.
//
// SQLite looks at the clock (the progress handler) only between loops, never inside one row's values, so the
// allocator also watches the stretch since the last such look: an account whose statement works on past
// StretchMs of processor time in one stretch, allocating as it goes, is refused too. The statement's own
// deadline and its give-way then come at the next look, at most one stretch later.
//
// SQLite's temporary files (a sort or a grouping too large for its memory, a window's rows) are the
// statement's too: a file SQLite opens while a Charge is held is charged to its account as it grows
// (SqlScratch), and a write past the account's scratch bound fails the statement as the disk being full
// would.
//
// The heap outside a Charge (the writing connection, the calls stored while a read gives way) is never
// refused, and its files are never counted.
namespace SqlHeap {

// Longest processor time a charged statement may work between two looks.
constexpr qint64 StretchMs = 100;

// The processor time of the calling thread, in nanoseconds, that a stretch is measured on. Tests give one
// they move themselves, so which bound stops a statement never depends on the machine's speed; nullptr
// gives back the system's.
using ProcessorClock = qint64 (*)();
void setProcessorClock(ProcessorClock clock);

enum class Refusal { None, Bound, Stretch, Scratch };

// One statement's share of the heap. It lives as long as its statement or the last block charged to it.
struct Account;

// Wraps SQLite's allocator and its temporary files. It must run before SQLite starts; false when SQLite had
// started already, and then nothing is charged or refused.
bool install();
bool installed();

// A new account of bound bytes of heap and scratchBound bytes of temporary files, held by the caller until
// release.
Account* open(qint64 bound, qint64 scratchBound = 0);
void release(Account* account);
// Another holder of the account (a temporary file charged to it), until it releases it.
void hold(Account* account);
// The account SQLite's work on this thread is charged to now, or nullptr.
Account* charged();
// Temporary storage as it grows and shrinks: false, and remembered as Refusal::Scratch, when bytes more
// would pass the account's scratch bound.
bool chargeScratch(Account* account, qint64 bytes);
void releaseScratch(Account* account, qint64 bytes);
// The most temporary storage charged to all accounts together since the last reset (as
// sqlite3_memory_highwater tells of the heap).
qint64 scratchHighwater(bool reset);
// Bytes charged to the account and not freed yet.
qint64 held(const Account* account);
// Why the account's last allocation was refused, since it was last charged.
Refusal refusal(const Account* account);
// From another thread: the account's next allocation is refused as a stretch too long, so its statement stops
// where SQLite lets no other look in (a parse).
void stop(Account* account);

// Whether a charged statement's stretch is bounded. Work on a thread of its own holds nothing up: its stretch is
// not, and its deadline stops it from outside (stop).
enum class Stretch { Bounded, Unbounded };

// While it lives, SQLite's allocations on this thread are charged to the account (none: to nobody) and a new
// stretch begins.
class Charge {
public:
    explicit Charge(Account* account, Stretch stretch = Stretch::Bounded);
    ~Charge();
    Charge(const Charge&) = delete;
    Charge& operator=(const Charge&) = delete;

private:
    struct Saved {
        Account* account;
        qint64 grown;
        qint64 stretchStart;
        bool stretchPending;
        bool stretchBounded;
    } m_saved;
};

// While it lives nothing is charged: what runs meanwhile (the event loop of a give-way) is not the statement's.
// Its stretch begins again afterwards.
class Pause {
public:
    Pause();
    ~Pause();
    Pause(const Pause&) = delete;
    Pause& operator=(const Pause&) = delete;

private:
    Account* m_account;
};

// The statement reached a point where it could stop: its stretch begins again.
void look();

} // namespace SqlHeap
