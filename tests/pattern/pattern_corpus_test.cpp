// The pattern's fuzz corpora kept in the repository (fuzz/corpus/archive_xrddata/ and pattern_file/: seeds and the
// inputs the campaigns added) replayed in the ordinary build, so that the sanitizer build of the tests sees them:
// a file that does not load leaves the caller's pattern exactly as it was; one that loads writes a record that
// loads back and writes the same bytes.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pattern/pattern_support.h"
#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/pattern/xrddfile.h"
#include "xrddata/platform/memfile.h"

namespace fs = std::filesystem;
using pattern_testing::Store;

namespace {

std::vector<fs::path> CorpusFiles() {
    std::vector<fs::path> files;
    for (const char* target : {"archive_xrddata", "pattern_file"}) {
        std::error_code ec;
        for (const auto& f : fs::directory_iterator(fs::path(XRDDATA_FUZZ_CORPUS_DIR) / target, ec))
            if (f.is_regular_file()) files.push_back(f.path());
    }
    return files;
}

bool LoadRecord(CXRDData& d, const std::string& bytes) {
    CMemFile f(bytes.data(), bytes.size());
    try {
        CArchive ar(&f, CArchive::load);
        d.Serialize(ar);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

TEST(PatternCorpus, FailedLoadsChangeNothingAndLoadedRecordsRoundTrip) {
    testing_support::RegistrySandbox sandbox;
    const std::vector<fs::path> files = CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "no fuzz corpus beside the tests";
    const double x[] = {10.0, 10.5, 11.0}, y[] = {100.0, 250.0, 90.0}, err[] = {10.0, 15.8, 9.5};
    CXRDData reference(3, x, y, err);
    reference.m_strSampleName = "reference";
    int loaded = 0, refused = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        CXRDData target(reference);
        const std::string before = Store(target);
        bool ok = false;
        try {
            LoadPatternFile(target, file.string());
            ok = true;
        } catch (const std::exception&) {
        }
        if (!ok) {
            ++refused;
            EXPECT_EQ(Store(target), before);
            continue;
        }
        ++loaded;
        EXPECT_TRUE(IsPatternFile(file.string()));
        std::ifstream in(file, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        CXRDData first(0);
        ASSERT_TRUE(LoadRecord(first, content.str()));
        const std::string written = Store(first);
        CXRDData second(0);
        ASSERT_TRUE(LoadRecord(second, written));
        EXPECT_EQ(Store(second), written);
    }
    // The corpus holds both kinds, or it no longer tests what it is for.
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}
