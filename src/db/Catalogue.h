#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

#include <atomic>
#include <memory>

struct sqlite3;

namespace db {

// The catalogue file as the engine queries it: an in-memory snapshot with the text rules
// installed, table Ficha's text columns in the Spanish collation and an index that serves
// `order by Titulo`. This is the one way in for both formats: it checks the file (a plain,
// readable file of a format the layer knows), reads it as its own engine would (for SQLite,
// the committed state, whatever a writer left behind) and never writes. An unchanged file is
// read once; later opens share the snapshot. Handles are for one thread at a time, as the
// program has only one.
class Catalogue
{
public:
    // What the file is, as far as a change to it can be seen without reading it: which file,
    // its size and times, and for SQLite the header's change counters and the state of its
    // WAL and rollback journal.
    struct Identity
    {
        struct Stamp
        {
            bool exists = false;
            dev_t device = 0;
            ino_t inode = 0;
            off_t size = 0;
            timespec modified{};
            timespec changed{};
            bool operator==(const Stamp &o) const;
        };
        Stamp file;
        QByteArray counters;
        Stamp wal;
        QByteArray walHeader;
        Stamp journal;
        bool operator==(const Identity &o) const = default;
    };

    // Throws orlaneva::Error naming the file (numbers and texts in db/Errors.h).
    static std::shared_ptr<const Catalogue> open(const QString &nativePath);

    // The snapshot a connection that follows the file last read from, for connections that
    // must see what that reading listed (see Connection::readAsListed).
    static void setListed(const std::shared_ptr<const Catalogue> &catalogue);
    static std::shared_ptr<const Catalogue> listed(const QString &nativePath);

    // readAt: when the file was probed, before it was read.
    Catalogue(QString path, Identity identity, timespec readAt, std::shared_ptr<sqlite3> handle);

    sqlite3 *handle() const { return m_handle.get(); }
    const std::shared_ptr<sqlite3> &sharedHandle() const { return m_handle; }
    const QString &path() const { return m_path; }
    // Whether the file is still the one this snapshot was read from.
    bool isCurrent() const;

private:
    QString m_path;
    Identity m_identity;
    // Seconds: when the file was last found to be what was read (see isCurrent).
    mutable std::atomic<qint64> m_verifiedAt;
    std::shared_ptr<sqlite3> m_handle;
};

// The snapshot's handle, as Catalogue::open gives it.
std::shared_ptr<sqlite3> openCatalogue(const QString &nativePath);

// Adds the title-order index to a snapshot's table Ficha if it lacks one. Idempotent; a
// handle it cannot index (read-only, no such table) is left as it is.
void indexForSearch(sqlite3 *handle);

} // namespace db
