#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <string>

#include "pattern/pattern_support.h"
#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/registry.h"

using pattern_testing::Probe;
using testing_support::ReadFile;
using testing_support::RegistrySandbox;
using testing_support::WriteFile;

namespace {

const char kSettings[] = "HKEY_CURRENT_USER\\Software\\Tarvenic\\Data Settings";

// A settings file holding the given sections (each "Name]\r\n<values>") below the Data Settings key.
std::string SettingsFile(std::initializer_list<std::string> sections) {
    std::string text = "REGEDIT4\r\n\r\n[" + std::string(kSettings) + "]\r\n\r\n";
    for (const std::string& s : sections) text += "[" + std::string(kSettings) + "\\" + s + "\r\n";
    return text;
}

struct Eleven {
    double length = -1, scale = -1, fixed = -1, u = -1, v = -1, w = -1, factor = -1, esds = -1;
    int autoWidth = -1, widthType = -1, countType = -1;
};

void Read(CXRDData& d, Eleven& e) {
    d.ReadRegistry(e.length, e.scale, e.autoWidth, e.widthType, e.fixed, e.u, e.v, e.w, e.countType, e.factor,
                   e.esds);
}

}  // namespace

TEST(Settings, WriteRegistryStoresTextsAndDwordsInTheirSubKeys) {
    RegistrySandbox box;
    CXRDData d;
    d.WriteRegistry(6.5, 0.25, 0, 1, 0.123456789, 1e-10, -0.5, 0.0004, 2, 1234567.0, 2.5);
    std::string expected = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\r\n"
                           "[HKEY_CURRENT_USER\\Software\\Tarvenic]\r\n\r\n[" +
                           std::string(kSettings) + "]\r\n\r\n";
    const std::pair<const char*, const char*> values[] = {
        {"AutoWidth", "dword:00000000"},   {"BackgroundLength", "\"6.5\""}, {"BackgroundScale", "\"0.25\""},
        {"CountType", "dword:00000002"},   {"Esds", "\"2.5\""},             {"FixedWidth", "\"0.123457\""},
        {"ScaleFactor", "\"1.23457e+006\""}, {"U", "\"1e-010\""},           {"V", "\"-0.5\""},
        {"W", "\"0.0004\""},               {"WidthType", "dword:00000001"}};
    for (const auto& [name, value] : values)
        expected += "[" + std::string(kSettings) + "\\" + name + "]\r\n\"" + name + "\"=" + value + "\r\n\r\n";
    EXPECT_EQ(ReadFile(box.user), expected);

    // New patterns start from the stored texts, as %g left them.
    CXRDData n;
    EXPECT_EQ(n.m_dBackgroundLength, 6.5);
    EXPECT_EQ(n.m_dBackgroundScale, 0.25);
    EXPECT_EQ(n.m_bAutoWidth, 0);
    EXPECT_EQ(n.m_nWidthType, 1);
    EXPECT_EQ(n.m_dFixedWidth, 0.123457);
    EXPECT_EQ(n.m_dU, 1e-10);
    EXPECT_EQ(n.m_dV, -0.5);
    EXPECT_EQ(n.m_dW, 0.0004);
    EXPECT_EQ(n.m_nCountType, 2);
    EXPECT_EQ(n.m_dScaleFactor, 1234570.0);
    EXPECT_EQ(n.m_dEsds, 2.5);

    // Writing the same values again leaves the file as it is.
    auto before = std::filesystem::last_write_time(box.user);
    n.WriteRegistry(6.5, 0.25, 0, 1, 0.123457, 1e-10, -0.5, 0.0004, 2, 1234570.0, 2.5);
    EXPECT_EQ(std::filesystem::last_write_time(box.user), before);
}

