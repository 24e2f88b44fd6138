#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "import/import_support.h"
#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/registry.h"

using import_testing::kReader;
using import_testing::Section;
using testing_support::ReadFile;
using testing_support::RegistrySandbox;

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

// The three remembered values reach the store file in one replace (a rename onto it), not one per value.
TEST(ImporterRegistry, ChoicesAreWrittenBackInOneReplace) {
    RegistrySandbox box;
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(fd, 0);
    int renames = 0;
    {
        CFileImporter imp(nullptr);  // the first run creates the keys; the values are new in the destructor
        // Temporary files are watched too: without events between them, the kernel may fold equal renames into one.
        ASSERT_GE(::inotify_add_watch(fd, box.dir.path().c_str(), IN_MOVED_TO | IN_CREATE), 0);
    }
    alignas(inotify_event) char buf[8192];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        for (char* p = buf; p < buf + n;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(p);
            if (ev->len && std::string(ev->name) == "user.reg") ++renames;
            p += sizeof(inotify_event) + ev->len;
        }
    ::close(fd);
    EXPECT_EQ(renames, 1);
    EXPECT_NE(ReadFile(box.user).find("\"PeakDataFormat\"=dword:00000001"), std::string::npos);
}

// An importer that finds the store as the last one on this thread left it takes the choices without reading;
// a change by another writer (another process's file, another thread's value) is read, and the next write-back
// does not undo it.
TEST(ImporterRegistry, ChoicesChangedElsewhereAreReadAndKept) {
    RegistrySandbox box;
    { CFileImporter first(nullptr); }
    { CFileImporter kept(nullptr); }
    const std::string changed = "REGEDIT4\r\n\r\n" + Section("DataDirectory", "\"/data/run 7\"") +
                                Section("DataFormat", "dword:00000005") + Section("PeakDataFormat", "dword:00000002");
    testing_support::WriteFile(box.user + ".new", changed);
    ASSERT_EQ(std::rename((box.user + ".new").c_str(), box.user.c_str()), 0);  // as another process replaces it
    {
        CFileImporter imp(nullptr);
        EXPECT_EQ(imp.GetDataDirectory(), "/data/run 7");
        EXPECT_EQ(imp.GetDataFormat(), 5);
        EXPECT_EQ(imp.GetPeakDataFormat(), 2);
    }
    EXPECT_NE(ReadFile(box.user).find("\"DataFormat\"=dword:00000005"), std::string::npos);

    std::thread([] {
        CRegistryTransaction change;
        HKEY hKey = nullptr;
        ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Tarvenic\\File Reader\\DataFormat", 0,
                               KEY_ALL_ACCESS, &hKey),
                  ERROR_SUCCESS);
        const BYTE seven[4] = {7, 0, 0, 0};
        EXPECT_EQ(RegSetValueEx(hKey, "DataFormat", 0, REG_DWORD, seven, sizeof seven), ERROR_SUCCESS);
        RegCloseKey(hKey);
        EXPECT_EQ(change.Commit(), ERROR_SUCCESS);
    }).join();
    {
        CFileImporter imp(nullptr);
        EXPECT_EQ(imp.GetDataFormat(), 7);
        EXPECT_EQ(imp.GetDataDirectory(), "/data/run 7");
    }
    { CFileImporter again(nullptr); }
    EXPECT_NE(ReadFile(box.user).find("\"DataFormat\"=dword:00000007"), std::string::npos);
}
