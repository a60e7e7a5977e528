#include "platform/SqlScratch.h"

#include "platform/SqlHeap.h"

#include <sqlite3.h>

#include <QtGlobal>

#include <sys/stat.h>

namespace {

sqlite3_vfs* g_system = nullptr;
sqlite3_vfs g_scratch{};

// A charged temporary file: this header, then the system's own file.
struct ScratchFile {
    sqlite3_file base;
    SqlHeap::Account* account;
    qint64 charged; // the file's size as charged: the end of its furthest write
};
constexpr int kHeader = int((sizeof(ScratchFile) + 7) / 8 * 8);

ScratchFile* scratch(sqlite3_file* file) { return reinterpret_cast<ScratchFile*>(file); }

sqlite3_file* inner(sqlite3_file* file)
{
    return reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + kHeader);
}

const sqlite3_io_methods* methods(sqlite3_file* file) { return inner(file)->pMethods; }

int scratchClose(sqlite3_file* file)
{
    const int rc = methods(file)->xClose(inner(file));
    ScratchFile* f = scratch(file);
    SqlHeap::releaseScratch(f->account, f->charged);
    SqlHeap::release(f->account);
    f->account = nullptr;
    return rc;
}

int scratchRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
{
    return methods(file)->xRead(inner(file), buffer, amount, offset);
}

int scratchWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset)
{
    ScratchFile* f = scratch(file);
    const qint64 end = qint64(offset) + amount;
    if (end > f->charged) {
        if (!SqlHeap::chargeScratch(f->account, end - f->charged))
            return SQLITE_FULL;
        f->charged = end;
    }
    return methods(file)->xWrite(inner(file), buffer, amount, offset);
}

int scratchTruncate(sqlite3_file* file, sqlite3_int64 size)
{
    ScratchFile* f = scratch(file);
    const int rc = methods(file)->xTruncate(inner(file), size);
    if (rc == SQLITE_OK && size < f->charged) {
        SqlHeap::releaseScratch(f->account, f->charged - size);
        f->charged = size;
    }
    return rc;
}

int scratchSync(sqlite3_file* file, int flags) { return methods(file)->xSync(inner(file), flags); }

int scratchFileSize(sqlite3_file* file, sqlite3_int64* size) { return methods(file)->xFileSize(inner(file), size); }

int scratchLock(sqlite3_file* file, int level) { return methods(file)->xLock(inner(file), level); }

int scratchUnlock(sqlite3_file* file, int level) { return methods(file)->xUnlock(inner(file), level); }

int scratchCheckReservedLock(sqlite3_file* file, int* out)
{
    return methods(file)->xCheckReservedLock(inner(file), out);
}

int scratchFileControl(sqlite3_file* file, int op, void* arg)
{
    return methods(file)->xFileControl(inner(file), op, arg);
}

int scratchSectorSize(sqlite3_file* file) { return methods(file)->xSectorSize(inner(file)); }

int scratchDeviceCharacteristics(sqlite3_file* file) { return methods(file)->xDeviceCharacteristics(inner(file)); }

// A temporary file never shares memory with another connection; a file it maps is still its own size.
int scratchShmMap(sqlite3_file* file, int page, int pageSize, int extend, void volatile** out)
{
    return methods(file)->iVersion >= 2 ? methods(file)->xShmMap(inner(file), page, pageSize, extend, out)
                                        : SQLITE_IOERR_SHMMAP;
}

int scratchShmLock(sqlite3_file* file, int offset, int n, int flags)
{
    return methods(file)->iVersion >= 2 ? methods(file)->xShmLock(inner(file), offset, n, flags) : SQLITE_IOERR_SHMLOCK;
}

void scratchShmBarrier(sqlite3_file* file)
{
    if (methods(file)->iVersion >= 2)
        methods(file)->xShmBarrier(inner(file));
}

int scratchShmUnmap(sqlite3_file* file, int deleteFlag)
{
    return methods(file)->iVersion >= 2 ? methods(file)->xShmUnmap(inner(file), deleteFlag) : SQLITE_OK;
}

int scratchFetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** out)
{
    if (methods(file)->iVersion >= 3)
        return methods(file)->xFetch(inner(file), offset, amount, out);
    *out = nullptr;
    return SQLITE_OK;
}

int scratchUnfetch(sqlite3_file* file, sqlite3_int64 offset, void* p)
{
    return methods(file)->iVersion >= 3 ? methods(file)->xUnfetch(inner(file), offset, p) : SQLITE_OK;
}

const sqlite3_io_methods kScratchMethods = {
    3,
    scratchClose,
    scratchRead,
    scratchWrite,
    scratchTruncate,
    scratchSync,
    scratchFileSize,
    scratchLock,
    scratchUnlock,
    scratchCheckReservedLock,
    scratchFileControl,
    scratchSectorSize,
    scratchDeviceCharacteristics,
    scratchShmMap,
    scratchShmLock,
    scratchShmBarrier,
    scratchShmUnmap,
    scratchFetch,
    scratchUnfetch,
};

constexpr int kTemporary =
    SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TEMP_JOURNAL | SQLITE_OPEN_SUBJOURNAL | SQLITE_OPEN_TRANSIENT_DB;

int scratchOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    if (name && !(flags & kTemporary)) {
        // A store or a file beside it (its journal, its write-ahead file) that is no plain file by now, though
        // it was when the store was opened: the system would wait on a named pipe for ever.
        struct stat st {};
        if (::stat(name, &st) == 0 && !S_ISREG(st.st_mode)) {
            file->pMethods = nullptr;
            return SQLITE_CANTOPEN;
        }
    }
    SqlHeap::Account* account = (flags & kTemporary) ? SqlHeap::charged() : nullptr;
    if (!account) {
        // Every other file is the system's own, in the room SQLite gave for this one.
        return g_system->xOpen(g_system, name, file, flags, outFlags);
    }
    ScratchFile* f = scratch(file);
    const int rc = g_system->xOpen(g_system, name, inner(file), flags, outFlags);
    if (rc != SQLITE_OK || !inner(file)->pMethods) {
        f->base.pMethods = nullptr;
        return rc == SQLITE_OK ? SQLITE_CANTOPEN : rc;
    }
    SqlHeap::hold(account);
    f->account = account;
    f->charged = 0;
    f->base.pMethods = &kScratchMethods;
    return SQLITE_OK;
}

} // namespace

bool SqlScratch::install()
{
    static const bool done = [] {
        g_system = sqlite3_vfs_find(nullptr);
        if (!g_system)
            return false;
        g_scratch = *g_system;
        g_scratch.pNext = nullptr;
        g_scratch.zName = "velquon-scratch";
        g_scratch.szOsFile = kHeader + g_system->szOsFile;
        g_scratch.xOpen = scratchOpen;
        return sqlite3_vfs_register(&g_scratch, 1) == SQLITE_OK;
    }();
    return done;
}