TEST(Settings, ReadRegistryFallsBackToTheMembersNotTheArguments) {
    RegistrySandbox box;
    WriteFile(box.user, SettingsFile({"AutoWidth]\r\n\"AutoWidth\"=dword:00000000\r\n", "Esds]\r\n\"Esds\"=\"3\"\r\n"}) +
                            "[" + kSettings + "]\r\n\"W\"=\"0.5\"\r\n");
    CXRDData d;
    EXPECT_EQ(d.m_bAutoWidth, 0);  // every new pattern starts with detection off
    EXPECT_EQ(d.m_dEsds, 3.0);
    EXPECT_EQ(d.m_dW, 0.01);  // a "W" directly in Data Settings is not the setting

    d.m_dFixedWidth = 0.2;
    d.m_nWidthType = 1;
    Eleven e;
    e.fixed = 7.0;
    Read(d, e);
    EXPECT_EQ(e.fixed, 0.2);
    EXPECT_EQ(e.widthType, 1);
    EXPECT_EQ(e.autoWidth, 0);
    EXPECT_EQ(e.esds, 3.0);
    EXPECT_EQ(e.length, 5.0);

    // The members themselves go through "%g" on the way: a default holds six significant digits.
    d.m_dBackgroundLength = 0.123456789;
    Read(d, e);
    EXPECT_EQ(e.length, 0.123457);

    // Without a store that can hold the key the arguments stay as they are, and patterns get factory values.
    std::string blocked = box.dir.file("plain");
    WriteFile(blocked, "x");
    ::setenv("XRDDATA_USER_REGISTRY", (blocked + "/user.reg").c_str(), 1);
    Eleven untouched;
    Read(d, untouched);
    EXPECT_EQ(untouched.fixed, -1.0);
    EXPECT_EQ(untouched.autoWidth, -1);
    CXRDData fresh;
    EXPECT_EQ(fresh.m_bAutoWidth, 1);
    EXPECT_EQ(fresh.m_dEsds, 1.0);
    d.WriteRegistry(1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1);  // silently nothing
    EXPECT_EQ(ReadFile(blocked), "x");
}

TEST(Settings, ValuesOfTheWrongTypeReadWithoutHarm) {
    RegistrySandbox box;
    // A short text where a DWORD is expected fills the low bytes ("12" and its zero: 0x3231); a longer one does not
    // fit four bytes and gives the default. A DWORD where a text is expected reads as the characters of its bytes
    // (bytes 39 35 00 00: "95"); a text that is no number reads as 0.0.
    WriteFile(box.user, SettingsFile({"AutoWidth]\r\n\"AutoWidth\"=\"12\"\r\n",
                                      "WidthType]\r\n\"WidthType\"=\"1234\"\r\n",
                                      "CountType]\r\n\"CountType\"=hex:07\r\n",
                                      "FixedWidth]\r\n\"FixedWidth\"=dword:00003539\r\n",
                                      "U]\r\n\"U\"=dword:00000005\r\n",
                                      "V]\r\n\"V\"=\"abc\"\r\n",
                                      "W]\r\n\"W\"=hex:32,2e,35\r\n",
                                      "Esds]\r\n\"Esds\"=hex(1):\r\n"}));
    CXRDData d;
    EXPECT_EQ(d.m_bAutoWidth, 0x3231);
    EXPECT_EQ(d.m_nWidthType, 0);  // the factory value stays
    EXPECT_EQ(d.m_nCountType, 7);
    EXPECT_EQ(d.m_dFixedWidth, 95.0);
    EXPECT_EQ(d.m_dU, 0.0);
    EXPECT_EQ(d.m_dV, 0.0);
    EXPECT_EQ(d.m_dW, 2.5);  // text bytes without their zero
    EXPECT_EQ(d.m_dEsds, 0.0);
    EXPECT_EQ(d.m_dBackgroundLength, 5.0);
}

TEST(Settings, StoreFilesThatDoNotParseGiveFactoryValues) {
    for (const std::string& bad : {std::string("garbage\x01\x02"), std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\Soft"),
                                   std::string(5000, '\xff')}) {
        RegistrySandbox box;
        WriteFile(box.user, bad);
        CXRDData d;
        EXPECT_EQ(d.m_bAutoWidth, 1);
        EXPECT_EQ(d.m_dFixedWidth, 0.1);
        // Creating the sub-keys replaced the file; the unparsable one is kept beside it.
        int backups = 0;
        for (const auto& e : std::filesystem::directory_iterator(box.dir.path()))
            if (e.path().filename().string().rfind("user.reg.bad-", 0) == 0) {
                ++backups;
                EXPECT_EQ(ReadFile(e.path().string()), bad);
            }
        EXPECT_EQ(backups, 1);
    }
}

TEST(Settings, AStoreCutShortIsReportedNotReadAsShorterNumbers) {
    RegistrySandbox box;
    // The file ends inside the WidthType value: "dword:0000000" of "dword:00000001".
    const std::string cut = SettingsFile({"AutoWidth]\r\n\"AutoWidth\"=dword:00000000\r\n",
                                          "WidthType]\r\n\"WidthType\"=dword:00000001\r\n"});
    WriteFile(box.user, cut.substr(0, cut.size() - 5));
    testing::internal::CaptureStderr();
    CXRDData d;
    CXRDData again;
    const std::string err = testing::internal::GetCapturedStderr();
    // The whole store is refused: factory values, also for the AutoWidth that was stored whole.
    EXPECT_EQ(d.m_bAutoWidth, 1);
    EXPECT_EQ(d.m_nWidthType, 0);
    EXPECT_EQ(again.m_bAutoWidth, 1);
    EXPECT_EQ(err.rfind("xrddata: warning: the settings store " + box.user +
                            " does not parse: line 9 (the file ends inside this dword (no line end)): "
                            "\"WidthType\"=dword:0000000; it was moved to " + box.user + ".bad-",
                        0),
              0u)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);  // once
}

