#include "safeout.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>

#include "input.h"

namespace fs = std::filesystem;

namespace tool {
namespace {

std::mutex g_stdout;

[[noreturn]] void Fail(const std::string& path, const char* what, int error) {
    throw std::runtime_error("cannot " + std::string(what) + " " + Printable(path) + ": " + std::strerror(error));
}

// Writes every byte; the errno of the failure, or 0.
int WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

void WriteDirect(const std::string& path, const std::string& bytes) {
    // O_NONBLOCK: a FIFO without a reader fails at once (ENXIO) instead of waiting; cleared for the writes.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) Fail(path, "write", errno);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    int error = WriteAll(fd, bytes);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error) Fail(path, "write", error);
}

void WriteReplacing(const std::string& path, const std::string& bytes) {
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) Fail(path, "write", errno);
    // mkstemp makes the file private; an output gets the mode a newly created file would have.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    // No fsync: a killed run cannot leave a short file, since the name only ever points at a finished one; a
    // flush to the disk per output would cost ten times the whole conversion.
    int error = WriteAll(fd, bytes);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temp.c_str());
        Fail(path, "write", error);
    }
}

}  // namespace

void WriteOutput(const std::string& path, const std::string& bytes) {
    if (IsStdout(path)) {
        std::lock_guard<std::mutex> lock(g_stdout);
        std::fflush(stdout);
        if (const int error = WriteAll(STDOUT_FILENO, bytes))
            throw std::runtime_error(std::string("cannot write standard output: ") + std::strerror(error));
        return;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) Fail(path, "write", EISDIR);
        if (!S_ISREG(st.st_mode)) return WriteDirect(path, bytes);
    }
    WriteReplacing(path, bytes);
}

bool PrintAll(const std::string& text) {
    try {
        WriteOutput("-", text);
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "xrddata: error: %s\n", e.what());
        return false;
    }
}

namespace {

// The output's path with every link and "." or ".." resolved, as far as it exists (weakly_canonical). The folder
// is resolved once per distinct folder: a thousand outputs in one folder cost a thousand look-ups of a name, not
// a walk of the whole path each. An output that is itself a link is resolved whole.
class OutputKeys {
public:
    std::string Of(const std::string& out) {
        const fs::path path = fs::absolute(out);
        const fs::path name = path.filename();
        struct stat st {};
        const bool link = ::lstat(out.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
        if (link || name.empty() || name == "." || name == "..") return fs::weakly_canonical(path).string();
        const std::string folder = path.parent_path().string();
        auto it = m_folders.find(folder);
        if (it == m_folders.end()) it = m_folders.emplace(folder, fs::weakly_canonical(path.parent_path())).first;
        return (it->second / name).string();
    }

private:
    std::map<std::string, fs::path> m_folders;
};

}  // namespace

void CheckOutputsApart(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs) {
    std::set<std::pair<dev_t, ino_t>> ins;
    for (const std::string& in : inputs) {
        struct stat st {};
        if (!IsStdout(in) && ::stat(in.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ins.insert({st.st_dev, st.st_ino});
    }
    std::set<std::string> seen;
    OutputKeys keys;
    for (const std::string& out : outputs) {
        if (IsStdout(out)) continue;
        struct stat st {};
        if (::stat(out.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ins.count({st.st_dev, st.st_ino}))
            throw std::runtime_error("the output " + Printable(out) + " is an input file; nothing was written");
        const std::string key = keys.Of(out);
        if (!seen.insert(key).second)
            throw std::runtime_error("two outputs would both be written to " + Printable(out) +
                                     "; nothing was written");
    }
}

}  // namespace tool
