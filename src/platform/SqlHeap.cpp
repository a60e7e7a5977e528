#include "platform/SqlHeap.h"

#include "platform/SqlScratch.h"

#include <sqlite3.h>

#include <atomic>
#include <climits>
#include <ctime>

struct SqlHeap::Account {
    std::atomic<qint64> bytes{0};
    // The holder's own, and one per block or file charged to it: the last of them deletes it.
    std::atomic<qint64> refs{1};
    qint64 bound = 0;
    std::atomic<qint64> scratch{0};
    qint64 scratchBound = 0;
    std::atomic<Refusal> refusal{Refusal::None};
};

namespace {

using SqlHeap::Account;
using SqlHeap::Refusal;

// Each block starts with the account it is charged to (none for the rest of the program's SQLite work) and
// the size SQLite asked for.
struct Tag {
    Account* owner;
    qint64 size;
};
static_assert(sizeof(Tag) == 16, "the tag keeps SQLite's 8-byte alignment");
constexpr int kTag = int(sizeof(Tag));

// A charged statement's allocations look at the processor clock once they add up to kLookBytes, or at once
// for a block of kLookBlock or more (a long value being made): a clock read costs as much as a few hundred
// small allocations, and the work between looks stays a few milliseconds.
constexpr qint64 kLookBytes = 256 * 1024;
constexpr qint64 kLookBlock = 16 * 1024;

sqlite3_mem_methods g_system{};
bool g_installed = false;
std::atomic<qint64> g_scratch{0};
std::atomic<qint64> g_scratchHighwater{0};

struct Current {
    Account* account = nullptr;
    qint64 grown = 0;
    qint64 stretchStart = 0;
    bool stretchPending = true;
    bool stretchBounded = true;
};
thread_local Current t_current;

qint64 systemProcessorNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

std::atomic<SqlHeap::ProcessorClock> g_processorClock{systemProcessorNs};

qint64 processorNs() { return g_processorClock.load(std::memory_order_relaxed)(); }

void unCharge(Account* account, qint64 size)
{
    account->bytes.fetch_sub(size, std::memory_order_relaxed);
    SqlHeap::release(account);
}

// Whether the account may take more bytes, of which grow are new work; a refusal holds until it is charged
// again.
bool admit(Account* account, qint64 more, qint64 grow)
{
    if (account->refusal.load(std::memory_order_relaxed) != Refusal::None)
        return false;
    if (account->bytes.load(std::memory_order_relaxed) + more > account->bound) {
        account->refusal = Refusal::Bound;
        return false;
    }
    Current& t = t_current;
    t.grown += grow;
    if (t.grown < kLookBytes && grow < kLookBlock)
        return true;
    t.grown = 0;
    const qint64 now = processorNs();
    if (t.stretchPending) {
        t.stretchStart = now;
        t.stretchPending = false;
    } else if (t.stretchBounded && now - t.stretchStart > SqlHeap::StretchMs * 1'000'000) {
        account->refusal = Refusal::Stretch;
        return false;
    }
    return true;
}

void* heapMalloc(int n)
{
    if (n > INT_MAX - kTag)
        return nullptr;
    Account* account = t_current.account;
    if (account && !admit(account, n, n))
        return nullptr;
    auto* tag = static_cast<Tag*>(g_system.xMalloc(n + kTag));
    if (!tag)
        return nullptr;
    tag->owner = account;
    tag->size = n;
    if (account) {
        account->bytes.fetch_add(n, std::memory_order_relaxed);
        account->refs.fetch_add(1, std::memory_order_relaxed);
    }
    return tag + 1;
}

void heapFree(void* p)
{
    Tag* tag = static_cast<Tag*>(p) - 1;
    if (tag->owner)
        unCharge(tag->owner, tag->size);
    g_system.xFree(tag);
}

void* heapRealloc(void* p, int n)
{
    if (n > INT_MAX - kTag)
        return nullptr;
    Tag* tag = static_cast<Tag*>(p) - 1;
    Account* const old = tag->owner;
    const qint64 oldSize = tag->size;
    // A block grown for a charged statement is its from then on; outside a charge it stays where it was.
    Account* const charged = t_current.account;
    Account* const owner = charged ? charged : old;
    if (charged && !admit(charged, old == charged ? n - oldSize : n, n > oldSize ? n - oldSize : 0))
        return nullptr;
    auto* moved = static_cast<Tag*>(g_system.xRealloc(tag, n + kTag));
    if (!moved)
        return nullptr;
    if (owner == old) {
        if (owner)
            owner->bytes.fetch_add(n - oldSize, std::memory_order_relaxed);
    } else {
        owner->bytes.fetch_add(n, std::memory_order_relaxed);
        owner->refs.fetch_add(1, std::memory_order_relaxed);
        if (old)
            unCharge(old, oldSize);
    }
    moved->owner = owner;
    moved->size = n;
    return moved + 1;
}

int heapSize(void* p) { return int((static_cast<Tag*>(p) - 1)->size); }

int heapRoundup(int n) { return g_system.xRoundup(n); }

int heapInit(void*) { return g_system.xInit(g_system.pAppData); }

void heapShutdown(void*) { g_system.xShutdown(g_system.pAppData); }

} // namespace

