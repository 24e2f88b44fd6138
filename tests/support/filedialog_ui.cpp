#include "support/filedialog_ui.h"

namespace testing_support {

int ScriptedFileDialogUi::DoFileDialog(CFileDialog& dlg) {
    dlg.Open();
    ShownFileDialog s;
    s.title = dlg.m_ofn.lpstrTitle;
    s.initialDir = dlg.m_ofn.lpstrInitialDir;
    s.initialFile = dlg.m_ofn.lpstrFile;
    s.flags = dlg.m_ofn.Flags;
    s.openDialog = dlg.IsOpenDialog() != FALSE;
    s.templateId = dlg.GetTemplateID();
    s.filters = dlg.GetFilters();
    for (const auto& c : dlg.GetControls()) {
        if (c->GetKind() == CDialogControl::Static) s.labels.push_back(c->GetWindowText());
        if (const auto* combo = dynamic_cast<const CComboBox*>(c.get())) {
            ShownCombo sc{combo->GetDlgCtrlID(), {}, combo->GetCurSel(), combo->IsWindowEnabled() != FALSE};
            for (int i = 0; i < combo->GetCount(); ++i) {
                CString text;
                combo->GetLBText(i, text);
                sc.entries.push_back(text);
            }
            s.combos.push_back(sc);
        }
    }
    int result = IDCANCEL;
    if (!answers.empty()) {
        FileDialogAnswer a = answers.front();
        answers.pop_front();
        if (!a.cancel) {
            for (const auto& [id, index] : a.select) {
                CComboBox* combo = dlg.GetComboBox(id);
                if (combo && combo->IsWindowEnabled()) combo->SetCurSel(index);
            }
            s.accepted = dlg.Choose(a.path);
            if (s.accepted) result = IDOK;
        }
    }
    shown.push_back(s);
    return result;
}

}  // namespace testing_support
