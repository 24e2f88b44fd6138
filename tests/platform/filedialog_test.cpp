// The file dialog model: filter syntax, template controls, the modal run through the user-interface object.
#include <gtest/gtest.h>

#include "support/filedialog_ui.h"
#include "xrddata/platform/filedialog.h"

using testing_support::FileDialogAnswer;
using testing_support::ScriptedFileDialogUi;

namespace {

const char* const kImportFilter =
    "All Files (*.*)|*.*|Raw Files (*.raw)|*.raw|Udf Files (*.udf)|*.udf|Udx Files (*.udx)|*.udx|Cpi Files "
    "(*.cpi)|*.cpi|Mdi Files (*.mdi)|*.mdi|Data Files (*.dat)|*.dat|Text Files (*.txt)|*.txt||";

// A dialog with a format list below the file controls, used the way the import code uses it.
class FormatDialog : public CFileDialog {
public:
    FormatDialog() : CFileDialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kImportFilter) {
        DialogTemplate t;
        t.cx = 216;
        t.cy = 19;
        t.font = "MS Sans Serif";
        t.pointSize = 8;
        t.items = {{CDialogControl::Static, -1, "For&mat:", 6, 2, 24, 8, WS_CHILD | WS_VISIBLE | SS_LEFT},
                   {CDialogControl::ComboBox, 1001, "", 54, 0, 155, 53,
                    WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP}};
        SetTemplate(131, t);
    }
    BOOL OnInitDialog() override {
        CFileDialog::OnInitDialog();
        CComboBox* box = GetComboBox(1001);
        for (const char* e : {"Auto", "Two column text", "Stoe"}) box->AddString(e);
        box->SetCurSel(peak ? 1 : format);
        if (peak) box->EnableWindow(FALSE);
        return TRUE;
    }
    BOOL OnFileNameOK() override {
        ++fileNameChecks;
        format = GetComboBox(1001)->GetCurSel();
        return refuse ? TRUE : CFileDialog::OnFileNameOK();
    }
    int format = 0;
    bool peak = false;
    bool refuse = false;
    int fileNameChecks = 0;
};

}  // namespace

TEST(FileDialog, FilterSyntax) {
    CFileDialog d(TRUE, nullptr, nullptr, 0, kImportFilter);
    const auto& f = d.GetFilters();
    ASSERT_EQ(f.size(), 8u);
    EXPECT_EQ(f[0].text, "All Files (*.*)");
    EXPECT_EQ(f[0].patterns, std::vector<CString>{"*.*"});
    EXPECT_EQ(f[5].text, "Mdi Files (*.mdi)");
    EXPECT_EQ(f[7].patterns, std::vector<CString>{"*.txt"});

    CFileDialog multi(TRUE, nullptr, nullptr, 0, "Data|*.dat; *.xy;;*.asc|Raw|*.raw");  // no closing "||"
    ASSERT_EQ(multi.GetFilters().size(), 2u);
    EXPECT_EQ(multi.GetFilters()[0].patterns, (std::vector<CString>{"*.dat", "*.xy", "*.asc"}));
    EXPECT_EQ(multi.GetFilters()[1].text, "Raw");
    EXPECT_EQ(CFileDialog(TRUE, nullptr, nullptr, 0, "Lonely text").GetFilters().size(), 0u);
    EXPECT_EQ(CFileDialog(TRUE, nullptr, nullptr, 0, "A|*.a||B|*.b||").GetFilters().size(), 1u);
    EXPECT_EQ(CFileDialog(TRUE).GetFilters().size(), 0u);
    EXPECT_EQ(CFileDialog(TRUE).m_ofn.Flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
}

TEST(FileDialog, DefaultUserInterfaceCancels) {
    FormatDialog d;
    d.m_ofn.lpstrFile = "x.raw";
    SetCommDlgExtendedError(CDERR_DIALOGFAILURE);
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_EQ(d.fileNameChecks, 0);
    EXPECT_EQ(d.GetPathName(), "x.raw");
}

TEST(FileDialog, ScriptedChoiceOfPathAndFormat) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.file("scan.raw"), "RAW1.01");
    ScriptedFileDialogUi ui;
    FormatDialog d;
    d.m_ofn.lpstrTitle = "Import Raw Data";
    d.m_ofn.lpstrInitialDir = dir.path().string();
    d.format = 0;
    ui.answers.push_back({"scan.raw", {{1001, 2}}});
    ASSERT_EQ(d.DoModal(), IDOK);
    EXPECT_EQ(d.GetPathName(), dir.file("scan.raw"));  // relative to the initial folder, made absolute
    EXPECT_EQ(d.GetFileName(), "scan.raw");
    EXPECT_EQ(d.format, 2);
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    ASSERT_EQ(ui.shown.size(), 1u);
    const auto& s = ui.shown[0];
    EXPECT_EQ(s.title, "Import Raw Data");
    EXPECT_EQ(s.initialDir, dir.path().string());
    EXPECT_EQ(s.templateId, 131u);
    EXPECT_TRUE(s.flags & OFN_ENABLETEMPLATE);
    EXPECT_EQ(s.labels, std::vector<std::string>{"For&mat:"});
    ASSERT_EQ(s.combos.size(), 1u);
    EXPECT_EQ(s.combos[0].id, 1001);
    EXPECT_EQ(s.combos[0].entries, (std::vector<std::string>{"Auto", "Two column text", "Stoe"}));
    EXPECT_EQ(s.combos[0].selection, 0);  // as OnInitDialog left it, before the user's choice
    EXPECT_TRUE(s.combos[0].enabled);
    EXPECT_EQ(s.filters.size(), 8u);

    // A disabled box keeps its entry; a second run starts from fresh controls.
    d.peak = true;
    ui.answers.push_back({dir.file("scan.raw"), {{1001, 2}}});
    ASSERT_EQ(d.DoModal(), IDOK);
    EXPECT_EQ(d.format, 1);
    EXPECT_FALSE(ui.shown[1].combos[0].enabled);
    EXPECT_EQ(ui.shown[1].combos[0].entries.size(), 3u);

    // Cancel, and no answer left: IDCANCEL.
    ui.answers.push_back({"", {}, true});
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    EXPECT_EQ(ui.shown.size(), 4u);
}

