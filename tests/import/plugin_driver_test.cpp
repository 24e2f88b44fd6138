// The plug-in reader's dialog and remembered choices, and the import driver handing every read to the plug-ins.
#include <gtest/gtest.h>

#include "import_support.h"
#include "plugin_support.h"
#include "xrddata/import/plugincount.h"

using namespace plugin_test;
using import_testing::ImportSandbox;

namespace {

CString Setting(const char* name) {
    HKEY hKey = nullptr;
    std::string path = std::string(PluginSettingsKey) + "\\" + name;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return "<missing>";
    char buf[512] = {};
    DWORD size = sizeof buf - 1, type = 0;
    RegQueryValueEx(hKey, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(hKey);
    return buf;
}

const std::string kXyeId = "{6E1D2B40-3C57-4F0A-9B21-7D4E5A6C8F10}";

void RegisterXye() {
    RegisterFormat(kXyeId, "XYE text", "XYE Files (*.xye)|*.xye|");
    RegisterServer(kXyeId, XRDDATA_EXAMPLE_PLUGIN_PATH);
}

}  // namespace

TEST(PluginDialog, ChoicesAreRememberedAfterOk) {
    ImportSandbox box;
    std::vector<CString> d = {"Auto", "One", "Two", "One"};
    CString filter = "All Files (*.*)|*.*|One (*.one)|*.one||";
    CString file;
    int index = 2;

    // First use: no settings; "Auto" preselected (the dialog preselects by the remembered name).
    box.ui.answers.push_back({box.dir.file("a.one"), {{1001, 3}}});
    ASSERT_EQ(CZIDEzerEzizir::BrowseForFile(0, d, filter, file, index), 1);
    ASSERT_EQ(box.ui.shown.size(), 1u);
    const auto& first = box.ui.shown[0];
    EXPECT_EQ(first.title, "Import Raw Data");
    EXPECT_EQ(first.templateId, 131u);
    EXPECT_EQ(first.initialDir, "");
    EXPECT_EQ(first.combos[0].entries, (std::vector<std::string>{"Auto", "One", "Two", "One"}));
    EXPECT_EQ(first.combos[0].selection, 0);
    ASSERT_EQ(first.filters.size(), 2u);
    EXPECT_EQ(first.filters[1].text, "One (*.one)");
    EXPECT_EQ(file, box.dir.file("a.one"));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(Setting("DataDirectory"), box.dir.path().string());
    EXPECT_EQ(Setting("LastFormat"), "One");

    // Next time: the folder and the later entry of the remembered name; cancel changes nothing.
    file = "kept";
    index = 2;
    EXPECT_EQ(CZIDEzerEzizir::BrowseForFile(1, d, filter, file, index), 0);
    EXPECT_EQ(box.ui.shown[1].title, "Import Peak Data");
    EXPECT_EQ(box.ui.shown[1].initialDir, box.dir.path().string());
    EXPECT_EQ(box.ui.shown[1].combos[0].selection, 3);
    EXPECT_EQ(file, "kept");
    EXPECT_EQ(index, 2);

    // A path whose only slash is its first character is taken, but nothing is remembered.
    box.ui.answers.push_back({"/top.one", {{1001, 2}}});
    ASSERT_EQ(CZIDEzerEzizir::BrowseForFile(0, d, filter, file, index), 1);
    EXPECT_EQ(file, "/top.one");
    EXPECT_EQ(index, 2);
    EXPECT_EQ(Setting("LastFormat"), "One");
    EXPECT_EQ(Setting("DataDirectory"), box.dir.path().string());
}

TEST(PluginDriver, EveryImportGoesThroughThePlugins) {
    ImportSandbox box;
    RegisterXye();
    std::string xye = box.Write("scan.xye", "# Quartz\n20 5\n21 7\n22 6\n");
    std::string text = box.Write("scan.txt", "20 5\n21 7\n");

    // A file name and a built-in code: the plug-in dialog still opens; cancelled, the given file is read in
    // "Auto" mode (no plug-in is described "Two Column Text").
    CXRDData p;
    EXPECT_EQ(p.DoReadFile(xye.c_str(), CFileImporter::FormatText), 1);
    EXPECT_EQ(p.GetSize(), 3);
    EXPECT_EQ(p.m_strFileName, xye);
    EXPECT_EQ(p.m_strSampleName, "Quartz");
    ASSERT_EQ(box.ui.shown.size(), 1u);
    EXPECT_EQ(box.ui.shown[0].combos[0].entries, (std::vector<std::string>{"Auto", "XYE text"}));

    // A text file the built-in reader would read: no plug-in takes it, no built-in reader is tried.
    CXRDData q;
    EXPECT_EQ(q.DoReadFile(text.c_str(), CFileImporter::FormatText), 0);
    EXPECT_EQ(q.GetSize(), 0);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"No XRD Format found for File:\n" + text});

    // The file chosen in the dialog is read and becomes the pattern's file name; peak reads go the same way
    // (the component is not registered for peaks: nothing to choose from, so nothing reads).
    box.ui.messages.clear();
    box.ui.answers.push_back({xye, {{1001, 1}}});
    CXRDData r;
    EXPECT_EQ(r.DoReadFile(nullptr, 0), 1);
    EXPECT_EQ(r.m_strFileName, xye);
    EXPECT_EQ(Setting("LastFormat"), "XYE text");
    CXRDData s;
    EXPECT_EQ(s.DoReadPeakFile(xye.c_str(), 1), 0);
    EXPECT_EQ(box.ui.shown.back().title, "Import Peak Data");
}

TEST(PluginDriver, FormatCodeSelectsThePluginOfThatName) {
    ImportSandbox box;
    std::vector<std::string> log;
    ScriptedClass bruker(1, Script{}, &log), other(2, Script{}, &log);
    RegisterFormat(TestClassId(1), "Bruker-AXS Raw V3", "Raw (*.raw)|*.raw|");
    RegisterFormat(TestClassId(2), "Other", "Raw (*.raw)|*.raw|");
    std::string file = box.Write("x.raw", "");
    CString name = file;
    int peaks = 0;
    CXRDData p;
    EXPECT_EQ(ReadPluginFile(name, &peaks, CFileImporter::FormatDiffracPlus, &p), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"CanRead 1", "Read 1"}));
    // Without such a plug-in, "Auto": the last registered is asked first.
    log.clear();
    EXPECT_EQ(ReadPluginFile(name, &peaks, CFileImporter::FormatDiffracAt, &p), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"CanRead 2", "CanRead 2", "Read 2"}));
}
