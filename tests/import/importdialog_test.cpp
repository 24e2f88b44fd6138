// The import file dialog: built-in and plug-in lists, preselection, and the values handed back.
#include <gtest/gtest.h>

#include "support/filedialog_ui.h"
#include "xrddata/import/importdialog.h"

using testing_support::ScriptedFileDialogUi;

namespace {

CImportFileDialog* Make(const std::vector<CString>* formats) {
    auto* dlg = new CImportFileDialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, "All Files (*.*)|*.*||", nullptr,
                                      formats);
    dlg->SetTemplate(CImportFileDialog::IDD, CImportFileDialog::FormatTemplate());
    return dlg;
}

}  // namespace

TEST(ImportFileDialog, BuiltInList) {
    ScriptedFileDialogUi ui;
    std::unique_ptr<CImportFileDialog> dlg(Make(nullptr));
    EXPECT_STREQ(dlg->GetRuntimeClass()->m_lpszClassName, "CImportFileDialog");
    dlg->m_nFormat = 6;
    ui.answers.push_back({"/tmp/a.cpi", {{1001, 3}}});
    ASSERT_EQ(dlg->DoModal(), IDOK);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].labels, std::vector<std::string>{"For&mat:"});
    ASSERT_EQ(ui.shown[0].combos.size(), 1u);
    const auto& combo = ui.shown[0].combos[0];
    EXPECT_EQ(combo.id, 1001);
    EXPECT_EQ(combo.entries, (std::vector<std::string>{"Auto", "Two column text", "Stoe", "DiffracPlus",
                                                        "DiffracAt", "Udf", "Cpi", "Mdi", "Cranfield"}));
    EXPECT_EQ(combo.selection, 6);
    EXPECT_TRUE(combo.enabled);
    EXPECT_EQ(dlg->m_nFormat, 3);
    EXPECT_EQ(dlg->GetPathName(), "/tmp/a.cpi");

    // Peak data: the list is fixed at "Two column text" whatever was preselected.
    std::unique_ptr<CImportFileDialog> peaks(Make(nullptr));
    peaks->m_nFormat = 5;
    peaks->m_bPeaks = 1;
    ui.answers.push_back({"/tmp/p.txt", {{1001, 4}}});
    ASSERT_EQ(peaks->DoModal(), IDOK);
    EXPECT_EQ(ui.shown[1].combos[0].selection, 1);
    EXPECT_FALSE(ui.shown[1].combos[0].enabled);
    EXPECT_EQ(peaks->m_nFormat, 1);

    // Cancel leaves the values as they were.
    std::unique_ptr<CImportFileDialog> cancel(Make(nullptr));
    cancel->m_nFormat = 2;
    ui.answers.push_back({"", {{1001, 7}}, true});
    EXPECT_EQ(cancel->DoModal(), IDCANCEL);
    EXPECT_EQ(cancel->m_nFormat, 2);
}

TEST(ImportFileDialog, PluginList) {
    ScriptedFileDialogUi ui;
    const std::vector<CString> names = {"Auto", "Alpha", "Beta", "Alpha", "Gamma"};
    std::unique_ptr<CImportFileDialog> dlg(Make(&names));
    dlg->m_nFormat = 4;
    dlg->m_strLastFormat = "alpha";  // matched with case
    ui.answers.push_back({"/tmp/x.dat", {{1001, 3}}});
    ASSERT_EQ(dlg->DoModal(), IDOK);
    EXPECT_EQ(ui.shown[0].combos[0].entries, (std::vector<std::string>{"Auto", "Alpha", "Beta", "Alpha", "Gamma"}));
    EXPECT_EQ(ui.shown[0].combos[0].selection, 0);
    EXPECT_EQ(dlg->m_nFormat, 3);
    EXPECT_EQ(dlg->m_strLastFormat, "Alpha");

    // The last entry of the remembered name is preselected; the peak flag does not fix a plug-in list.
    std::unique_ptr<CImportFileDialog> again(Make(&names));
    again->m_strLastFormat = "Alpha";
    again->m_bPeaks = 1;
    ui.answers.push_back({"/tmp/x.dat", {{1001, 2}}});
    ASSERT_EQ(again->DoModal(), IDOK);
    EXPECT_EQ(ui.shown[1].combos[0].selection, 3);
    EXPECT_TRUE(ui.shown[1].combos[0].enabled);
    EXPECT_EQ(again->m_nFormat, 2);
    EXPECT_EQ(again->m_strLastFormat, "Beta");
}
