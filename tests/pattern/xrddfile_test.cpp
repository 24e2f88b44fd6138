// The pattern archive file (.xrdd): written and read back, recognised by its magic, and refused without a change
// to the target when damaged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/support.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/pattern/xrddfile.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/memfile.h"

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

TEST(PatternFile, FilesAndDamagedFiles) {
    TempDir dir;
    const double x[] = {10.0, 10.5, 11.0}, y[] = {5.0, 50.0, 6.0}, e[] = {1.0, 2.0, 3.0};
    CXRDData p(3, x, y, e);
    p.m_strSampleName = "quartz";
    p.m_dZeroError = 0.05;
    p.m_nTypeFlag = 3;
    const std::string path = dir.file("p.xrdd");
    SavePatternFile(p, path);
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x40\x18\x24\x37\x01\x00\x00\x00", 8));
    EXPECT_TRUE(IsPatternFile(path));
    EXPECT_TRUE(StartsWithPatternMagic(bytes.data(), bytes.size()));
    EXPECT_FALSE(StartsWithPatternMagic(bytes.data(), 3));  // too short to hold the magic
    // Into an open file of another kind, from its position on: the same bytes after what it held.
    CMemFile mem;
    mem.Write("ab", 2);
    SavePatternFile(p, mem);
    const std::vector<BYTE>& held = mem.Data();
    EXPECT_EQ(std::string(held.begin(), held.end()), "ab" + bytes);

    CXRDData back(0);
    LoadPatternFile(back, path);
    EXPECT_EQ(back.GetSize(), 3);
    EXPECT_EQ(back.m_strSampleName, "quartz");
    EXPECT_EQ(back.GetAt(CGraphData::YError, 2), 3.0);
    EXPECT_EQ(back.m_dZeroError, 0.05);  // the file's, not the target's
    EXPECT_EQ(back.m_nTypeFlag, 3);

    // Wrong magic, unknown version, every cut: an exception and the target unchanged.
    WriteFile(dir.file("magic.xrdd"), "\x41" + bytes.substr(1));
    EXPECT_FALSE(IsPatternFile(dir.file("magic.xrdd")));
    try {
        LoadPatternFile(back, dir.file("magic.xrdd"));
        ADD_FAILURE() << "no exception";
    } catch (const CArchiveException& ex) {
        EXPECT_EQ(ex.m_cause, CArchiveException::badIndex);
    }
    WriteFile(dir.file("version.xrdd"), bytes.substr(0, 4) + std::string("\x02\x00\x00\x00", 4) + bytes.substr(8));
    try {
        LoadPatternFile(back, dir.file("version.xrdd"));
        ADD_FAILURE() << "no exception";
    } catch (const CArchiveException& ex) {
        EXPECT_EQ(ex.m_cause, CArchiveException::badSchema);
    }
    for (size_t cut = 0; cut < bytes.size(); cut += 7) {
        WriteFile(dir.file("cut.xrdd"), bytes.substr(0, cut));
        EXPECT_ANY_THROW(LoadPatternFile(back, dir.file("cut.xrdd"))) << cut;
        EXPECT_EQ(back.m_strSampleName, "quartz") << cut;
        EXPECT_EQ(back.GetSize(), 3) << cut;
    }
    EXPECT_FALSE(IsPatternFile(dir.file("absent.xrdd")));
}
