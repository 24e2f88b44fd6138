// The host's entries to the library's dialogs (Data Settings, Sample Information, the import file dialog) run with
// the library's module state current, so that the dialog, its resources and its help file are the library's; the
// host's state is current again afterwards. The Help button opens the page in the help file that start-up prepared.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "dialogs/scripted_dialog_ui.h"
#include "support/filedialog_ui.h"
#include "support/registry_sandbox.h"
#include "xrddata/module/module.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/modulestate.h"

using dialog_testing::ScriptedDialogUi;

namespace {

// The library's file without its extensions: the help file start-up prepares is this with ".chm", whose pages lie
// in the folder of this name.
CString LibraryStem() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&GetXRDDataResourceHandle), &info) || !info.dli_fname) return CString();
    CString path = info.dli_fname;
    return path.substr(0, path.find('.', path.rfind('/') + 1));
}

// Notes which module's resources are current while a dialog runs, and clicks Help.
struct ModuleProbe {
    HINSTANCE resources = nullptr;
    bool hasApp = false;
    void Note() {
        resources = AfxGetResourceHandle();
        hasApp = AfxGetApp() != nullptr;
    }
};

class ProbingFileDialogUi : public testing_support::ScriptedFileDialogUi {
public:
    int DoFileDialog(CFileDialog& dlg) override {
        probe.Note();
        return ScriptedFileDialogUi::DoFileDialog(dlg);
    }
    ModuleProbe probe;
};

}  // namespace

TEST(LibraryModule, PatternDialogsRunInTheLibraryStateAndOpenItsHelpFile) {
    testing_support::RegistrySandbox box;
    const HINSTANCE host = AfxGetResourceHandle();
    const HINSTANCE library = GetXRDDataResourceHandle();
    ASSERT_NE(host, library);
    ASSERT_FALSE(LibraryStem().empty());

    ScriptedDialogUi ui;
    ModuleProbe probe;
    ui.script = [&](CDialog& dlg) {
        probe.Note();
        dlg.Click(IDHELP);
        dlg.Click(IDCANCEL);
    };
    CXRDData pattern;
    EXPECT_EQ(pattern.EditDataInfo(), 0);
    EXPECT_EQ(probe.resources, library);
    EXPECT_TRUE(probe.hasApp);
    EXPECT_EQ(AfxGetResourceHandle(), host);

    probe = ModuleProbe{};
    EXPECT_EQ(pattern.EditSampleInfo(), 0);
    EXPECT_EQ(probe.resources, library);
    EXPECT_TRUE(probe.hasApp);
    EXPECT_EQ(AfxGetResourceHandle(), host);

    EXPECT_EQ(ui.helpPages, (std::vector<std::string>{LibraryStem() + "/Htm/datasettings.htm",
                                                      LibraryStem() + "/Htm/sampleinformation.htm"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST(LibraryModule, ImportDialogRunsInTheLibraryState) {
    testing_support::RegistrySandbox box;  // no plug-in formats: the built-in dialog
    const HINSTANCE host = AfxGetResourceHandle();
    ProbingFileDialogUi ui;
    ui.answers.push_back({"", {}, true});
    CXRDData pattern;
    EXPECT_EQ(pattern.DoReadFile(nullptr, 0), 0);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.probe.resources, GetXRDDataResourceHandle());
    EXPECT_TRUE(ui.probe.hasApp);
    EXPECT_EQ(AfxGetResourceHandle(), host);
}
