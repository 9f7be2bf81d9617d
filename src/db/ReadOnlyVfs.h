#pragma once

#include <sys/stat.h>

#include <map>
#include <memory>
#include <string>

namespace db::vfs {

struct Shadow;

// SQLite opens a catalogue through this VFS as a writer would: it replays a hot journal, reads
// the WAL and builds its index, and may checkpoint or delete files. The real files are only
// ever opened read-only; whatever SQLite writes, truncates, creates or deletes lives in the
// session's memory and is gone with it. Files that are not regular files are refused.
//
// One session per source connection, alive on one thread while that connection is open; the
// VFS serves only the files of the session current on its thread.
class Session
{
public:
    Session();
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // The name to hand to sqlite3_open_v2.
    static const char *vfsName();

    // What the database file was when SQLite opened it (its identity); false before.
    bool databaseStat(struct stat *out) const;

    // Internal to the VFS.
    Shadow *shadow(const std::string &path, bool create);
    void setDatabase(const struct stat &st);

private:
    std::map<std::string, std::unique_ptr<Shadow>> m_files;
    struct stat m_database
    {
    };
    bool m_haveDatabase = false;
    Session *m_previous;
};

} // namespace db::vfs
