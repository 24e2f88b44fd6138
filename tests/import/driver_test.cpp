// The import driver: dialog, detection, remembered choices, plug-in hand-over, and what reaches the host's pattern.
#include <gtest/gtest.h>

#include "import/import_support.h"
#include "import/plugin_support.h"
#include "xrddata/import/plugincount.h"
#include "xrddata/platform/ui.h"

using import_testing::Column;
using import_testing::CpiFile;
using import_testing::CranfieldFile;
using import_testing::ImportSandbox;
using import_testing::Section;
using import_testing::UdfFile;
using testing_support::WriteFile;

namespace {

void Remember(const ImportSandbox& box, const std::string& dir, int raw, int peak) {
    char r[16], p[16];
    std::snprintf(r, sizeof r, "dword:%08x", raw);
    std::snprintf(p, sizeof p, "dword:%08x", peak);
    WriteFile(box.registry.user, "REGEDIT4\r\n\r\n" + Section("DataDirectory", "\"" + dir + "\"") +
                                     Section("DataFormat", r) + Section("PeakDataFormat", p));
}

struct Remembered {
    std::string dir;
    int raw, peak;
};

Remembered Read() {
    CFileImporter imp(nullptr);
    return {imp.GetDataDirectory(), imp.GetDataFormat(), imp.GetPeakDataFormat()};
}

}  // namespace

