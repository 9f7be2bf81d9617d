#include "db/ReadOnlyVfs.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace db::vfs {

namespace {

// Written regions are kept in blocks of this size, copied from the real file on first write.
constexpr sqlite3_int64 kBlock = 4096;

thread_local Session *current = nullptr;

} // namespace

// One file name as SQLite sees it during a session: the real file, if there is one, seen
// through what SQLite wrote over it.
struct Shadow
{
    int fd = -1;
    int openError = 0; // why the real file could not be opened, when it exists
    bool regular = true;
    bool exists = false;
    sqlite3_int64 size = 0; // as SQLite sees it
    sqlite3_int64 realLimit = 0; // bytes below this not written over come from the real file
    std::map<sqlite3_int64, std::unique_ptr<char[]>> blocks;

    Shadow() = default;
    Shadow(const Shadow &) = delete;
    Shadow &operator=(const Shadow &) = delete;
    ~Shadow() { closeReal(); }

    void closeReal()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    void probe(const std::string &path)
    {
        // Non-blocking, so that a FIFO in the file's place never stalls the open.
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            exists = errno != ENOENT && errno != ENOTDIR;
            openError = exists ? errno : 0;
            return;
        }
        struct stat st;
        if (::fstat(fd, &st) != 0) {
            openError = errno;
            exists = true;
            closeReal();
            return;
        }
        exists = true;
        regular = S_ISREG(st.st_mode);
        if (!regular) {
            closeReal();
            return;
        }
        size = realLimit = st.st_size;
    }

    void remove()
    {
        closeReal();
        blocks.clear();
        exists = false;
        openError = 0;
        regular = true;
        size = realLimit = 0;
    }

    // Bytes [offset, offset + length) of what lies under the written blocks.
    int readReal(char *out, sqlite3_int64 length, sqlite3_int64 offset) const
    {
        sqlite3_int64 fromFile = std::clamp<sqlite3_int64>(realLimit - offset, 0, length);
        sqlite3_int64 done = 0;
        while (done < fromFile && fd >= 0) {
            const ssize_t n = ::pread(fd, out + done, size_t(fromFile - done), offset + done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return SQLITE_IOERR_READ;
            }
            if (n == 0)
                break; // the file shrank under us: what is gone reads as zeros
            done += n;
        }
        std::memset(out + done, 0, size_t(length - done));
        return SQLITE_OK;
    }

    int read(char *out, sqlite3_int64 length, sqlite3_int64 offset) const
    {
        const sqlite3_int64 available = std::clamp<sqlite3_int64>(size - offset, 0, length);
        std::memset(out + available, 0, size_t(length - available));
        if (blocks.empty()) {
            if (const int rc = readReal(out, available, offset); rc != SQLITE_OK)
                return rc;
        } else {
            for (sqlite3_int64 at = offset, end = offset + available; at < end;) {
                const sqlite3_int64 index = at / kBlock;
                const sqlite3_int64 within = at % kBlock;
                const sqlite3_int64 chunk = std::min(end - at, kBlock - within);
                if (const auto found = blocks.find(index); found != blocks.end()) {
                    std::memcpy(out + (at - offset), found->second.get() + within, size_t(chunk));
                } else if (const int rc = readReal(out + (at - offset), chunk, at);
                           rc != SQLITE_OK) {
                    return rc;
                }
                at += chunk;
            }
        }
        return available < length ? SQLITE_IOERR_SHORT_READ : SQLITE_OK;
    }

    int write(const char *data, sqlite3_int64 length, sqlite3_int64 offset)
    {
        for (sqlite3_int64 at = offset, end = offset + length; at < end;) {
            const sqlite3_int64 index = at / kBlock;
            const sqlite3_int64 within = at % kBlock;
            const sqlite3_int64 chunk = std::min(end - at, kBlock - within);
            auto &block = blocks[index];
            if (!block) {
                block.reset(new (std::nothrow) char[kBlock]);
                if (!block) {
                    blocks.erase(index);
                    return SQLITE_NOMEM;
                }
                if (const int rc = readReal(block.get(), kBlock, index * kBlock); rc != SQLITE_OK)
                    return rc;
            }
            std::memcpy(block.get() + within, data + (at - offset), size_t(chunk));
            at += chunk;
        }
        size = std::max(size, offset + length);
        return SQLITE_OK;
    }

    void truncate(sqlite3_int64 length)
    {
        if (length < size) {
            realLimit = std::min(realLimit, length);
            blocks.erase(blocks.lower_bound((length + kBlock - 1) / kBlock), blocks.end());
            if (const auto last = blocks.find(length / kBlock); last != blocks.end())
                std::memset(last->second.get() + length % kBlock, 0,
                            size_t(kBlock - length % kBlock));
        }
        size = length;
    }
};

