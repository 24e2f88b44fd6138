#include "xrddata/platform/registry.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "support/registry_sandbox.h"
#include "support/support.h"

using testing_support::ReadFile;
using testing_support::RegistrySandbox;
using testing_support::WriteFile;
namespace fs = std::filesystem;

namespace {

HKEY Create(HKEY root, const char* path, DWORD* disposition = nullptr) {
    HKEY k = nullptr;
    LONG rc = RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, disposition);
    return rc == ERROR_SUCCESS ? k : nullptr;
}

HKEY Open(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY k = nullptr;
    return RegOpenKeyEx(root, path, 0, access, &k) == ERROR_SUCCESS ? k : nullptr;
}

LONG Set(HKEY k, const char* name, DWORD type, const std::string& bytes) {
    return RegSetValueEx(k, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size()));
}

LONG SetText(HKEY k, const char* name, const std::string& text) {
    return Set(k, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

LONG SetDword(HKEY k, const char* name, DWORD v) {
    return RegSetValueEx(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

// The type and bytes of a value, or type REG_NONE and "<missing>".
std::pair<DWORD, std::string> Get(HKEY k, const char* name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(k, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {REG_NONE, "<missing>"};
    std::string data(size, '\0');
    if (RegQueryValueEx(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return {REG_NONE, "<failed>"};
    return {type, data};
}

std::string Sz(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }

// Reads the value of one key of the user's file at path afresh (a new location makes the store parse it).
std::pair<DWORD, std::string> GetFrom(const std::string& file, const char* key, const char* name) {
    ::setenv("XRDDATA_USER_REGISTRY", file.c_str(), 1);
    HKEY k = Open(HKEY_CURRENT_USER, key);
    auto v = k ? Get(k, name) : std::make_pair(DWORD(REG_NONE), std::string("<no key>"));
    if (k) RegCloseKey(k);
    return v;
}

std::vector<std::string> FolderEntries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const char kSample[] =
    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\r\n[HKEY_CURRENT_USER\\Software\\Maker]\r\n"
    "\"Kept\"=\"yes\"\r\n\r\n";

}  // namespace

TEST(Registry, WritesRegTextAndReadsEveryByteBack) {
    RegistrySandbox box;
    // Texts that the quoted form cannot carry exactly (line breaks, no terminating zero) are written as hex(1).
    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
        const char* line;
    };
    const Case cases[] = {
        {"Text", REG_SZ, Sz("a \"quoted\" C:\\path \xC3\xA9"), "\"Text\"=\"a \\\"quoted\\\" C:\\\\path \xC3\xA9\""},
        {"Count", REG_DWORD, std::string("\x2a\0\0\0", 4), "\"Count\"=dword:0000002a"},
        {"", REG_SZ, Sz("default"), "@=\"default\""},
        {"Bin", REG_BINARY, std::string("\x01\x02\xff", 3), "\"Bin\"=hex:01,02,ff"},
        {"Lines", REG_SZ, Sz("a\r\nb"), "\"Lines\"=hex(1):61,0d,0a,62,00"},
        {"Raw", REG_SZ, "abc", "\"Raw\"=hex(1):61,62,63"},
        {"Multi", REG_MULTI_SZ, std::string("a\0\0", 3), "\"Multi\"=hex(7):61,00,00"},
        {"Empty", REG_BINARY, "", "\"Empty\"=hex:"},
    };
    DWORD disposition = 0;
    HKEY app = Create(HKEY_CURRENT_USER, "Software\\Maker\\App", &disposition);
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
    std::string expected = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\r\n[HKEY_CURRENT_USER\\Software\\Maker]\r\n"
                           "\r\n[HKEY_CURRENT_USER\\Software\\Maker\\App]\r\n";
    for (const Case& c : cases) {
        EXPECT_EQ(Set(app, c.name, c.type, c.bytes), ERROR_SUCCESS);
        expected += std::string(c.line) + "\r\n";
    }
    RegCloseKey(app);
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Maker\\Nothing"));
    expected += "\r\n[HKEY_CURRENT_USER\\Software\\Maker\\Nothing]\r\n\r\n";
    EXPECT_EQ(ReadFile(box.user), expected);

    // A copy at another path is parsed afresh and gives back every type and byte, and the empty key.
    std::string copy = box.dir.file("copy.reg");
    WriteFile(copy, expected);
    for (const Case& c : cases)
        EXPECT_EQ(GetFrom(copy, "Software\\Maker\\App", c.name), std::make_pair(c.type, c.bytes)) << c.name;
    HKEY nothing = Open(HKEY_CURRENT_USER, "Software\\Maker\\Nothing");
    EXPECT_NE(nothing, nullptr);
    RegCloseKey(nothing);
}

TEST(Registry, ReadsHandWrittenFiles) {
    RegistrySandbox box;
    // BOM, LF line ends, comments, blanks around '=', a default value, upper-case hex, a continued hex value, a
    // repeated section and a repeated value (the later one counts).
    WriteFile(box.user,
              "\xEF\xBB\xBFREGEDIT4\n; settings\n\n[HKEY_CURRENT_USER\\Software\\A]\n"
              "\"N\" = dword:FFFFFFFE\n@=\"d\"\n\"B\"=hex:01,\\\n   02 , 03\n"
              "[hkey_current_user\\software\\a\\B]\n\"x\"=\"1\"\n"
              "[HKEY_CURRENT_USER\\Software\\A]\n\"n\"=dword:7\n");
    HKEY a = Open(HKEY_CURRENT_USER, "SOFTWARE\\a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Get(a, "N"), std::make_pair(DWORD(REG_DWORD), std::string("\x07\0\0\0", 4)));
    EXPECT_EQ(Get(a, nullptr), std::make_pair(DWORD(REG_SZ), Sz("d")));
    EXPECT_EQ(Get(a, "b"), std::make_pair(DWORD(REG_BINARY), std::string("\x01\x02\x03", 3)));
    HKEY b = Open(a, "b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(Get(b, "X"), std::make_pair(DWORD(REG_SZ), Sz("1")));
    RegCloseKey(b);
    RegCloseKey(a);

    // A key of thousands of values, one repeated in another spelling: each value found by name in any case, the
    // repeat counted once where it first stood, and a write keeps them all in their order.
    std::string many = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Many]\r\n";
    for (int i = 0; i < 5000; ++i) many += "\"v" + std::to_string(i) + "\"=\"" + std::to_string(i) + "\"\r\n";
    many += "\"V17\"=\"later\"\r\n";
    WriteFile(box.user, many);
    HKEY k = Open(HKEY_CURRENT_USER, "Software\\Many");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(Get(k, "v4999"), std::make_pair(DWORD(REG_SZ), Sz("4999")));
    EXPECT_EQ(Get(k, "v17"), std::make_pair(DWORD(REG_SZ), Sz("later")));
    EXPECT_EQ(Get(k, "v5000").first, DWORD(REG_NONE));
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKey(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 5000u);
    ASSERT_EQ(SetText(k, "New", "n"), ERROR_SUCCESS);
    RegCloseKey(k);
    const std::string written = ReadFile(box.user);
    const size_t v16 = written.find("\"v16\"=\"16\""), v17 = written.find("\"v17\"=\"later\""),
                 v18 = written.find("\"v18\"=\"18\""), last = written.find("\"v4999\"=\"4999\"\r\n\"New\"=\"n\"");
    EXPECT_TRUE(v16 < v17 && v17 < v18 && v18 < last && last != std::string::npos) << v16 << " " << v17 << " " << last;
    EXPECT_EQ(written.find("V17"), std::string::npos);
}

TEST(Registry, NamesIgnoreCaseKeepItAndListAlphabetically) {
    RegistrySandbox box;
    HKEY k = Create(HKEY_CURRENT_USER, "Software\\MyApp\\Zeta");
    ASSERT_NE(k, nullptr);
    SetDword(k, "Value", 1);
    SetDword(k, "VALUE", 2);  // the same value: the first spelling stays
    RegCloseKey(k);
    DWORD disposition = 0;
    k = Create(HKEY_CURRENT_USER, "software\\MYAPP\\zeta", &disposition);
    EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
    EXPECT_EQ(Get(k, "value").second, std::string("\x02\0\0\0", 4));
    RegCloseKey(k);
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\MyApp\\alpha"));
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\MyApp\\Beta"));
    EXPECT_NE(ReadFile(box.user).find("[HKEY_CURRENT_USER\\Software\\MyApp\\Zeta]\r\n\"Value\"=dword:00000002"),
              std::string::npos);

    HKEY app = Open(HKEY_CURRENT_USER, "Software\\myapp");
    std::vector<std::string> names;
    char name[16];
    for (DWORD i = 0; RegEnumKey(app, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta", "Zeta"}));
    EXPECT_EQ(RegEnumKey(app, 3, name, sizeof name), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKey(app, 1, name, 4), ERROR_MORE_DATA);  // "Beta" needs five characters
    // A key added between two calls, and another key listed in between, show at once.
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\MyApp\\Gamma"));
    ASSERT_EQ(RegEnumKey(app, 2, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Gamma");
    HKEY software = Open(HKEY_CURRENT_USER, "Software");
    ASSERT_EQ(RegEnumKey(software, 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "MyApp");
    RegCloseKey(software);
    ASSERT_EQ(RegEnumKey(app, 3, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Zeta");
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\MyApp\\Gamma"));  // nothing new: "Zeta" stays fourth
    ASSERT_EQ(RegEnumKey(app, 3, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Zeta");
    EXPECT_EQ(RegEnumKey(app, 4, name, sizeof name), ERROR_NO_MORE_ITEMS);
    DWORD subKeys = 0, maxSub = 0, values = 9;
    EXPECT_EQ(RegQueryInfoKey(app, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 4u);
    EXPECT_EQ(maxSub, 5u);
    EXPECT_EQ(values, 0u);
    RegCloseKey(app);
}

TEST(Registry, QueriesFollowTheWindowsContract) {
    RegistrySandbox box;
    HKEY k = Create(HKEY_CURRENT_USER, "Software\\Q");
    SetText(k, "Name", "hello");
    SetDword(k, "Num", 7);
    Set(k, "Raw", REG_SZ, "xy");

    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueEx(k, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(size, 6u);
    char buf[8] = "zzzzzzz";
    size = 3;
    EXPECT_EQ(RegQueryValueEx(k, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    // A text stored without its zero gets one when the buffer has room.
    size = sizeof buf;
    EXPECT_EQ(RegQueryValueEx(k, "Raw", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);
    EXPECT_STREQ(buf, "xy");
    EXPECT_EQ(RegQueryValueEx(k, "Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

    // Several values in one request, packed one after the other.
    char n1[] = "Name", n2[] = "Num", n3[] = "Nope";
    VALENT list[2] = {{n1, 0, 0, 0}, {n2, 0, 0, 0}};
    char out[64];
    DWORD total = 5;
    EXPECT_EQ(RegQueryMultipleValues(k, list, 2, out, &total), ERROR_MORE_DATA);
    EXPECT_EQ(total, 10u);
    total = sizeof out;
    EXPECT_EQ(RegQueryMultipleValues(k, list, 2, out, &total), ERROR_SUCCESS);
    EXPECT_EQ(total, 10u);
    EXPECT_EQ(list[0].ve_type, DWORD(REG_SZ));
    EXPECT_EQ(list[0].ve_valuelen, 6u);
    EXPECT_EQ(list[0].ve_valueptr, reinterpret_cast<std::uintptr_t>(out));
    EXPECT_EQ(list[1].ve_type, DWORD(REG_DWORD));
    EXPECT_EQ(list[1].ve_valueptr, reinterpret_cast<std::uintptr_t>(out + 6));
    EXPECT_EQ(std::string(out, 10), std::string("hello\0\x07\0\0\0", 10));
    list[1].ve_valuename = n3;
    EXPECT_EQ(RegQueryMultipleValues(k, list, 2, out, &total), ERROR_FILE_NOT_FOUND);

    // Missing keys, bad names, access rights, closed handles.
    HKEY none = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nope", 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(Create(HKEY_CURRENT_USER, "Software\\\\x"), nullptr);
    EXPECT_EQ(Create(HKEY_CURRENT_USER, std::string(256, 'k').c_str()), nullptr);
    EXPECT_EQ(SetText(k, "line\nbreak", "x"), ERROR_INVALID_PARAMETER);
    HKEY readOnly = Open(HKEY_CURRENT_USER, "Software\\Q", KEY_READ);
    EXPECT_EQ(SetDword(readOnly, "Num", 8), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(readOnly), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(readOnly), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueEx(reinterpret_cast<HKEY>(&total), "Num", nullptr, nullptr, nullptr, &size),
              ERROR_INVALID_HANDLE);
    RegCloseKey(k);
}

TEST(Registry, RootsLiveInTheirOwnFiles) {
    RegistrySandbox box;
    HKEY m = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Thing");
    SetText(m, nullptr, "machine");
    SetText(m, "Only", "machine only");
    RegCloseKey(m);
    EXPECT_EQ(ReadFile(box.system).find("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"), 0u);
    EXPECT_FALSE(fs::exists(box.user));

    // The classes root shows the machine's key until the user has one, and writes into the user's file.
    HKEY c = Open(HKEY_CLASSES_ROOT, "thing");
    EXPECT_EQ(Get(c, nullptr).second, Sz("machine"));
    EXPECT_EQ(SetText(c, nullptr, "user"), ERROR_SUCCESS);
    EXPECT_EQ(Get(c, nullptr).second, Sz("user"));
    EXPECT_EQ(Get(c, "Only").second, "<missing>");  // the user's key now stands for the whole key
    RegCloseKey(c);
    RegCloseKey(Create(HKEY_CLASSES_ROOT, "Other"));
    DWORD count = 0;
    RegQueryInfoKey(HKEY_CLASSES_ROOT, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                    nullptr, nullptr, nullptr);
    EXPECT_EQ(count, 2u);  // "Other" (user) and "Thing" (both)
    EXPECT_NE(ReadFile(box.user).find("[HKEY_CURRENT_USER\\Software\\Classes\\Thing]\r\n@=\"user\"\r\n"),
              std::string::npos);
    m = Open(HKEY_LOCAL_MACHINE, "Software\\Classes\\Thing");
    EXPECT_EQ(Get(m, nullptr).second, Sz("machine"));
    RegCloseKey(m);
}

TEST(Registry, WritesReplaceTheFileAtomically) {
    RegistrySandbox box;
    WriteFile(box.user, kSample);
    struct stat before;
    ASSERT_EQ(::stat(box.user.c_str(), &before), 0);
    FILE* old = std::fopen(box.user.c_str(), "rb");
    ASSERT_NE(old, nullptr);

    HKEY k = Create(HKEY_CURRENT_USER, "Software\\Maker");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(SetDword(k, "New", 1), ERROR_SUCCESS);
    RegCloseKey(k);

    // A new file took the old one's name; a reader that had the old one open still sees it whole.
    struct stat after;
    ASSERT_EQ(::stat(box.user.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    char buf[256] = {};
    size_t n = std::fread(buf, 1, sizeof buf, old);
    std::fclose(old);
    EXPECT_EQ(std::string(buf, n), kSample);
    EXPECT_EQ(ReadFile(box.user),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\r\n[HKEY_CURRENT_USER\\Software\\Maker]\r\n"
              "\"Kept\"=\"yes\"\r\n\"New\"=dword:00000001\r\n\r\n");
    // No temporary file is left behind; the lock file stays.
    EXPECT_EQ(FolderEntries(box.dir.path().string()), (std::vector<std::string>{"user.reg", "user.reg.lock"}));
}

TEST(Registry, ConcurrentWritersLoseNothing) {
    RegistrySandbox box;
    constexpr int kProcesses = 4, kWrites = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            std::string key = "Software\\Writer" + std::to_string(p);
            for (int i = 0; i < kWrites; ++i) {
                HKEY k = Create(HKEY_CURRENT_USER, key.c_str());
                ok = ok && k && SetDword(k, ("V" + std::to_string(i)).c_str(), DWORD(p * 1000 + i)) == ERROR_SUCCESS;
                if (k) RegCloseKey(k);
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p < kProcesses; ++p) {
        HKEY k = Open(HKEY_CURRENT_USER, ("Software\\Writer" + std::to_string(p)).c_str());
        for (int i = 0; i < kWrites; ++i) {
            DWORD v = DWORD(p * 1000 + i);
            EXPECT_EQ(Get(k, ("v" + std::to_string(i)).c_str()).second, std::string(reinterpret_cast<char*>(&v), 4));
        }
        RegCloseKey(k);
    }
}

TEST(Registry, FilesThatDoNotParseAreReportedAndMovedAsideNotOverwritten) {
    const std::string longLine = "\"Long\"=\"" + std::string(1 << 20, 'x') + "\"\r\n";
    struct Case {
        std::string text;
        const char* report;  // what follows "does not parse: " in the message
    };
    const std::vector<Case> bad = {
        // Cut inside a section name.
        {std::string(kSample).substr(0, 60), "line 5 (a section without its closing bracket): [HKEY_CURRENT_US"},
        // Cut inside a dword or a hex value: the smaller number, the fewer bytes are not taken.
        {std::string(kSample) + "\"N\"=dword:0000000", "line 8 (the file ends inside this dword (no line end)): "
                                                        "\"N\"=dword:0000000"},
        {std::string(kSample) + "\"B\"=hex:01,02", "line 8 (the file ends inside this hex value (no line end)): "
                                                  "\"B\"=hex:01,02"},
        {std::string(kSample) + "\"Cut\"=\"no end\r\n", "line 8 (a text value that does not end): \"Cut\"=\"no end"},
        {std::string("\x7f" "ELF\x02\x01\x01\0\0\0garbage\xff\xfe", 19),
         "line 1 (a zero byte): \\x7fELF\\x02\\x01\\x01"},
        {"[HKEY_CURRENT_USER\\Software]\r\n", "line 1 (the first line is not REGEDIT4): [HKEY_CURRENT_USER\\Software]"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n",
         "line 2 (a section under another root): [HKEY_LOCAL_MACHINE\\Software]"},
        {"REGEDIT4\r\n\"Orphan\"=\"value\"\r\n", "line 2 (a value before the first section): \"Orphan\"=\"value\""},
        {"REGEDIT4\r\n[HKEY_CURRENT_USER\\Software]\r\n\"D\"=dword:123456789\r\n",
         "line 3 (a dword that is not one to eight hex digits): \"D\"=dword:123456789"},
        {"REGEDIT4\r\n[HKEY_CURRENT_USER\\Software]\r\n" + std::string(1 << 20, 'y') + "\r\n",
         "line 3 (neither a section, a value nor a comment): yyyy"},
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        RegistrySandbox box;
        WriteFile(box.user, bad[i].text);
        // The first read reports the file once and moves it aside; reads see an empty store.
        testing::internal::CaptureStderr();
        EXPECT_EQ(Open(HKEY_CURRENT_USER, "Software\\Maker"), nullptr);
        HKEY software = Open(HKEY_CURRENT_USER, "Software");
        ASSERT_NE(software, nullptr);
        RegCloseKey(software);
        const std::string err = testing::internal::GetCapturedStderr();
        std::vector<std::string> names = FolderEntries(box.dir.path().string());
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ(names[0].substr(0, 13), "user.reg.bad-");
        EXPECT_EQ(names[1], "user.reg.lock");
        EXPECT_EQ(ReadFile(box.dir.file(names[0])), bad[i].text);
        const std::string head = "xrddata: warning: the settings store " + box.user + " does not parse: " +
                                 bad[i].report;
        EXPECT_EQ(err.substr(0, head.size()), head);
        EXPECT_NE(err.find("; it was moved to " + box.dir.file(names[0]) + "; the factory values are used\n"),
                  std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);

        // A change writes a new file beside the kept one.
        HKEY k = Create(HKEY_CURRENT_USER, "Software\\Fresh");
        ASSERT_NE(k, nullptr);
        RegCloseKey(k);
        EXPECT_EQ(FolderEntries(box.dir.path().string()), (std::vector<std::string>{"user.reg", names[0], names[1]}));
        EXPECT_EQ(ReadFile(box.dir.file(names[0])), bad[i].text);
        EXPECT_EQ(ReadFile(box.user),
                  "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\r\n[HKEY_CURRENT_USER\\Software\\Fresh]\r\n\r\n");
    }

    // A file that turns bad between a read and a change is kept aside by the change too.
    {
        RegistrySandbox box;
        WriteFile(box.user, kSample);
        HKEY k = Open(HKEY_CURRENT_USER, "Software\\Maker");
        ASSERT_NE(k, nullptr);
        WriteFile(box.user, std::string(kSample) + "\"N\"=dword:0000000");
        testing::internal::CaptureStderr();
        EXPECT_EQ(SetDword(k, "New", 1), ERROR_KEY_DELETED);  // the key is not in what remains
        EXPECT_NE(testing::internal::GetCapturedStderr().find("does not parse: line 8"), std::string::npos);
        RegCloseKey(k);
        EXPECT_EQ(FolderEntries(box.dir.path().string()).size(), 2u);
    }

    // Empty files and very long values are fine.
    RegistrySandbox box;
    WriteFile(box.user, "");
    HKEY k = Create(HKEY_CURRENT_USER, "Software\\Maker");
    ASSERT_NE(k, nullptr);
    RegCloseKey(k);
    // A last text, section or eight-digit dword without its line end is whole.
    WriteFile(box.user, std::string(kSample) + longLine + "\"D\"=dword:0000002a\r\n\"Last\"=\"x\"");
    k = Open(HKEY_CURRENT_USER, "Software\\Maker");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(Get(k, "Last").second, Sz("x"));
    EXPECT_EQ(Get(k, "Long").second.size(), (1u << 20) + 1);
    EXPECT_EQ(Get(k, "Kept").second, Sz("yes"));
    RegCloseKey(k);
    EXPECT_EQ(FolderEntries(box.dir.path().string()), (std::vector<std::string>{"user.reg", "user.reg.lock"}));
}

TEST(Registry, WritesCreateMissingFoldersAndFailWhereTheyCannotWrite) {
    RegistrySandbox box;
    // Without the variable the user's file lies below an absolute XDG_CONFIG_HOME, else below ~/.config.
    std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    const bool hadXdg = std::getenv("XDG_CONFIG_HOME") != nullptr;
    std::string xdg = hadXdg ? std::getenv("XDG_CONFIG_HOME") : "";
    ::unsetenv("XRDDATA_USER_REGISTRY");
    ::setenv("XDG_CONFIG_HOME", box.dir.file("config").c_str(), 1);
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Made"));
    EXPECT_TRUE(fs::is_regular_file(box.dir.file("config/xrddata/user.reg")));
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    ::setenv("HOME", box.dir.file("home").c_str(), 1);
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Made"));
    EXPECT_TRUE(fs::is_regular_file(box.dir.file("home/.config/xrddata/user.reg")));
    hadXdg ? ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", home.c_str(), 1);

    // A folder that cannot exist (a file stands in its place): reads give the defaults, writes fail.
    WriteFile(box.dir.file("plain"), "x");
    ::setenv("XRDDATA_USER_REGISTRY", box.dir.file("plain/user.reg").c_str(), 1);
    EXPECT_EQ(Create(HKEY_CURRENT_USER, "Software\\X"), nullptr);
    HKEY software = Open(HKEY_CURRENT_USER, "Software");
    EXPECT_NE(software, nullptr);
    EXPECT_NE(SetDword(software, "V", 1), ERROR_SUCCESS);
    RegCloseKey(software);

    // A file without write permission (kept even for the superuser) and a folder in the file's place.
    std::string locked = box.dir.file("locked.reg");
    WriteFile(locked, kSample);
    ::chmod(locked.c_str(), 0444);
    ::setenv("XRDDATA_USER_REGISTRY", locked.c_str(), 1);
    HKEY k = Open(HKEY_CURRENT_USER, "Software\\Maker");
    EXPECT_EQ(SetDword(k, "New", 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Get(k, "Kept").second, Sz("yes"));
    RegCloseKey(k);
    EXPECT_EQ(ReadFile(locked), kSample);

    std::string folder = box.dir.file("folder.reg");
    fs::create_directory(folder);
    ::setenv("XRDDATA_USER_REGISTRY", folder.c_str(), 1);
    EXPECT_EQ(Create(HKEY_CURRENT_USER, "Software\\X"), nullptr);
    EXPECT_TRUE(fs::is_directory(folder));

    // A folder without write permission (only meaningful for a user whom permissions stop).
    if (::geteuid() != 0) {
        std::string shut = box.dir.file("shut");
        fs::create_directory(shut);
        WriteFile(shut + "/user.reg", kSample);
        ::chmod(shut.c_str(), 0555);
        ::setenv("XRDDATA_USER_REGISTRY", (shut + "/user.reg").c_str(), 1);
        EXPECT_EQ(Create(HKEY_CURRENT_USER, "Software\\X"), nullptr);
        EXPECT_EQ(ReadFile(shut + "/user.reg"), kSample);
        ::chmod(shut.c_str(), 0755);
    }
}

// Another program rewrites the file in place with a text of the same length; the clock may not have moved
// meanwhile, so the test moves the file's time on.
static void Rewrite(const std::string& path, const std::string& text, int seconds) {
    auto stamp = fs::last_write_time(path);
    WriteFile(path, text);
    fs::last_write_time(path, stamp + std::chrono::seconds(seconds));
}

TEST(Registry, ChangedFilesAreReadAgainOncePerReadScope) {
    RegistrySandbox box;
    WriteFile(box.user, kSample);
    HKEY k = Open(HKEY_CURRENT_USER, "Software\\Maker");
    EXPECT_EQ(Get(k, "Kept").second, Sz("yes"));
    std::string changed = kSample;
    changed.replace(changed.find("yes"), 3, "now");
    Rewrite(box.user, changed, 2);
    EXPECT_EQ(Get(k, "Kept").second, Sz("now"));
    {
        CRegistryReadScope scope;
        EXPECT_EQ(Get(k, "Kept").second, Sz("now"));
        Rewrite(box.user, kSample, 4);
        {
            CRegistryReadScope inner;
            EXPECT_EQ(Get(k, "Kept").second, Sz("now"));  // the file as the scope first saw it
        }
        EXPECT_EQ(SetDword(k, "Own", 5), ERROR_SUCCESS);  // a change reads the file under the lock
        EXPECT_EQ(Get(k, "Own").second, std::string("\x05\0\0\0", 4));
        EXPECT_EQ(Get(k, "Kept").second, Sz("yes"));
    }
    // The file goes away: the key is gone, and so are its values.
    fs::remove(box.user);
    EXPECT_EQ(Get(k, "Kept").second, "<missing>");
    EXPECT_EQ(SetDword(k, "V", 1), ERROR_KEY_DELETED);
    RegCloseKey(k);
}

namespace {

// Reads every value of a group of n DWORDs (absent: 0), sets one, and writes the group back, as a program that
// keeps its settings together does; inside a transaction the read and the write are one step.
bool ReadModifyWrite(const char* key, int n, int own, DWORD value) {
    CRegistryTransaction tx;
    HKEY k = Create(HKEY_CURRENT_USER, key);
    if (!k) return false;
    std::vector<DWORD> group(n, 0);
    for (int i = 0; i < n; ++i) {
        std::string bytes = Get(k, ("V" + std::to_string(i)).c_str()).second;
        if (bytes.size() == 4) std::memcpy(&group[i], bytes.data(), 4);
    }
    group[own] = value;
    bool ok = true;
    for (int i = 0; i < n; ++i) ok = SetDword(k, ("V" + std::to_string(i)).c_str(), group[i]) == ERROR_SUCCESS && ok;
    RegCloseKey(k);
    return tx.Commit() == ERROR_SUCCESS && ok;
}

}  // namespace

TEST(RegistryTransaction, ConcurrentReadModifyWritesOfAGroupLoseNoValue) {
    RegistrySandbox box;
    constexpr int kWriters = 20, kRounds = 10;
    for (int round = 1; round <= kRounds; ++round) {
        // All writers start together once the pipe closes.
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        std::vector<pid_t> children;
        for (int w = 0; w < kWriters; ++w) {
            pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                ::close(gate[1]);
                char c;
                while (::read(gate[0], &c, 1) > 0) {
                }
                ::_exit(ReadModifyWrite("Software\\Group", kWriters, w, DWORD(round * 100 + w)) ? 0 : 1);
            }
            children.push_back(pid);
        }
        ::close(gate[0]);
        ::close(gate[1]);
        for (pid_t pid : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        HKEY k = Open(HKEY_CURRENT_USER, "Software\\Group");
        ASSERT_NE(k, nullptr);
        int lost = 0;
        for (int w = 0; w < kWriters; ++w) {
            DWORD v = DWORD(round * 100 + w);
            lost += Get(k, ("V" + std::to_string(w)).c_str()).second != std::string(reinterpret_cast<char*>(&v), 4);
        }
        RegCloseKey(k);
        EXPECT_EQ(lost, 0) << "round " << round;
    }
}

TEST(RegistryTransaction, ChangesAreOneReplaceSeenByTheWriterAtOnce) {
    RegistrySandbox box;
    WriteFile(box.user, kSample);
    struct stat before;
    ASSERT_EQ(::stat(box.user.c_str(), &before), 0);
    {
        CRegistryTransaction tx;
        HKEY k = Create(HKEY_CURRENT_USER, "Software\\Maker\\New");
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(SetDword(k, "A", 1), ERROR_SUCCESS);
        EXPECT_EQ(SetText(k, "B", "two"), ERROR_SUCCESS);
        {
            CRegistryTransaction inner(CRegistryTransaction::LockAtFirstChange);  // joins the outer one
            EXPECT_EQ(SetDword(k, "C", 3), ERROR_SUCCESS);
            EXPECT_EQ(inner.Commit(), ERROR_SUCCESS);
        }
        // The writer reads its own changes; the file is untouched until the end.
        EXPECT_EQ(Get(k, "B").second, Sz("two"));
        EXPECT_EQ(ReadFile(box.user), kSample);
        RegCloseKey(k);
    }
    struct stat after;
    ASSERT_EQ(::stat(box.user.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_NE(ReadFile(box.user).find("[HKEY_CURRENT_USER\\Software\\Maker\\New]\r\n\"A\"=dword:00000001\r\n"
                                      "\"B\"=\"two\"\r\n\"C\"=dword:00000003\r\n"),
              std::string::npos);

    // An exception out of the scope, and Rollback, drop the changes.
    try {
        CRegistryTransaction tx;
        HKEY k = Open(HKEY_CURRENT_USER, "Software\\Maker\\New");
        SetDword(k, "A", 9);
        RegCloseKey(k);
        throw std::runtime_error("stop");
    } catch (const std::runtime_error&) {
    }
    {
        CRegistryTransaction tx;
        HKEY k = Open(HKEY_CURRENT_USER, "Software\\Maker\\New");
        SetDword(k, "B", 9);
        RegCloseKey(k);
        tx.Rollback();
    }
    HKEY k = Open(HKEY_CURRENT_USER, "Software\\Maker\\New");
    EXPECT_EQ(Get(k, "A").second, std::string("\x01\0\0\0", 4));
    EXPECT_EQ(Get(k, "B").second, Sz("two"));
    RegCloseKey(k);
}

TEST(RegistryTransaction, ValuesThatCannotBeWrittenAreReportedNotPretended) {
    RegistrySandbox box;
    // A read-only file: the change fails at once, is not seen by the transaction's own reads, and the commit
    // reports it.
    WriteFile(box.user, kSample);
    ::chmod(box.user.c_str(), 0444);
    {
        CRegistryTransaction tx;
        HKEY k = Open(HKEY_CURRENT_USER, "Software\\Maker");
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(SetDword(k, "New", 1), ERROR_ACCESS_DENIED);
        EXPECT_EQ(Get(k, "New").second, "<missing>");
        EXPECT_EQ(Get(k, "Kept").second, Sz("yes"));
        RegCloseKey(k);
        EXPECT_EQ(tx.Commit(), ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(ReadFile(box.user), kSample);

    // The folder goes away between a change and the commit: the commit fails and says so.
    std::string dir = box.dir.file("gone");
    fs::create_directory(dir);
    ::setenv("XRDDATA_USER_REGISTRY", (dir + "/user.reg").c_str(), 1);
    {
        CRegistryTransaction tx;
        HKEY k = Create(HKEY_CURRENT_USER, "Software\\Maker");
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(SetDword(k, "New", 1), ERROR_SUCCESS);
        RegCloseKey(k);
        fs::remove_all(dir);
        EXPECT_NE(tx.Commit(), ERROR_SUCCESS);
    }
    EXPECT_FALSE(fs::exists(dir + "/user.reg"));
}

TEST(RegistryTransaction, ReadersOnOtherThreadsSeeATransactionWholeOrNotAtAll) {
    RegistrySandbox box;
    HKEY k = Create(HKEY_CURRENT_USER, "Software\\Pair");
    ASSERT_NE(k, nullptr);
    SetDword(k, "A", 0);
    SetDword(k, "B", 0);
    constexpr DWORD kLast = 150;
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, backwards{0};
    auto reader = [&] {
        DWORD seen = 0;
        while (!done.load()) {
            CRegistryReadScope scope;  // one content for both reads
            DWORD a = 0, b = 0;
            std::memcpy(&a, Get(k, "A").second.data(), 4);
            std::memcpy(&b, Get(k, "B").second.data(), 4);
            torn += a != b;
            backwards += a < seen;
            seen = a;
        }
    };
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) readers.emplace_back(reader);
    for (DWORD v = 1; v <= kLast; ++v) {
        CRegistryTransaction tx;
        SetDword(k, "A", v);
        SetDword(k, "B", v);
        ASSERT_EQ(tx.Commit(), ERROR_SUCCESS);
    }
    done = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(backwards.load(), 0);
    EXPECT_EQ(Get(k, "B").second, std::string(reinterpret_cast<const char*>(&kLast), 4));
    RegCloseKey(k);
}
