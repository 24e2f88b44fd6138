#include "xrddata/platform/registry_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool StoreFile::Stamp::operator==(const Stamp& o) const {
    if (exists != o.exists) return false;
    if (!exists) return true;
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
}

StoreFile::Stamp StoreFile::StampOf(const struct stat& st) {
    Stamp s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtime = st.st_mtim;
    s.ctime = st.st_ctim;
    return s;
}

StoreFile::StoreFile(const char* rootName, bool user) : m_rootName(rootName), m_user(user) {}

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

StoreFile::ReadResult StoreFile::Read(const std::string& path, Key& root, Stamp& stamp) const {
    stamp = Stamp();
    if (path.empty()) return ReadResult::missing;
    Fd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (f.fd < 0) return errno == ENOENT ? ReadResult::missing : ReadResult::unreadable;
    struct stat st;
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return ReadResult::unreadable;
    stamp = StampOf(st);
    if (st.st_size > kMaxFileSize) return ReadResult::unparsable;

    std::string text(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::read(f.fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ReadResult::unreadable;
        }
        if (n == 0) break;  // shortened meanwhile: parse what is there
        done += static_cast<size_t>(n);
    }
    text.resize(done);
    return ParseRegText(text, m_rootName, root) ? ReadResult::ok : ReadResult::unparsable;
}

const Key& StoreFile::Current(unsigned scope) {
    std::string path = Path();
    if (m_cached && path == m_cachedPath && scope != 0 && scope == m_checkedScope) return *m_tree;
    m_checkedScope = scope;
    if (m_cached && path == m_cachedPath) {
        struct stat st;
        Stamp now;
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) now = StampOf(st);
        if (now == m_stamp) return *m_tree;
    }
    auto tree = std::make_unique<Key>();
    Stamp stamp;
    if (Read(path, *tree, stamp) != ReadResult::ok) tree = std::make_unique<Key>();
    AddBaseKeys(*tree);
    m_tree = std::move(tree);
    m_stamp = stamp;
    m_cachedPath = path;
    m_cached = true;
    return *m_tree;
}

LONG StoreFile::Change(const Change_t& change) {
    std::string shown = Path();
    if (shown.empty()) return ERROR_ACCESS_DENIED;
    std::string path = ResolveTarget(shown);
    std::string dir = Folder(path);
    if (!MakeFolders(dir, m_user ? 0700 : 0755)) return ErrorFromErrno(errno);

    // Writers of every process take this lock and read the file under it, so none loses another's changes.
    Fd lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (lock.fd < 0) return ErrorFromErrno(errno);
    while (::flock(lock.fd, LOCK_EX) != 0)
        if (errno != EINTR) return ERROR_CANTWRITE;

    auto tree = std::make_unique<Key>();
    Stamp stamp;
    ReadResult read = Read(path, *tree, stamp);
    if (read == ReadResult::unreadable) return ERROR_ACCESS_DENIED;
    if (read == ReadResult::unparsable) tree = std::make_unique<Key>();
    AddBaseKeys(*tree);

    bool modified = false;
    LONG rc = change(*tree, modified);
    if (rc != ERROR_SUCCESS || !modified) {
        if (read == ReadResult::ok || read == ReadResult::missing) {
            m_tree = std::move(tree);
            m_stamp = stamp;
            m_cachedPath = shown;
            m_cached = true;
        }
        return rc;
    }

    // A file made read-only is left alone, also for a user whom the permissions would not stop.
    struct stat st;
    mode_t mode = 0644;
    if (stamp.exists && ::stat(path.c_str(), &st) == 0) {
        if ((st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
            return ERROR_ACCESS_DENIED;
        mode = st.st_mode & 07777;
    }

    std::string text = FormatRegText(*tree, m_rootName);
    if (text.size() > static_cast<size_t>(kMaxFileSize)) return ERROR_CANTWRITE;

    // A file that does not parse is kept under another name, never overwritten.
    if (read == ReadResult::unparsable && ::rename(path.c_str(), BackupName(path).c_str()) != 0)
        return ErrorFromErrno(errno);

    size_t slash = path.find_last_of('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string tmp = (dir == "/" ? std::string() : dir) + "/." + base + ".XXXXXX";
    int tfd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (tfd < 0) return ErrorFromErrno(errno);
    {
        Fd t(tfd);
        if (!WriteAll(t.fd, text) || ::fchmod(t.fd, mode) != 0 || ::fsync(t.fd) != 0) {
            int err = errno;
            ::unlink(tmp.c_str());
            return ErrorFromErrno(err);
        }
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        return ErrorFromErrno(err);
    }

    // The content just written is the current one.
    m_cached = false;
    m_checkedScope = 0;
    if (::stat(path.c_str(), &st) == 0) {
        m_stamp = StampOf(st);
        m_tree = std::move(tree);
        m_cachedPath = shown;
        m_cached = true;
    }
    return ERROR_SUCCESS;
}

}  // namespace regstore
