// Test helper: a user interface that answers file dialogs from a script and records what each dialog showed.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "support/support.h"
#include "xrddata/platform/filedialog.h"

namespace testing_support {

// What the user does in one dialog: pick entries of combo boxes (control id -> index; a disabled box cannot be
// changed), then choose a path, or cancel.
struct FileDialogAnswer {
    std::string path;
    std::map<int, int> select = {};
    bool cancel = false;
};

// A combo box as the dialog showed it after opening.
struct ShownCombo {
    int id;
    std::vector<std::string> entries;
    int selection;
    bool enabled;
};

// One dialog as shown, and how it ended.
struct ShownFileDialog {
    std::string title;
    std::string initialDir;
    std::string initialFile;
    DWORD flags;
    bool openDialog;
    UINT templateId;
    std::vector<CFileDialog::Filter> filters;
    std::vector<std::string> labels;  // texts of the template's static controls
    std::vector<ShownCombo> combos;
    bool accepted = false;  // Choose accepted the path
};

// Installs itself (as RecordingUi does) and answers each file dialog with the next answer; with none left it
// cancels.
class ScriptedFileDialogUi : public RecordingUi {
public:
    int DoFileDialog(CFileDialog& dlg) override;

    std::deque<FileDialogAnswer> answers;
    std::vector<ShownFileDialog> shown;
};

}  // namespace testing_support
