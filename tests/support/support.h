// Helpers shared by the tests: a user interface that records messages, temporary folders and files, byte
// writers, and the location of the real instrument samples.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "xrddata/platform/ui.h"

namespace testing_support {

struct Message {
    std::string text;
    unsigned type;
};

// Installs itself as the current user interface for its lifetime and records every message box.
class RecordingUi : public CUserInterface {
public:
    RecordingUi();
    ~RecordingUi() override;
    int MessageBox(const CString& text, UINT type) override;
    void BeginWaitCursor() override { ++waitBegins; }
    void EndWaitCursor() override { ++waitEnds; }

    // The texts of the recorded messages, in order.
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const Message& m : messages) t.push_back(m.text);
        return t;
    }

    std::vector<Message> messages;
    int answer = IDOK;  // what MessageBox returns
    int waitBegins = 0;
    int waitEnds = 0;

private:
    CUserInterface* previous_;
};

// A fresh folder under the system's temporary folder, removed with its content on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// Little-endian byte writer for building test files and archive images.
class Bytes {
public:
    Bytes& u8(std::uint8_t v);
    Bytes& u16(std::uint16_t v);
    Bytes& i16(std::int16_t v) { return u16(static_cast<std::uint16_t>(v)); }
    Bytes& u32(std::uint32_t v);
    Bytes& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    Bytes& f32(float v);
    Bytes& f64(double v);
    Bytes& raw(const std::string& s);
    Bytes& fixed(const std::string& s, size_t width);  // text padded with NULs (or cut) to width bytes
    Bytes& zeros(size_t n);
    Bytes& at(size_t offset);  // pads with zeros up to offset (which must not lie behind the end)
    size_t size() const { return data.size(); }
    std::string str() const { return data; }

    std::string data;
};

// The message the numerical routines throw (a C string) when f fails, or empty when it returns.
inline std::string Raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const char* message) {
        return message;
    }
    return "";
}

// The shortest "%.10g" text of a value, as the text-format writers put numbers.
std::string Number(double v);

// The folder of real instrument files ($XRDDATA_SAMPLES_DIR, else shared/samples beside the checkout), or empty
// when it is not there (tests then skip).
std::string SamplesDir();

}  // namespace testing_support

// Skips the current test when the real samples are absent.
#define XRD_REQUIRE_SAMPLES()                                                   \
    do {                                                                         \
        if (testing_support::SamplesDir().empty()) GTEST_SKIP() << "no samples"; \
    } while (0)