bool SqlHeap::install()
{
    static const bool done = [] {
        sqlite3_mem_methods system{};
        if (sqlite3_config(SQLITE_CONFIG_GETMALLOC, &system) != SQLITE_OK)
            return false;
        g_system = system;
        static sqlite3_mem_methods wrapped = {heapMalloc,  heapFree, heapRealloc,  heapSize,
                                              heapRoundup, heapInit, heapShutdown, nullptr};
        if (sqlite3_config(SQLITE_CONFIG_MALLOC, &wrapped) != SQLITE_OK)
            return false;
        // After the allocator: registering a file system starts SQLite. Without it the heap is still bounded.
        SqlScratch::install();
        return true;
    }();
    g_installed = done;
    return done;
}

bool SqlHeap::installed() { return g_installed; }

void SqlHeap::setProcessorClock(ProcessorClock clock) { g_processorClock = clock ? clock : systemProcessorNs; }

Account* SqlHeap::open(qint64 bound, qint64 scratchBound)
{
    auto* account = new Account;
    account->bound = bound;
    account->scratchBound = scratchBound;
    return account;
}

void SqlHeap::hold(Account* account) { account->refs.fetch_add(1, std::memory_order_relaxed); }

Account* SqlHeap::charged() { return t_current.account; }

bool SqlHeap::chargeScratch(Account* account, qint64 bytes)
{
    if (account->scratch.load(std::memory_order_relaxed) + bytes > account->scratchBound) {
        account->refusal = Refusal::Scratch;
        return false;
    }
    account->scratch.fetch_add(bytes, std::memory_order_relaxed);
    const qint64 total = g_scratch.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    qint64 high = g_scratchHighwater.load(std::memory_order_relaxed);
    while (total > high && !g_scratchHighwater.compare_exchange_weak(high, total, std::memory_order_relaxed)) {
    }
    return true;
}

void SqlHeap::releaseScratch(Account* account, qint64 bytes)
{
    account->scratch.fetch_sub(bytes, std::memory_order_relaxed);
    g_scratch.fetch_sub(bytes, std::memory_order_relaxed);
}

qint64 SqlHeap::scratchHighwater(bool reset)
{
    const qint64 high = g_scratchHighwater.load(std::memory_order_relaxed);
    if (reset)
        g_scratchHighwater = g_scratch.load(std::memory_order_relaxed);
    return high;
}

void SqlHeap::release(Account* account)
{
    if (account && account->refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete account;
}

qint64 SqlHeap::held(const Account* account) { return account->bytes.load(std::memory_order_relaxed); }

SqlHeap::Refusal SqlHeap::refusal(const Account* account) { return account->refusal.load(); }

void SqlHeap::stop(Account* account) { account->refusal = Refusal::Stretch; }

SqlHeap::Charge::Charge(Account* account, Stretch stretch)
    : m_saved{t_current.account, t_current.grown, t_current.stretchStart, t_current.stretchPending,
              t_current.stretchBounded}
{
    t_current = Current{account, 0, 0, true, stretch == Stretch::Bounded};
    if (account)
        account->refusal = Refusal::None;
}

SqlHeap::Charge::~Charge()
{
    t_current =
        Current{m_saved.account, m_saved.grown, m_saved.stretchStart, m_saved.stretchPending, m_saved.stretchBounded};
}

SqlHeap::Pause::Pause() : m_account(t_current.account) { t_current.account = nullptr; }

SqlHeap::Pause::~Pause()
{
    t_current.account = m_account;
    look();
}

void SqlHeap::look()
{
    t_current.grown = 0;
    t_current.stretchPending = true;
}
