#include <gtest/gtest.h>

#include <string>

#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

using testing_support::ReadFile;
using testing_support::RegistrySandbox;
using testing_support::WriteFile;

namespace {

const char kReader[] = "HKEY_CURRENT_USER\\Software\\Tarvenic\\File Reader";

std::string Section(const std::string& name, const std::string& value) {
    return "[" + std::string(kReader) + "\\" + name + "]\r\n\"" + name + "\"=" + value + "\r\n\r\n";
}

}  // namespace

TEST(ImporterRegistry, DefaultsWithoutStoreAndWrittenBackOnDestruction) {
    RegistrySandbox box;
    {
        CFileImporter imp(nullptr);  // a pattern would add its own settings keys to the file
        EXPECT_EQ(imp.GetDataDirectory(), "");
        EXPECT_EQ(imp.GetDataFormat(), 0);
        EXPECT_EQ(imp.GetPeakDataFormat(), 1);
        EXPECT_EQ(imp.GetFileName(), "");
    }
    const std::string expected = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Tarvenic]\r\n\r\n[" +
                                 std::string(kReader) + "]\r\n\r\n" + Section("DataDirectory", "\"\"") +
                                 Section("DataFormat", "dword:00000000") +
                                 Section("PeakDataFormat", "dword:00000001");
    EXPECT_EQ(ReadFile(box.user), expected);
}

TEST(ImporterRegistry, StoredValuesAreReadAndKept) {
    RegistrySandbox box;
    WriteFile(box.user, "REGEDIT4\r\n\r\n" + Section("DataDirectory", "\"/data/xrd\"") +
                            Section("DataFormat", "dword:00000005") + Section("PeakDataFormat", "dword:00000008"));
    CXRDData pattern;
    {
        CFileImporter imp(&pattern);
        EXPECT_EQ(imp.GetDataDirectory(), "/data/xrd");
        EXPECT_EQ(imp.GetDataFormat(), 5);
        EXPECT_EQ(imp.GetPeakDataFormat(), 8);
    }
    CFileImporter again(nullptr);
    EXPECT_EQ(again.GetDataDirectory(), "/data/xrd");
    EXPECT_EQ(again.GetDataFormat(), 5);
    EXPECT_EQ(again.GetPeakDataFormat(), 8);
}

TEST(ImporterRegistry, BrukerMagics) {
    EXPECT_STREQ(DiffracPlusKey, "RAW1.01");
    EXPECT_STREQ(DiffracAtKey, "RAW2");
}
