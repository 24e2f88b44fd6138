// Test helper: a user interface that runs each modal dialog through a script (edit texts, clicks, OK or Cancel) and
// records message boxes and help pages. A dialog the script leaves open is cancelled.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/support.h"
#include "xrddata/platform/dialog.h"

namespace dialog_testing {

class ScriptedDialogUi : public testing_support::RecordingUi {
public:
    int DoModalDialog(CDialog& dlg) override {
        dlg.Open();
        ++opened;
        if (script) script(dlg);
        return dlg.IsEnded() ? dlg.GetResult() : IDCANCEL;
    }
    BOOL ShowHelpPage(const CString& path) override {
        helpPages.push_back(path);
        return helpShown;
    }

    std::function<void(CDialog&)> script;
    int opened = 0;
    std::vector<std::string> helpPages;
    BOOL helpShown = TRUE;
};

inline CDialogControl& Item(CDialog& dlg, int id) {
    CDialogControl* c = dlg.GetDlgItem(id);
    if (!c) throw std::runtime_error("no control " + std::to_string(id));
    return *c;
}
inline std::string Text(CDialog& dlg, int id) { return Item(dlg, id).GetWindowText(); }
inline bool Enabled(CDialog& dlg, int id) { return Item(dlg, id).IsWindowEnabled() != FALSE; }
inline bool Checked(CDialog& dlg, int id) { return Item(dlg, id).GetCheck() != 0; }
// Types into an edit; the user cannot type into a disabled one.
inline void Type(CDialog& dlg, int id, const std::string& text) {
    ASSERT_TRUE(Enabled(dlg, id)) << "control " << id << " is disabled";
    Item(dlg, id).SetWindowText(text);
}

}  // namespace dialog_testing