// Each writer changes one setting of a pattern built inside a transaction and stores all eleven, as a program
// that sets one default does.
TEST(Settings, ConcurrentWritersOfDifferentSettingsLoseNone) {
    RegistrySandbox box;
    constexpr int kRounds = 2;
    for (int round = 1; round <= kRounds; ++round) {
        std::vector<pid_t> children;
        for (int w = 0; w < 11; ++w) {
            pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                CRegistryTransaction tx;
                CXRDData p;
                Eleven e;
                Read(p, e);
                double* reals[] = {&e.length, &e.scale, nullptr, nullptr, &e.fixed, &e.u, &e.v, &e.w, nullptr,
                                   &e.factor, &e.esds};
                int* ints[] = {nullptr, nullptr, &e.autoWidth, &e.widthType, nullptr, nullptr, nullptr, nullptr,
                               &e.countType, nullptr, nullptr};
                if (reals[w]) *reals[w] = round * 10 + w;
                else *ints[w] = (round + w) % 2;
                p.WriteRegistry(e.length, e.scale, e.autoWidth, e.widthType, e.fixed, e.u, e.v, e.w, e.countType,
                                e.factor, e.esds);
                ::_exit(tx.Commit() == ERROR_SUCCESS ? 0 : 1);
            }
            children.push_back(pid);
        }
        for (pid_t pid : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        CXRDData n;
        EXPECT_EQ(n.m_dBackgroundLength, round * 10 + 0);
        EXPECT_EQ(n.m_dBackgroundScale, round * 10 + 1);
        EXPECT_EQ(n.m_bAutoWidth, (round + 2) % 2);
        EXPECT_EQ(n.m_nWidthType, (round + 3) % 2);
        EXPECT_EQ(n.m_dFixedWidth, round * 10 + 4);
        EXPECT_EQ(n.m_dU, round * 10 + 5);
        EXPECT_EQ(n.m_dV, round * 10 + 6);
        EXPECT_EQ(n.m_dW, round * 10 + 7);
        EXPECT_EQ(n.m_nCountType, (round + 8) % 2);
        EXPECT_EQ(n.m_dScaleFactor, round * 10 + 9);
        EXPECT_EQ(n.m_dEsds, round * 10 + 10);
    }
}

TEST(Settings, ProfileOperations) {
    RegistrySandbox box;
    Probe p;
    EXPECT_EQ(p.GetProfileInt(nullptr, "X", -3), UINT(-3));
    EXPECT_EQ(p.GetProfileString(nullptr, "X", "dflt"), "dflt");
    EXPECT_EQ(p.WriteProfileInt(nullptr, "X", 1), 0);

    HKEY k = p.GetRegistryKey();
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(p.WriteProfileString(k, nullptr, "v"), 0);
    EXPECT_EQ(p.GetProfileString(k, "DataDirectory", ""), "");
    EXPECT_EQ(p.WriteProfileString(k, "DataDirectory", "/home/me/data \xC3\xA9"), 1);
    EXPECT_EQ(p.GetProfileString(k, "DataDirectory", ""), "/home/me/data \xC3\xA9");
    EXPECT_EQ(p.WriteProfileInt(k, "DataFormat", -2), 1);
    EXPECT_EQ(p.GetProfileInt(k, "DataFormat", 0), UINT(-2));
    EXPECT_EQ(p.WriteProfileReal(k, "Real", 2.5e-7), 1);
    EXPECT_EQ(p.GetProfileString(k, "Real", ""), "2.5e-007");
    EXPECT_EQ(p.GetProfileReal(k, "Real", 0.0), 2.5e-7);
    EXPECT_EQ(p.GetProfileReal(k, "Missing", 1.0 / 3.0), 0.333333);
    RegCloseKey(k);
    EXPECT_NE(ReadFile(box.user).find("[" + std::string(kSettings) +
                                      "\\DataDirectory]\r\n\"DataDirectory\"=\"/home/me/data \xC3\xA9\"\r\n"),
              std::string::npos);

    // The protected forms work on the pattern's own members.
    p.m_dEsds = 9.0;
    p.WriteRegistry();
    p.m_dEsds = 1.0;
    p.ReadRegistry();
    EXPECT_EQ(p.m_dEsds, 9.0);
    p.ReadFactory();
    EXPECT_EQ(p.m_dEsds, 1.0);
}
