#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

using testing_support::ReadFile;
using testing_support::RegistrySandbox;

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

TEST(ImporterRegistry, UnchangedChoicesLeaveTheStoreFileAlone) {
    RegistrySandbox box;
    { CFileImporter first(nullptr); }
    struct stat before;
    ASSERT_EQ(::stat(box.user.c_str(), &before), 0);
    for (int i = 0; i < 3; ++i) {
        CFileImporter again(nullptr);
    }
    struct stat after;
    ASSERT_EQ(::stat(box.user.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // never replaced
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}
