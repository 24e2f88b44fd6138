#include "support/support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace testing_support {

RecordingUi::RecordingUi() : previous_(AfxSetUserInterface(this)) {}
RecordingUi::~RecordingUi() { AfxSetUserInterface(previous_); }

int RecordingUi::MessageBox(const CString& text, UINT type) {
    messages.push_back({text, type});
    return answer;
}

TempDir::TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "xrddata-test-XXXXXX").string();
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Bytes& Bytes::u8(std::uint8_t v) {
    data += static_cast<char>(v);
    return *this;
}
Bytes& Bytes::u16(std::uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
Bytes& Bytes::u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
Bytes& Bytes::f32(float v) {
    std::uint32_t u;
    std::memcpy(&u, &v, 4);
    return u32(u);
}
Bytes& Bytes::f64(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    return u32(static_cast<std::uint32_t>(u)).u32(static_cast<std::uint32_t>(u >> 32));
}
Bytes& Bytes::raw(const std::string& s) {
    data += s;
    return *this;
}
Bytes& Bytes::fixed(const std::string& s, size_t width) {
    std::string t = s.substr(0, width);
    t.resize(width, '\0');
    data += t;
    return *this;
}
Bytes& Bytes::zeros(size_t n) {
    data.append(n, '\0');
    return *this;
}
Bytes& Bytes::at(size_t offset) {
    if (offset < data.size()) throw std::logic_error("Bytes::at behind the end");
    data.resize(offset, '\0');
    return *this;
}

std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

std::string SamplesDir() {
    // $XRDDATA_SAMPLES_DIR overrides the folder beside the checkout (a git worktree elsewhere has none beside it).
    const char* env = std::getenv("XRDDATA_SAMPLES_DIR");
    std::filesystem::path p = env && *env ? env : XRDDATA_SAMPLES_DIR;
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) return std::filesystem::canonical(p, ec).string();
    return std::string();
}

}  // namespace testing_support
