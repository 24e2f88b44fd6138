// One settings-store file on disk: the parsed content kept between calls and re-read only when the file changed,
// and changes made under a lock file with an atomic replace. Internal to the registry functions of registry.h;
// callers serialise their use of one object.
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

#include "xrddata/platform/registry_tree.h"

namespace regstore {

class StoreFile {
public:
    // rootName is the root written in the sections ("HKEY_CURRENT_USER"); user selects the environment variable
    // and the default location.
    StoreFile(const char* rootName, bool user);

    // The file's path now: the environment variable, else the default location; empty when there is none.
    std::string Path() const;

    // The content as the file now holds it. A missing, unreadable or unparsable file reads as an empty store.
    // The result stays valid until the next call of Current or Change. A nonzero scope names a read scope: within
    // one scope the file is checked for changes only once.
    const Key& Current(unsigned scope = 0);

    // Runs change on the content read afresh under the lock. When change succeeds and reports a modification, the
    // new content replaces the file. Returns change's result, or the error that stopped the write.
    using Change_t = std::function<LONG(Key& root, bool& modified)>;
    LONG Change(const Change_t& change);

    const char* RootName() const { return m_rootName; }

    // Files beyond this size are not read (and writes that would produce one are refused).
    static constexpr off_t kMaxFileSize = 64 << 20;

private:
    struct Stamp {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        timespec mtime{};
        timespec ctime{};
        bool operator==(const Stamp& o) const;
    };
    static Stamp StampOf(const struct stat& st);
    enum class ReadResult { missing, ok, unreadable, unparsable };

    ReadResult Read(const std::string& path, Key& root, Stamp& stamp) const;
    void AddBaseKeys(Key& root) const;

    const char* m_rootName;
    bool m_user;
    bool m_cached = false;
    unsigned m_checkedScope = 0;  // the read scope in which the file was last checked
    std::string m_cachedPath;
    Stamp m_stamp;
    std::unique_ptr<Key> m_tree;
};

}  // namespace regstore
