#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace voltmere::test {

// Stands in for a full disk where a test cannot mount a small file system:
// while installed it is SQLite's default file layer, passing everything to
// the real one except that, while `full` is set, every write fails as a full
// disk does (SQLITE_FULL). Connections opened before or after it are
// unaffected; one opened while it is installed writes normally once it is gone.
// `setMainFileFull` fails only the writes to a database file itself, not to
// its log: a commit then works and folding the log in (or a vacuum) fails.
// `setUnreadable` fails every read as a failing disk does (SQLITE_IOERR_READ).
class FailingDisk {
public:
    FailingDisk()
    {
        s_real = sqlite3_vfs_find(nullptr);
        s_vfs = *s_real;
        s_vfs.zName = "failing-disk";
        s_vfs.szOsFile = static_cast<int>(sizeof(File)) + s_real->szOsFile;
        s_vfs.xOpen = &FailingDisk::open;
        sqlite3_vfs_register(&s_vfs, 1);
    }
    ~FailingDisk()
    {
        s_full = false;
        s_mainFull = false;
        s_unreadable = false;
        sqlite3_vfs_unregister(&s_vfs);
        sqlite3_vfs_register(s_real, 1);
    }
    FailingDisk(const FailingDisk &) = delete;
    FailingDisk &operator=(const FailingDisk &) = delete;

    void setFull(bool full) { s_full = full; }
    void setMainFileFull(bool full) { s_mainFull = full; }
    void setUnreadable(bool unreadable) { s_unreadable = unreadable; }

private:
    struct File {
        sqlite3_file base;
        sqlite3_file *real;
        int flags;
    };

    static sqlite3_file *real(sqlite3_file *file) { return reinterpret_cast<File *>(file)->real; }

    static int open(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
    {
        auto *wrapper = reinterpret_cast<File *>(file);
        wrapper->real = reinterpret_cast<sqlite3_file *>(wrapper + 1);
        wrapper->flags = flags;
        const int result = s_real->xOpen(s_real, name, wrapper->real, flags, outFlags);
        if (result != SQLITE_OK || !wrapper->real->pMethods) {
            file->pMethods = nullptr;
            return result;
        }
        s_methods = *wrapper->real->pMethods;
        s_methods.xWrite = [](sqlite3_file *f, const void *data, int amount, sqlite3_int64 offset) {
            const bool mainFile = (reinterpret_cast<File *>(f)->flags & SQLITE_OPEN_MAIN_DB) != 0;
            return s_full || (s_mainFull && mainFile) ? SQLITE_FULL
                                                      : real(f)->pMethods->xWrite(real(f), data, amount, offset);
        };
        s_methods.xClose = [](sqlite3_file *f) { return real(f)->pMethods->xClose(real(f)); };
        s_methods.xRead = [](sqlite3_file *f, void *data, int amount, sqlite3_int64 offset) {
            return s_unreadable ? SQLITE_IOERR_READ : real(f)->pMethods->xRead(real(f), data, amount, offset);
        };
        s_methods.xTruncate
            = [](sqlite3_file *f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); };
        s_methods.xSync = [](sqlite3_file *f, int flags) { return real(f)->pMethods->xSync(real(f), flags); };
        s_methods.xFileSize
            = [](sqlite3_file *f, sqlite3_int64 *size) { return real(f)->pMethods->xFileSize(real(f), size); };
        s_methods.xLock = [](sqlite3_file *f, int level) { return real(f)->pMethods->xLock(real(f), level); };
        s_methods.xUnlock = [](sqlite3_file *f, int level) { return real(f)->pMethods->xUnlock(real(f), level); };
        s_methods.xCheckReservedLock
            = [](sqlite3_file *f, int *out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); };
        s_methods.xFileControl
            = [](sqlite3_file *f, int op, void *arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); };
        s_methods.xSectorSize = [](sqlite3_file *f) { return real(f)->pMethods->xSectorSize(real(f)); };
        s_methods.xDeviceCharacteristics
            = [](sqlite3_file *f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); };
        s_methods.xShmMap = [](sqlite3_file *f, int page, int size, int extend, void volatile **out) {
            return real(f)->pMethods->xShmMap(real(f), page, size, extend, out);
        };
        s_methods.xShmLock = [](sqlite3_file *f, int offset, int n, int flags) {
            return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
        };
        s_methods.xShmBarrier = [](sqlite3_file *f) { real(f)->pMethods->xShmBarrier(real(f)); };
        s_methods.xShmUnmap = [](sqlite3_file *f, int remove) { return real(f)->pMethods->xShmUnmap(real(f), remove); };
        s_methods.xFetch = [](sqlite3_file *f, sqlite3_int64 offset, int amount, void **out) {
            return real(f)->pMethods->xFetch(real(f), offset, amount, out);
        };
        s_methods.xUnfetch = [](sqlite3_file *f, sqlite3_int64 offset, void *p) {
            return real(f)->pMethods->xUnfetch(real(f), offset, p);
        };
        file->pMethods = &s_methods;
        return SQLITE_OK;
    }

    // Static, like the methods: a connection opened through it may outlive
    // this object, and keeps using both until it closes.
    static inline sqlite3_vfs s_vfs {};
    static inline sqlite3_vfs *s_real = nullptr;
    static inline sqlite3_io_methods s_methods {};
    static inline std::atomic<bool> s_full = false;
    static inline std::atomic<bool> s_mainFull = false;
    static inline std::atomic<bool> s_unreadable = false;
};

} // namespace voltmere::test