namespace {

struct File
{
    sqlite3_file base;
    Shadow *shadow;
    Shadow *owned; // a nameless temporary file belongs to its handle
    Session *session;
    char *deleteOnClose; // the name, for SQLITE_OPEN_DELETEONCLOSE
    bool mainDb;
    int lock;
};

Shadow &shadowOf(sqlite3_file *file)
{
    return *reinterpret_cast<File *>(file)->shadow;
}

int fileUnlock(sqlite3_file *file, int level);

int fileClose(sqlite3_file *file)
{
    auto *f = reinterpret_cast<File *>(file);
    fileUnlock(file, SQLITE_LOCK_NONE);
    if (f->deleteOnClose) {
        f->shadow->remove();
        sqlite3_free(f->deleteOnClose);
    }
    delete f->owned;
    f->shadow = f->owned = nullptr;
    f->deleteOnClose = nullptr;
    return SQLITE_OK;
}

int fileRead(sqlite3_file *file, void *out, int amount, sqlite3_int64 offset)
{
    return shadowOf(file).read(static_cast<char *>(out), amount, offset);
}

int fileWrite(sqlite3_file *file, const void *data, int amount, sqlite3_int64 offset)
{
    return shadowOf(file).write(static_cast<const char *>(data), amount, offset);
}

int fileTruncate(sqlite3_file *file, sqlite3_int64 size)
{
    shadowOf(file).truncate(size);
    return SQLITE_OK;
}

int fileSync(sqlite3_file *, int)
{
    return SQLITE_OK;
}

int fileSize(sqlite3_file *file, sqlite3_int64 *size)
{
    *size = shadowOf(file).size;
    return SQLITE_OK;
}

// Byte ranges of SQLite's locks on a database file (see its os.h).
constexpr off_t kPendingByte = 0x40000000;
constexpr off_t kReservedByte = kPendingByte + 1;
constexpr off_t kSharedFirst = kPendingByte + 2;
constexpr off_t kSharedSize = 510;

// F_SETLK of one range; true when granted, or when the file system keeps no locks.
bool setLock(int fd, short type, off_t start, off_t length, bool *busy)
{
    struct flock lock
    {
    };
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    if (::fcntl(fd, F_SETLK, &lock) == 0)
        return true;
    *busy = errno == EAGAIN || errno == EACCES;
    return !*busy;
}

// A read lock, as any SQLite reader takes, keeps a writer in rollback mode from changing the
// database file while it is read. Every stronger lock is this session's own business: its
// writes never reach the file.
int fileLock(sqlite3_file *file, int level)
{
    auto *f = reinterpret_cast<File *>(file);
    if (level >= SQLITE_LOCK_SHARED && f->lock < SQLITE_LOCK_SHARED && f->mainDb
        && f->shadow->fd >= 0) {
        const int fd = f->shadow->fd;
        bool busy = false;
        if (!setLock(fd, F_RDLCK, kPendingByte, 1, &busy))
            return SQLITE_BUSY;
        const bool shared = setLock(fd, F_RDLCK, kSharedFirst, kSharedSize, &busy);
        setLock(fd, F_UNLCK, kPendingByte, 1, &busy);
        if (!shared)
            return SQLITE_BUSY;
    }
    f->lock = std::max(f->lock, level);
    return SQLITE_OK;
}

int fileUnlock(sqlite3_file *file, int level)
{
    auto *f = reinterpret_cast<File *>(file);
    if (level < SQLITE_LOCK_SHARED && f->lock >= SQLITE_LOCK_SHARED && f->mainDb
        && f->shadow->fd >= 0) {
        bool busy = false;
        setLock(f->shadow->fd, F_UNLCK, kSharedFirst, kSharedSize, &busy);
    }
    f->lock = std::min(f->lock, level);
    return SQLITE_OK;
}

// A writer at work holds the reserved lock: its journal is then not hot.
int fileCheckReservedLock(sqlite3_file *file, int *reserved)
{
    auto *f = reinterpret_cast<File *>(file);
    *reserved = 0;
    if (f->mainDb && f->shadow->fd >= 0) {
        struct flock lock
        {
        };
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = kReservedByte;
        lock.l_len = 1;
        if (::fcntl(f->shadow->fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK)
            *reserved = 1;
    }
    return SQLITE_OK;
}

int fileControl(sqlite3_file *, int, void *)
{
    return SQLITE_NOTFOUND;
}

int fileSectorSize(sqlite3_file *)
{
    return 4096;
}

int fileDeviceCharacteristics(sqlite3_file *)
{
    return SQLITE_IOCAP_POWERSAFE_OVERWRITE;
}

// Version 1: no shared memory. Connections run in exclusive locking mode, so a WAL index is
// built in heap memory and no -shm file is ever looked for.
const sqlite3_io_methods kMethods = {
    1,
    fileClose,
    fileRead,
    fileWrite,
    fileTruncate,
    fileSync,
    fileSize,
    fileLock,
    fileUnlock,
    fileCheckReservedLock,
    fileControl,
    fileSectorSize,
    fileDeviceCharacteristics,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

sqlite3_vfs *base()
{
    static sqlite3_vfs *const unix = sqlite3_vfs_find(nullptr);
    return unix;
}

int vfsOpen(sqlite3_vfs *, const char *name, sqlite3_file *file, int flags, int *outFlags)
{
    auto *f = reinterpret_cast<File *>(file);
    *f = File{};
    Session *session = current;
    if (!session)
        return SQLITE_CANTOPEN;
    Shadow *shadow = nullptr;
    if (!name) {
        f->owned = new (std::nothrow) Shadow;
        if (!f->owned)
            return SQLITE_NOMEM;
        f->owned->exists = true;
        shadow = f->owned;
    } else {
        shadow = session->shadow(name, true);
        if (!shadow)
            return SQLITE_NOMEM;
        if (shadow->exists && (shadow->openError || !shadow->regular))
            return SQLITE_CANTOPEN;
        if (!shadow->exists) {
            if (!(flags & SQLITE_OPEN_CREATE))
                return SQLITE_CANTOPEN;
            shadow->exists = true;
        }
        f->mainDb = flags & SQLITE_OPEN_MAIN_DB;
        if (f->mainDb && shadow->fd >= 0) {
            struct stat st;
            if (::fstat(shadow->fd, &st) == 0)
                session->setDatabase(st);
        }
        if (flags & SQLITE_OPEN_DELETEONCLOSE) {
            f->deleteOnClose = sqlite3_mprintf("%s", name);
            if (!f->deleteOnClose)
                return SQLITE_NOMEM;
        }
    }
    f->shadow = shadow;
    f->session = session;
    f->base.pMethods = &kMethods;
    if (outFlags)
        *outFlags = flags & ~SQLITE_OPEN_READONLY;
    return SQLITE_OK;
}

int vfsDelete(sqlite3_vfs *, const char *name, int)
{
    if (Session *session = current) {
        if (Shadow *shadow = session->shadow(name, true))
            shadow->remove();
    }
    return SQLITE_OK;
}

int vfsAccess(sqlite3_vfs *, const char *name, int flags, int *result)
{
    *result = 0;
    Session *session = current;
    if (!session)
        return SQLITE_OK;
    const Shadow *shadow = session->shadow(name, true);
    if (!shadow)
        return SQLITE_IOERR_NOMEM;
    // As the unix VFS answers: an empty regular file does not exist.
    if (flags == SQLITE_ACCESS_EXISTS)
        *result = shadow->exists && (!shadow->regular || shadow->size > 0);
    else
        *result = shadow->exists;
    return SQLITE_OK;
}

int vfsFullPathname(sqlite3_vfs *, const char *name, int size, char *out)
{
    return base()->xFullPathname(base(), name, size, out);
}

void *vfsDlOpen(sqlite3_vfs *, const char *)
{
    return nullptr;
}

void vfsDlError(sqlite3_vfs *, int size, char *out)
{
    sqlite3_snprintf(size, out, "extensions are not loaded");
}

void (*vfsDlSym(sqlite3_vfs *, void *, const char *))(void)
{
    return nullptr;
}

void vfsDlClose(sqlite3_vfs *, void *) { }

int vfsRandomness(sqlite3_vfs *, int size, char *out)
{
    return base()->xRandomness(base(), size, out);
}

int vfsSleep(sqlite3_vfs *, int microseconds)
{
    return base()->xSleep(base(), microseconds);
}

int vfsCurrentTime(sqlite3_vfs *, double *now)
{
    return base()->xCurrentTime(base(), now);
}

int vfsGetLastError(sqlite3_vfs *, int size, char *out)
{
    return base()->xGetLastError ? base()->xGetLastError(base(), size, out) : 0;
}

int vfsCurrentTimeInt64(sqlite3_vfs *, sqlite3_int64 *now)
{
    return base()->xCurrentTimeInt64(base(), now);
}

sqlite3_vfs *registered()
{
    static sqlite3_vfs vfs = {
        2,
        int(sizeof(File)),
        base()->mxPathname,
        nullptr,
        "orlaneva-readonly",
        nullptr,
        vfsOpen,
        vfsDelete,
        vfsAccess,
        vfsFullPathname,
        vfsDlOpen,
        vfsDlError,
        vfsDlSym,
        vfsDlClose,
        vfsRandomness,
        vfsSleep,
        vfsCurrentTime,
        vfsGetLastError,
        vfsCurrentTimeInt64,
        nullptr,
        nullptr,
        nullptr,
    };
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_vfs_register(&vfs, 0); });
    return &vfs;
}

} // namespace

Session::Session() : m_previous(current)
{
    registered();
    current = this;
}

Session::~Session()
{
    current = m_previous;
}

const char *Session::vfsName()
{
    return registered()->zName;
}

bool Session::databaseStat(struct stat *out) const
{
    if (m_haveDatabase)
        *out = m_database;
    return m_haveDatabase;
}

Shadow *Session::shadow(const std::string &path, bool create)
{
    if (const auto found = m_files.find(path); found != m_files.end())
        return found->second.get();
    if (!create)
        return nullptr;
    auto shadow = std::make_unique<Shadow>();
    shadow->probe(path);
    return m_files.emplace(path, std::move(shadow)).first->second.get();
}

void Session::setDatabase(const struct stat &st)
{
    m_database = st;
    m_haveDatabase = true;
}

} // namespace db::vfs