TEST(ImportDriver, DialogOnFirstUseDetectsAndRemembers) {
    ImportSandbox box;
    std::string path = box.Write("scan.xy", "10 100\n11 400\n12 900\n");
    box.ui.answers.push_back({path, {{1001, 0}}});
    CXRDData d;
    ASSERT_EQ(d.DoReadFile(nullptr, 0), 1);
    ASSERT_EQ(box.ui.shown.size(), 1u);
    const auto& shown = box.ui.shown[0];
    EXPECT_EQ(shown.title, "Import Raw Data");
    EXPECT_EQ(shown.initialDir, "");
    EXPECT_EQ(shown.initialFile, "");
    EXPECT_TRUE(shown.openDialog);
    EXPECT_EQ(shown.templateId, 131u);
    EXPECT_EQ(shown.flags & (OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    std::vector<std::string> filters;
    for (const auto& f : shown.filters) filters.push_back(f.text + "|" + f.patterns.at(0));
    EXPECT_EQ(filters, (std::vector<std::string>{"All Files (*.*)|*.*", "Raw Files (*.raw)|*.raw",
                                                  "Udf Files (*.udf)|*.udf", "Udx Files (*.udx)|*.udx",
                                                  "Cpi Files (*.cpi)|*.cpi", "Mdi Files (*.mdi)|*.mdi",
                                                  "Data Files (*.dat)|*.dat", "Text Files (*.txt)|*.txt"}));
    ASSERT_EQ(shown.combos.size(), 1u);
    EXPECT_EQ(shown.combos[0].selection, 0);
    EXPECT_TRUE(box.ui.messages.empty());

    EXPECT_EQ(d.m_strFileName, path);
    EXPECT_EQ(d.m_strSampleName, "scan.xy");
    EXPECT_EQ(d.m_bPeakData, 0);
    EXPECT_EQ(Column(d, CGraphData::Y), (std::vector<double>{100, 400, 900}));
    // The width settings follow the detected width.
    EXPECT_EQ(d.m_bAutoWidth, 1);
    EXPECT_EQ(d.m_nWidthType, 0);
    EXPECT_EQ(d.m_dFixedWidth, d.m_dDetectedWidth);
    EXPECT_EQ(d.m_dU, 0.0);
    EXPECT_EQ(d.m_dV, 0.0);
    EXPECT_EQ(d.m_dW, d.m_dFixedWidth * d.m_dFixedWidth);

    // "Auto" is remembered as 0, the folder without the file name.
    Remembered r = Read();
    EXPECT_EQ(r.dir, box.dir.path().string());
    EXPECT_EQ(r.raw, 0);
    EXPECT_EQ(r.peak, 1);
}

TEST(ImportDriver, RememberedFormatsAndFolders) {
    ImportSandbox box;
    Remember(box, box.dir.path().string(), 8, 1);
    std::string path = box.Write("c.cr", CranfieldFile("5\n6\n"));
    box.ui.answers.push_back({path, {}});
    CXRDData d;
    ASSERT_EQ(d.DoReadFile("", CFileImporter::UseLastFormat), 1);
    EXPECT_EQ(box.ui.shown[0].initialDir, box.dir.path().string());
    EXPECT_EQ(box.ui.shown[0].combos[0].selection, 8);
    EXPECT_EQ(d.m_strSampleName, "Cranfield title");

    // A path whose only separator comes first is remembered whole; the chosen format as chosen.
    box.ui.answers.push_back({"/no-such-file.raw", {{1001, 5}}});
    EXPECT_EQ(d.DoReadFile(nullptr, 0), 0);
    Remembered r = Read();
    EXPECT_EQ(r.dir, "/no-such-file.raw");
    EXPECT_EQ(r.raw, 5);
    ASSERT_EQ(box.ui.messages.size(), 1u);  // the missing file's error
    EXPECT_NE(box.ui.messages[0].text.find("/no-such-file.raw"), std::string::npos);

    // A file given by name changes nothing remembered.
    EXPECT_EQ(d.DoReadFile(path.c_str(), CFileImporter::FormatCranfield), 1);
    r = Read();
    EXPECT_EQ(r.dir, "/no-such-file.raw");
    EXPECT_EQ(r.raw, 5);
    EXPECT_EQ(box.ui.shown.size(), 2u);
}

TEST(ImportDriver, PeakData) {
    ImportSandbox box;
    Remember(box, "", 3, 8);
    std::string path = box.Write("peaks.txt", "20.5 100 2\n30.25 50 1\n");
    box.ui.answers.push_back({path, {{1001, 6}}});  // the disabled list cannot be changed
    CXRDData d;
    d.m_dU = 7.0;
    ASSERT_EQ(d.DoReadPeakFile(nullptr, CFileImporter::UseLastFormat), 1);
    EXPECT_EQ(box.ui.shown[0].title, "Import Peak Data");
    EXPECT_EQ(box.ui.shown[0].combos[0].selection, 1);
    EXPECT_FALSE(box.ui.shown[0].combos[0].enabled);
    EXPECT_EQ(d.m_bPeakData, 1);
    EXPECT_EQ(d.m_strFileName, path);
    EXPECT_EQ(Column(d, CGraphData::YError), (std::vector<double>{2.0, 1.0}));
    Remembered r = Read();
    EXPECT_EQ(r.raw, 3);
    EXPECT_EQ(r.peak, 1);
}

TEST(ImportDriver, DetectionOrderAndUnknownFormats) {
    ImportSandbox box;
    CFileImporter imp(nullptr);
    // A UDF file whose data would also pass as text, a CPI file, a Cranfield file, plain text.
    EXPECT_EQ(imp.DetectFormat(box.Write("a.udf", UdfFile("1, 2, 3, 4, 5, 6, 7, 8\r\n"))), CFileImporter::FormatUdf);
    EXPECT_EQ(imp.DetectFormat(box.Write("b.cpi", CpiFile("1\n2\n"))), CFileImporter::FormatCpi);
    EXPECT_EQ(imp.DetectFormat(box.Write("c.cr", CranfieldFile("5\n"))), CFileImporter::FormatCranfield);
    // Lines 2 to 4 pass the Cranfield test ("%d" and "%lf" take their first number), line 5 does not: text.
    EXPECT_EQ(imp.DetectFormat(box.Write("d.xy", "1 2\n3 4\n5 6\n7 8\n9 10\n")), CFileImporter::FormatText);
    EXPECT_EQ(imp.DetectFormat(box.Write("e.xy", "10 20\n")), CFileImporter::FormatText);
    // Four x-y lines pass the Cranfield test but hold no intensity line after its header: text reads them.
    const std::string four = box.Write("four.xy", "1 2\n3 4\n5 6\n7 8\n");
    EXPECT_EQ(imp.DetectFormat(four), CFileImporter::FormatText);
    // A Cranfield header alone, which no later test takes, stays Cranfield (and keeps its message on reading).
    EXPECT_EQ(imp.DetectFormat(box.Write("h.cr", CranfieldFile(""))), CFileImporter::FormatCranfield);
    {
        CXRDData four_points;
        ASSERT_EQ(four_points.DoReadFile(four.c_str(), CFileImporter::FormatAuto), 1);
        EXPECT_EQ(Column(four_points, CGraphData::Y), (std::vector<double>{2, 4, 6, 8}));
    }
    EXPECT_EQ(imp.DetectFormat(box.Write("f.udf", UdfFile("1, 2, 3\r\n"))), CFileImporter::FormatUnknown);
    EXPECT_EQ(imp.DetectFormat(box.Write("g.bin", std::string(300, '\0'))), CFileImporter::FormatUnknown);
    EXPECT_TRUE(box.ui.messages.empty());

    // Unknown by content, or a format code that is no reader: the message, and the host's pattern as it was.
    CXRDData d;
    ASSERT_EQ(d.DoReadFile(box.Write("ok.xy", "1 4\n2 9\n").c_str(), CFileImporter::FormatText), 1);
    const std::vector<double> before = Column(d, CGraphData::Y);
    const std::string name = d.m_strFileName;
    std::string text = box.Write("t.xy", "1 2\n");
    EXPECT_EQ(d.DoReadFile(box.Write("u.bin", "\x01\x02\x03").c_str(), 0), 0);
    EXPECT_EQ(d.DoReadFile(text.c_str(), CFileImporter::UseLastFormat), 0);
    EXPECT_EQ(d.DoReadFile(text.c_str(), 9), 0);
    EXPECT_EQ(d.DoReadFile(text.c_str(), -1), 0);
    EXPECT_EQ(box.ui.messages.size(), 4u);
    for (const auto& m : box.ui.messages) {
        EXPECT_EQ(m.text, "Cannot determine file format");
        EXPECT_EQ(m.type, MB_ICONEXCLAMATION | MB_OK);
    }
    // A reader that fails part-way leaves the pattern too.
    EXPECT_EQ(d.DoReadFile(box.Write("bad.xy", "5 6\n7 x\n").c_str(), 0), 0);
    EXPECT_EQ(box.ui.messages.back().text, "Bad x,y (error) values");
    EXPECT_EQ(Column(d, CGraphData::Y), before);
    EXPECT_EQ(d.m_strFileName, name);
    EXPECT_TRUE(box.ui.shown.empty());
}

TEST(ImportDriver, CancelAndEmptyPath) {
    ImportSandbox box;
    Remember(box, "/data", 6, 1);
    CXRDData d;
    d.m_strSampleName = "kept";
    box.ui.answers.push_back({"", {{1001, 2}}, true});
    EXPECT_EQ(d.DoReadFile(nullptr, 0), 0);
    EXPECT_EQ(d.DoReadFile(nullptr, 0), 0);  // no answer left: the dialog is cancelled
    EXPECT_EQ(box.ui.shown.size(), 2u);
    EXPECT_TRUE(box.ui.messages.empty());
    EXPECT_EQ(d.m_strSampleName, "kept");
    Remembered r = Read();
    EXPECT_EQ(r.dir, "/data");
    EXPECT_EQ(r.raw, 6);
}

TEST(ImportDriver, RegisteredPluginsTakeOver) {
    ImportSandbox box;
    EXPECT_EQ(CountPluginFormats(), 0);
    // "{A}" names no class and cannot be loaded: it does not count (and is reported once). The other's component
    // exists, but its entry lacks three of the four values.
    plugin_test::ScriptedClass component(44, plugin_test::Script{}, nullptr);
    WriteFile(box.registry.system,
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvenic\\ZIDEzerEzizir\\Formats\\{A}]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvenic\\ZIDEzerEzizir\\Formats\\" +
                  plugin_test::TestClassId(44) + "]\r\n\"Description\"=\"B\"\r\n\r\n");
    EXPECT_EQ(CountPluginFormats(), 1);
    std::string path = box.Write("ok.xy", "1 4\n2 9\n");
    CXRDData d;
    d.m_strSampleName = "kept";
    // No built-in reader, detection or built-in dialog: the plug-in read decides, and neither entry is complete.
    EXPECT_EQ(d.DoReadFile(path.c_str(), CFileImporter::FormatText), 0);
    EXPECT_EQ(d.DoReadFile(nullptr, 0), 0);
    EXPECT_EQ(d.m_strSampleName, "kept");
    EXPECT_EQ(d.GetSize(), 0);
    ASSERT_EQ(box.ui.shown.size(), 2u);
    EXPECT_EQ(box.ui.shown[0].combos[0].entries, std::vector<std::string>{"Auto"});
    EXPECT_EQ(box.Texts(), (std::vector<std::string>{"The plug-in format {A} cannot be loaded: its name is not a class "
                                                     "identifier. The built-in readers read the files in its place.",
                                                     "No XRD Format found for File:\n" + path}));
}
