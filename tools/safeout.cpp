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
#include "temporaries.h"
#include "writeall.h"

namespace fs = std::filesystem;

namespace tool {
namespace {

std::mutex g_stdout;

[[noreturn]] void Fail(const std::string& path, const char* what, int error) {
    throw std::runtime_error("cannot " + std::string(what) + " " + Printable(path) + ": " + std::strerror(error));
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

// A new temporary file beside path, with the mode of the file it replaces (a private file stays private), else the
// mode a newly created file would have; its name in temp.
int MakeTemporaryBeside(const std::string& path, std::string& temp) {
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) Fail(path, "write", errno);
    // mkstemp makes the file private.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    return fd;
}

// Yes when path names something that is written in place rather than replaced: standard output, a device, a FIFO.
// Throws for a folder.
bool WrittenInPlace(const std::string& path) {
    if (IsStdout(path)) return true;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) Fail(path, "write", EISDIR);
    return !S_ISREG(st.st_mode);
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
    if (WrittenInPlace(path)) return WriteDirect(path, bytes);
    StagedOutputs one;
    one.Write(path, [&bytes](xrddata::formats::Sink& sink) { sink.write(bytes); });
    one.Commit();
}

// One staged output: a temporary file written through a buffer, or the bytes in memory for an output written in
// place.
class StagedOutputs::Output : public xrddata::formats::Sink {
public:
    explicit Output(const std::string& path) : m_path(path), m_inPlace(WrittenInPlace(path)) {
        if (m_inPlace) return;
        m_fd = MakeRecordedTemporary([&path](std::string& temp) { return MakeTemporaryBeside(path, temp); }, m_temp);
    }
    ~Output() override { Discard(); }

    void write(std::string_view bytes) override {
        if (!m_inPlace && m_buffer.empty() && bytes.size() >= kFlushAt) return WriteNow(bytes);
        m_buffer.append(bytes);
        if (!m_inPlace && m_buffer.size() >= kFlushAt) Flush();
    }

    // Every byte in the temporary file, closed. No fsync: a killed run cannot leave a short file, since the name
    // only ever points at a finished one; a flush to the disk per output would cost ten times the conversion.
    void Finish() {
        if (m_inPlace || m_fd < 0) return;
        Flush();
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) Fail(m_path, "write", errno);
    }

    // Puts the output in place.
    void Place() {
        if (m_inPlace) return WriteOutput(m_path, m_buffer);
        if (const int error = PlaceRecordedTemporary(m_temp, m_path)) Fail(m_path, "write", error);
        m_temp.clear();
    }

private:
    static constexpr size_t kFlushAt = 1 << 18;

    void WriteNow(std::string_view bytes) {
        if (const int error = WriteAll(m_fd, bytes)) Fail(m_path, "write", error);
    }
    void Flush() {
        WriteNow(m_buffer);
        m_buffer.clear();
    }

    void Discard() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
        if (m_temp.empty()) return;
        RemoveRecordedTemporary(m_temp);
        m_temp.clear();
    }

    std::string m_path, m_temp, m_buffer;
    bool m_inPlace = false;
    int m_fd = -1;
};

StagedOutputs::StagedOutputs() = default;
StagedOutputs::~StagedOutputs() = default;

void StagedOutputs::Write(const std::string& path, const std::function<void(xrddata::formats::Sink&)>& fill) {
    m_outputs.push_back(std::make_unique<Output>(path));
    fill(*m_outputs.back());
    m_outputs.back()->Finish();
}

void StagedOutputs::Commit() {
    // Every file is complete before the first is renamed, so a full disk replaces nothing.
    for (auto& out : m_outputs) out->Place();
    m_outputs.clear();
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