TEST(FileDialog, PathsTheDialogRefuses) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.file("a.dat"), "1 2\n");
    ScriptedFileDialogUi ui;
    FormatDialog d;
    d.m_ofn.Flags |= OFN_FILEMUSTEXIST;
    d.m_ofn.lpstrFile = "start.dat";
    ui.answers.push_back({dir.file("missing.dat")});
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    ui.answers.push_back({dir.path().string()});  // a folder
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    ui.answers.push_back({""});
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    EXPECT_EQ(d.fileNameChecks, 0);
    // OnFileNameOK keeping the dialog open: the path is not taken.
    d.refuse = true;
    ui.answers.push_back({dir.file("a.dat")});
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    EXPECT_EQ(d.fileNameChecks, 1);
    EXPECT_EQ(d.GetPathName(), "start.dat");
    d.refuse = false;
    ui.answers.push_back({dir.file("sub/../a.dat")});
    ASSERT_EQ(d.DoModal(), IDOK);
    EXPECT_EQ(d.GetPathName(), dir.file("a.dat"));
    for (const auto& s : ui.shown) EXPECT_EQ(s.initialFile, "start.dat");  // a refused path is not kept
}

TEST(FileDialog, UserInterfaceMustChooseForOk) {
    struct SloppyUi : testing_support::RecordingUi {
        int DoFileDialog(CFileDialog&) override {
            SetCommDlgExtendedError(failure);
            return IDOK;  // claims OK without choosing a path
        }
        DWORD failure = 0;
    } ui;
    CFileDialog d(TRUE);
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    ui.failure = CDERR_DIALOGFAILURE;
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_DIALOGFAILURE));
    EXPECT_EQ(d.GetDlgItem(1001), nullptr);
}

TEST(DialogControl, ComboBoxRefusesIndexesOutOfRange) {
    CComboBox box(1001, 0, 0, 10, 10, CBS_DROPDOWN | WS_DISABLED);
    EXPECT_FALSE(box.IsWindowEnabled());
    EXPECT_TRUE(box.EnableWindow(TRUE));  // reports that it was disabled
    box.AddString("Auto");
    box.AddString("Stoe");
    EXPECT_EQ(box.SetCurSel(1), 1);
    CString text = "unchanged";
    EXPECT_EQ(box.GetLBText(2, text), CB_ERR);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(box.SetCurSel(5), CB_ERR);
    EXPECT_EQ(box.GetCurSel(), CB_ERR);  // an index out of range clears the selection
}
