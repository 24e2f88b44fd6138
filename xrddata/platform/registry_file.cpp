#include "xrddata/platform/registry_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "xrddata/platform/registry.h"

namespace regstore {

namespace {

// Closes a descriptor on every way out.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

const char* Env(const char* name) {
    const char* v = std::getenv(name);
    return (v && *v) ? v : nullptr;
}

LONG ErrorFromErrno(int err) {
    switch (err) {
        case EACCES: case EPERM: case EROFS: case EISDIR: case ENOTDIR: return ERROR_ACCESS_DENIED;
        default: return ERROR_CANTWRITE;
    }
}

std::string Folder(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Creates the folder and every missing folder above it.
bool MakeFolders(const std::string& dir, mode_t mode) {
    struct stat st;
    if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (errno != ENOENT) return false;
    std::string parent = Folder(dir);
    if (parent != dir && !MakeFolders(parent, mode)) return false;
    return ::mkdir(dir.c_str(), mode) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// A name beside the file for a copy that did not parse: <file>.bad-<UTC time>[-n], not yet taken.
std::string BackupName(const std::string& path) {
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &tm);
    std::string base = path + ".bad-" + stamp;
    std::string name = base;
    struct stat st;
    for (int n = 1; ::lstat(name.c_str(), &st) == 0; ++n) name = base + "-" + std::to_string(n);
    return name;
}

// The file a change replaces: a symbolic link is followed, so that the link stays in place.
std::string ResolveTarget(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string out = real;
    std::free(real);
    return out;
}

}  // namespace


// What one thread last used of one file: the snapshot (kept alive by this reference), the generation it was
// published under and the read scope in which the file was last checked.
struct ThreadCache {
    std::shared_ptr<const Snapshot> snapshot;
    std::uint64_t generation = 0;
    unsigned scope = 0;
};

// The lock of a change or a transaction and the content read under it.
struct StoreFile::Locked {
    Fd lock{-1};
    std::string shown;  // the path as Path() gives it
    std::string path;   // the file replaced (a symbolic link followed)
    std::string dir;
    std::unique_ptr<Key> tree;
    Stamp stamp;
    LONG writable = ERROR_SUCCESS;  // why the file cannot be replaced, when it cannot
    mode_t mode = 0644;
    bool modified = false;
};

namespace {

// A thread's transaction on one file.
struct ThreadTransaction {
    int depth = 0;
    LONG error = ERROR_SUCCESS;
    std::unique_ptr<StoreFile::Locked> locked;
};

thread_local ThreadCache t_cache[2];
thread_local ThreadTransaction t_transaction[2];

Stamp StampOf(const struct stat& st) {
    Stamp s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtime = st.st_mtim;
    s.ctime = st.st_ctim;
    return s;
}

// The file at path now, by stat (a missing path, or one that is not a regular file, has no stamp).
Stamp StampNow(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return StampOf(st);
    return Stamp();
}

// Text for one line of a message: control bytes as \xNN, at most 120 bytes.
std::string Printable(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size() && i < 120; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (s.size() > 120) out += "...";
    return out;
}

// "does not parse: line N (reason): text", or the reason alone when no line is known.
std::string ParseFailure(const ParseError& error) {
    std::string what = "does not parse: ";
    if (error.line)
        return what + "line " + std::to_string(error.line) + " (" + error.reason + "): " + Printable(error.text);
    return what + error.reason;
}

std::unique_ptr<Key> Clone(const Key& k) {
    auto c = std::make_unique<Key>();
    c->name = k.name;
    c->values = k.values;
    c->valueAt = k.valueAt;
    for (const auto& [name, child] : k.subkeys) c->subkeys.emplace(name, Clone(*child));
    return c;
}

}  // namespace

Snapshot::Snapshot() {
    static std::atomic<std::uint64_t> counter{0};
    serial = ++counter;
}

bool Stamp::operator==(const Stamp& o) const {
    if (exists != o.exists) return false;
    if (!exists) return true;
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
}

StoreFile::StoreFile(const char* rootName, bool user, int slot) : m_rootName(rootName), m_user(user), m_slot(slot) {}

StoreFile::~StoreFile() = default;

std::string StoreFile::Path() const {
    if (!m_user) {
        if (const char* p = Env("XRDDATA_SYSTEM_REGISTRY")) return p;
        return "/etc/xrddata/system.reg";
    }
    if (const char* p = Env("XRDDATA_USER_REGISTRY")) return p;
    // The base folder for configuration: an absolute XDG_CONFIG_HOME, else ~/.config.
    const char* xdg = Env("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/xrddata/user.reg";
    const char* home = Env("HOME");
    if (!home) {
        struct passwd* pw = ::getpwuid(::getuid());
        if (pw && pw->pw_dir && *pw->pw_dir) home = pw->pw_dir;
    }
    if (!home) return std::string();
    return std::string(home) + "/.config/xrddata/user.reg";
}

void StoreFile::AddBaseKeys(Key& root) const { root.Add("Software"); }

StoreFile::ReadResult StoreFile::Read(const std::string& path, Key& root, Stamp& stamp, ParseError& error) const {
    stamp = Stamp();
    error = ParseError();
    if (path.empty()) return ReadResult::missing;
    Fd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (f.fd < 0) {
        // A folder on the way that is a file means that the store cannot exist either.
        if (errno == ENOENT || errno == ENOTDIR) return ReadResult::missing;
        error.reason = std::strerror(errno);
        return ReadResult::unreadable;
    }
    struct stat st;
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error.reason = "not a regular file";
        return ReadResult::unreadable;
    }
    stamp = StampOf(st);
    if (st.st_size > kMaxFileSize) {
        error.reason = "larger than 64 MiB";
        return ReadResult::unparsable;
    }

    std::string text(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::read(f.fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error.reason = std::strerror(errno);
            return ReadResult::unreadable;
        }
        if (n == 0) break;  // shortened meanwhile: parse what is there
        done += static_cast<size_t>(n);
    }
    text.resize(done);
    return ParseRegText(text, m_rootName, root, &error) ? ReadResult::ok : ReadResult::unparsable;
}

std::string StoreFile::Fallback() const {
    return m_user ? "; the factory values are used" : "; it reads as empty";
}

void StoreFile::Report(const std::string& path, const Stamp& stamp, const std::string& what) {
    {
        std::lock_guard<std::mutex> guard(m_reportLock);
        for (const auto& [p, s] : m_reported)
            if (p == path && s == stamp) return;
        // Only the latest versions are remembered: a file moved aside is not met again, and one that stays (its
        // folder not writable) is met again soon; a process that meets many broken versions keeps no more.
        if (m_reported.size() >= kReportsKept) m_reported.erase(m_reported.begin());
        m_reported.emplace_back(path, stamp);
    }
    std::fprintf(stderr, "xrddata: warning: the settings store %s %s\n", Printable(path).c_str(), what.c_str());
}

std::string StoreFile::MoveAside(const std::string& path, const Stamp& stamp, const ParseError& error,
                                 std::string& failure) {
    std::string where;
    failure.clear();
    std::string backup = BackupName(path);
    if (::rename(path.c_str(), backup.c_str()) == 0)
        where = backup;
    else
        failure = std::strerror(errno);
    std::string what = ParseFailure(error);
    what += where.empty() ? "; it could not be moved aside (" + failure + ") and is not used"
                          : "; it was moved to " + Printable(where);
    what += Fallback();
    Report(path, stamp, what);
    return where;
}

std::shared_ptr<const Snapshot> StoreFile::Load(const std::string& path) {
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->path = path;
    ParseError error;
    ReadResult read = Read(path, snapshot->tree, snapshot->stamp, error);
    if (read == ReadResult::unreadable) {
        snapshot->tree = Key();
        Report(path, snapshot->stamp, "cannot be read (" + error.reason + ")" + Fallback());
    } else if (read == ReadResult::unparsable) {
        snapshot->tree = Key();
        // Under the lock, and only when the file is still the one read: a writer may have replaced it meanwhile.
        Locked l;
        if (Lock(l) != ERROR_SUCCESS) Report(path, snapshot->stamp, ParseFailure(error) + "; it is not used" + Fallback());
        // Lock moved it aside (and reported it) when it still did not parse; what is there now is current.
        if (l.tree) {
            snapshot->tree = std::move(*l.tree);
            snapshot->stamp = l.stamp;
        }
    }
    AddBaseKeys(snapshot->tree);
    return snapshot;
}

void StoreFile::Publish(std::shared_ptr<const Snapshot> snapshot) {
    ThreadCache& cache = t_cache[m_slot];
    std::shared_ptr<const Snapshot> previous;
    std::uint64_t g;
    {
        std::lock_guard<std::mutex> guard(m_publish);
        previous = std::exchange(m_latest, snapshot);
        g = m_generation.load(std::memory_order_relaxed) + 1;
        m_generation.store(g, std::memory_order_release);
    }
    // Older content is let go of outside the lock (the last reference frees a whole tree).
    previous = std::exchange(cache.snapshot, std::move(snapshot));
    cache.generation = g;
}

void StoreFile::Adopt(ThreadCache& cache) {
    std::shared_ptr<const Snapshot> latest;
    std::uint64_t g;
    {
        std::lock_guard<std::mutex> guard(m_publish);
        latest = m_latest;
        g = m_generation.load(std::memory_order_relaxed);
    }
    if (latest) std::swap(cache.snapshot, latest);
    cache.generation = g;
}

const Key& StoreFile::Current(unsigned scope) {
    ThreadTransaction& tx = t_transaction[m_slot];
    if (tx.locked) return *tx.locked->tree;

    ThreadCache& cache = t_cache[m_slot];
    std::string path = Path();
    // Within a read scope the content stays as first seen, but for the thread's own changes (Publish puts them
    // into its cache).
    if (scope != 0 && cache.scope == scope && cache.snapshot && cache.snapshot->path == path)
        return cache.snapshot->tree;
    if (cache.generation != m_generation.load(std::memory_order_acquire)) Adopt(cache);
    if (cache.snapshot && cache.snapshot->path == path) {
        Stamp now = StampNow(path);
        if (now == cache.snapshot->stamp) {
            cache.scope = scope;
            return cache.snapshot->tree;
        }
    }
    std::shared_ptr<const Snapshot> fresh = Load(path);
    Publish(fresh);
    cache.scope = scope;
    return cache.snapshot->tree;
}

std::uint64_t StoreFile::Serial(unsigned scope) {
    Current(scope);
    if (t_transaction[m_slot].locked) return 0;
    return t_cache[m_slot].snapshot->serial;
}

LONG StoreFile::Lock(Locked& l) {
    l.shown = Path();
    if (l.shown.empty()) return ERROR_ACCESS_DENIED;
    l.path = ResolveTarget(l.shown);
    l.dir = Folder(l.path);
    if (!MakeFolders(l.dir, m_user ? 0700 : 0755)) return ErrorFromErrno(errno);

    // Writers of every thread and process take this lock and read the file under it, so none loses another's
    // changes.
    l.lock.fd = ::open((l.path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (l.lock.fd < 0) return ErrorFromErrno(errno);
    while (::flock(l.lock.fd, LOCK_EX) != 0)
        if (errno != EINTR) return ERROR_CANTWRITE;

    l.tree = std::make_unique<Key>();
    ParseError error;
    ReadResult read = Read(l.path, *l.tree, l.stamp, error);
    if (read == ReadResult::unreadable) {
        l.tree.reset();
        return ERROR_ACCESS_DENIED;
    }
    if (read == ReadResult::unparsable) {
        // A file that does not parse is kept under another name, never overwritten.
        l.tree = std::make_unique<Key>();
        std::string failure;
        if (MoveAside(l.path, l.stamp, error, failure).empty()) {
            l.tree.reset();
            return ERROR_ACCESS_DENIED;
        }
        l.stamp = Stamp();
    }
    AddBaseKeys(*l.tree);

    // A file made read-only is left alone, also for a user whom the permissions would not stop.
    struct stat st;
    if (l.stamp.exists && ::stat(l.path.c_str(), &st) == 0) {
        if ((st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, l.path.c_str(), W_OK, AT_EACCESS) != 0)
            l.writable = ERROR_ACCESS_DENIED;
        l.mode = st.st_mode & 07777;
    }
    return ERROR_SUCCESS;
}

LONG StoreFile::Write(Locked& l) {
    std::string text = FormatRegText(*l.tree, m_rootName);
    if (text.size() > static_cast<size_t>(kMaxFileSize)) return ERROR_CANTWRITE;

    size_t slash = l.path.find_last_of('/');
    std::string base = slash == std::string::npos ? l.path : l.path.substr(slash + 1);
    std::string tmp = (l.dir == "/" ? std::string() : l.dir) + "/." + base + ".XXXXXX";
    int tfd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (tfd < 0) return ErrorFromErrno(errno);
    {
        Fd t(tfd);
        if (!WriteAll(t.fd, text) || ::fchmod(t.fd, l.mode) != 0 || ::fsync(t.fd) != 0) {
            int err = errno;
            ::unlink(tmp.c_str());
            return ErrorFromErrno(err);
        }
    }
    if (::rename(tmp.c_str(), l.path.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        return ErrorFromErrno(err);
    }

    // The content just written is the current one (the lock is still held: nobody else wrote since).
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->path = l.shown;
    snapshot->stamp = StampNow(l.path);
    snapshot->tree = std::move(*l.tree);
    l.tree.reset();
    if (snapshot->stamp.exists) Publish(std::move(snapshot));
    return ERROR_SUCCESS;
}

LONG StoreFile::ApplyLocked(Locked& l, const Change_t& change) {
    bool modified = false;
    if (l.writable != ERROR_SUCCESS) {
        // Try it on a copy: a change that would modify a file that cannot be written fails and is not applied.
        std::unique_ptr<Key> copy = Clone(*l.tree);
        LONG rc = change(*copy, modified);
        return rc != ERROR_SUCCESS ? rc : (modified ? l.writable : ERROR_SUCCESS);
    }
    LONG rc = change(*l.tree, modified);
    if (modified) l.modified = true;
    return rc;
}

void StoreFile::PublishUnchanged(Locked& l) {
    // What was read under the lock is current: publish it, so that the next read needs no parse.
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->path = l.shown;
    snapshot->stamp = l.stamp;
    snapshot->tree = std::move(*l.tree);
    Publish(std::move(snapshot));
}

LONG StoreFile::Change(const Change_t& change) {
    ThreadTransaction& tx = t_transaction[m_slot];
    if (tx.depth > 0) {
        if (!tx.locked) {
            auto l = std::make_unique<Locked>();
            if (LONG rc = Lock(*l)) {
                if (tx.error == ERROR_SUCCESS) tx.error = rc;
                return rc;
            }
            tx.locked = std::move(l);
        }
        LONG rc = ApplyLocked(*tx.locked, change);
        if (rc != ERROR_SUCCESS && tx.error == ERROR_SUCCESS) tx.error = rc;
        return rc;
    }

    Locked l;
    if (LONG rc = Lock(l)) return rc;
    LONG rc = ApplyLocked(l, change);
    if (!l.modified) {
        PublishUnchanged(l);
        return rc;
    }
    LONG written = Write(l);
    return written != ERROR_SUCCESS ? written : rc;
}

void StoreFile::BeginTransaction(bool lockNow) {
    ThreadTransaction& tx = t_transaction[m_slot];
    if (tx.depth++ > 0) return;
    tx.error = ERROR_SUCCESS;
    if (!lockNow) return;
    auto l = std::make_unique<Locked>();
    if (LONG rc = Lock(*l))
        tx.error = rc;
    else
        tx.locked = std::move(l);
}

LONG StoreFile::EndTransaction(bool commit) {
    ThreadTransaction& tx = t_transaction[m_slot];
    if (tx.depth == 0) return ERROR_SUCCESS;
    if (--tx.depth > 0) return tx.error;
    std::unique_ptr<Locked> l = std::move(tx.locked);
    LONG rc = tx.error;
    tx.error = ERROR_SUCCESS;
    if (!l) return rc;
    if (commit && l->modified) {
        LONG written = Write(*l);
        if (rc == ERROR_SUCCESS) rc = written;
    } else if (!l->modified) {
        PublishUnchanged(*l);
    }
    return rc;
}

}  // namespace regstore
