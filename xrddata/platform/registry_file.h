// One settings-store file on disk: the parsed content shared by every thread as an immutable snapshot, re-read
// only when the file changed, and changes made under a lock file with an atomic replace. Internal to the
// registry functions of registry.h.
//
// Reads take no lock: each thread keeps a reference to the snapshot it last used and compares a generation
// counter with the latest one published; the file itself is looked at with one stat per call (per read scope
// within a CRegistryReadScope). Writes lock <file>.lock (flock, so writers of every thread and process queue
// there), read the file afresh under the lock, apply the change, write a temporary file beside it, flush it and
// rename it over the old one, then publish the new content. A transaction of a thread keeps that lock from its
// first change (or from its start) to its end, so that several changes are one replace of the file.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

#include "xrddata/platform/registry_tree.h"

namespace regstore {

struct ThreadCache;

// What identifies one version of a file: device, inode, size and times.
struct Stamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};
    bool operator==(const Stamp& o) const;
};

// The content of a file as read at one moment; never changed once published.
struct Snapshot {
    Snapshot();
    std::uint64_t serial;  // unique to this snapshot in the process
    std::string path;      // as StoreFile::Path gave it
    Stamp stamp;
    Key tree;
};

class StoreFile {
public:
    // rootName is the root written in the sections ("HKEY_CURRENT_USER"); user selects the environment variable
    // and the default location; slot (0 or 1) is this object's place in the per-thread caches.
    StoreFile(const char* rootName, bool user, int slot);
    ~StoreFile();
    StoreFile(const StoreFile&) = delete;
    StoreFile& operator=(const StoreFile&) = delete;

    // The file's path now: the environment variable, else the default location; empty when there is none.
    std::string Path() const;

    // The content as the file now holds it (inside a locked transaction of this thread: as the transaction has
    // changed it so far). A missing, unreadable or unparsable file reads as an empty store; an unparsable one is
    // moved aside and reported on stderr once. The result stays valid for the calling thread until its next call
    // of Current. A nonzero scope names a read scope: within one scope the file is checked only once.
    const Key& Current(unsigned scope = 0);
    // What Current gives now, as a number: equal numbers mean the same content; 0 inside a transaction of this
    // thread that holds the lock (its content changes with every change).
    std::uint64_t Serial(unsigned scope = 0);

    // Runs change on the content read afresh under the lock (inside a transaction of this thread: on the
    // transaction's content). When change succeeds and reports a modification, the new content replaces the file
    // (at the end of the transaction). Returns change's result, or the error that stops the write; a change that
    // cannot be written is not applied.
    using Change_t = std::function<LONG(Key& root, bool& modified)>;
    LONG Change(const Change_t& change);

    // Transactions of the calling thread; they nest, the outermost one counts. With lockNow the lock is taken at
    // once, so that what the thread reads in the transaction is what its changes apply to; otherwise at the first
    // change. End writes the changes (commit) or drops them, and returns the first error of the transaction's
    // changes or of the write.
    void BeginTransaction(bool lockNow);
    LONG EndTransaction(bool commit);

    const char* RootName() const { return m_rootName; }

    // Files beyond this size are not read (and writes that would produce one are refused).
    static constexpr off_t kMaxFileSize = 64 << 20;

    struct Locked;

private:
    enum class ReadResult { missing, ok, unreadable, unparsable };

    ReadResult Read(const std::string& path, Key& root, Stamp& stamp, ParseError& error) const;
    void AddBaseKeys(Key& root) const;
    std::shared_ptr<const Snapshot> Load(const std::string& path);
    void Publish(std::shared_ptr<const Snapshot> snapshot);
    void Adopt(ThreadCache& cache);
    LONG Lock(Locked& l);
    LONG Write(Locked& l);
    LONG ApplyLocked(Locked& l, const Change_t& change);
    void PublishUnchanged(Locked& l);  // the content read under the lock, unchanged, as the current one
    // Moves a file that does not parse aside (the lock held) and reports it once; returns the new name or "".
    std::string MoveAside(const std::string& path, const Stamp& stamp, const ParseError& error,
                          std::string& failure);
    // Writes "the settings store <path> <what>" on stderr, once per version of a file (among the latest ones reported).
    void Report(const std::string& path, const Stamp& stamp, const std::string& what);
    // What reads give instead: the factory values (user) or nothing (machine).
    std::string Fallback() const;

    const char* m_rootName;
    bool m_user;
    int m_slot;

    // The latest snapshot any thread published; the mutex is held only to copy or replace the pointer, and only
    // by threads whose generation is behind.
    std::mutex m_publish;
    std::shared_ptr<const Snapshot> m_latest;
    std::atomic<std::uint64_t> m_generation{1};

    std::mutex m_reportLock;
    static constexpr size_t kReportsKept = 16;
    std::vector<std::pair<std::string, Stamp>> m_reported;  // the versions reported, at most kReportsKept
};

}  // namespace regstore
