// The fuzz targets' corpora kept in the repository (fuzz/corpus/format_*/: seeds and the inputs the campaigns
// added) replayed through the format core in the ordinary build, so that the sanitizer build of the tests sees them
// too: every input, read with detection and as every format of the table, either reads or fails with a ReadError
// naming the input; and a read never depends on anything but the bytes (two reads give the same points).
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "format_test.h"
#include "xrddata/formats/read.h"

namespace fs = std::filesystem;
using namespace xrddata::formats;

namespace {

fs::path CorpusDir() { return XRDDATA_FUZZ_CORPUS_DIR; }

std::vector<fs::path> FormatCorpusFiles() {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& dir : fs::directory_iterator(CorpusDir(), ec)) {
        if (!dir.is_directory() || dir.path().filename().string().rfind("format_", 0) != 0) continue;
        for (const auto& f : fs::directory_iterator(dir.path()))
            if (f.is_regular_file()) files.push_back(f.path());
    }
    return files;
}

// The points of every scan, or the error's text: what a read of the bytes gives.
std::string Outcome(const std::string& bytes, int code) {
    try {
        const Measurement m = read_bytes(AsBytes(bytes), "corpus input", code);
        std::string out;
        for (const auto& scan : m.scans) {
            out += std::to_string(scan.two_theta.size()) + ':';
            for (size_t i = 0; i < scan.two_theta.size(); ++i)
                out += std::to_string(scan.two_theta[i]) + ' ' + std::to_string(scan.counts[i]) + ';';
        }
        return out;
    } catch (const ReadError& e) {
        EXPECT_NE(std::string(e.what()).find("corpus input"), std::string::npos) << e.what();
        return std::string("error: ") + e.what();
    }
}

}  // namespace

TEST(FuzzCorpus, EveryInputReadsOrFailsCleanlyAsEveryFormat) {
    const std::vector<fs::path> files = FormatCorpusFiles();
    if (files.empty()) GTEST_SKIP() << "no fuzz corpus beside the tests";
    std::vector<int> codes = {0};
    for (const FormatInfo& f : format_table()) codes.push_back(f.code);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const std::string bytes = formats_test::Slurp(file.string());
        for (int code : codes) {
            SCOPED_TRACE("format " + std::to_string(code));
            std::string first;
            ASSERT_NO_THROW(first = Outcome(bytes, code));
            EXPECT_EQ(Outcome(bytes, code), first);
        }
    }
}
