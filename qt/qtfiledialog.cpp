// File dialogs as QFileDialog (Qt's own, not the desktop's, so that the template's controls can join it): the
// filters, title, folder and file of the model, and the template's controls as one more row of the dialog's grid,
// below the file-type row. Choosing a file asks the model (Choose: existence flags and OnFileNameOK); a refusal
// keeps the dialog open.
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>

#include "qtcontrols.h"
#include "qt/xrddata-qt/qtui.h"
#include "xrddata/platform/filedialog.h"

namespace xrddata_qt {
namespace {

// "Raw Files (*.raw)" with patterns {"*.raw"}: the text without its own pattern list, then the patterns as Qt
// reads them ("*.*" means every file, with or without an extension).
QString QtFilter(const CFileDialog::Filter& f) {
    QString text = ToQt(f.text).trimmed();
    if (text.endsWith(')')) {
        qsizetype open = text.lastIndexOf('(');
        if (open > 0) text = text.left(open).trimmed();
    }
    QStringList patterns;
    for (const CString& p : f.patterns) patterns << (p == "*.*" ? QStringLiteral("*") : ToQt(p));
    return text + " (" + patterns.join(' ') + ")";
}

class ModelFileDialog : public QFileDialog {
public:
    ModelFileDialog(CFileDialog& dlg, QWidget* parent) : QFileDialog(parent), m_dlg(dlg) {
        setOption(QFileDialog::DontUseNativeDialog);
        const bool open = dlg.IsOpenDialog();
        setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        setFileMode(open && (dlg.m_ofn.Flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                   : QFileDialog::AnyFile);
        if (!(dlg.m_ofn.Flags & OFN_OVERWRITEPROMPT)) setOption(QFileDialog::DontConfirmOverwrite);
        setWindowTitle(dlg.m_ofn.lpstrTitle.empty() ? (open ? QStringLiteral("Open") : QStringLiteral("Save As"))
                                                    : ToQt(dlg.m_ofn.lpstrTitle));
        QStringList filters;
        for (const auto& f : dlg.GetFilters()) filters << QtFilter(f);
        if (!filters.isEmpty()) {
            setNameFilters(filters);
            int index = static_cast<int>(dlg.m_ofn.nFilterIndex) - 1;
            if (index >= 0 && index < filters.size()) selectNameFilter(filters[index]);
        }
        if (!dlg.m_ofn.lpstrInitialDir.empty()) setDirectory(ToQt(dlg.m_ofn.lpstrInitialDir));
        if (!dlg.m_ofn.lpstrFile.empty()) selectFile(ToQt(dlg.m_ofn.lpstrFile));
        if (!dlg.m_ofn.lpstrDefExt.empty()) setDefaultSuffix(ToQt(dlg.m_ofn.lpstrDefExt));

        // The template's controls, left to right, as a row below the file-type row.
        if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
            DialogUnits units(font());
            const int row = grid->rowCount();
            int column = 0;
            for (const auto& c : dlg.GetControls()) {
                QWidget* w = CreateWidget(*c, this, units);
                m_views.push_back({c.get(), w});
                grid->addWidget(w, row, column, 1, column == 0 ? 1 : grid->columnCount() - 1);
                if (++column >= 2) break;
            }
            // The label names the list: its mnemonic moves the focus there.
            if (m_views.size() == 2)
                if (auto* label = qobject_cast<QLabel*>(m_views[0].widget)) {
                    label->setText(ButtonText(m_views[0].control->GetWindowText()));
                    label->setBuddy(m_views[1].widget);
                }
        }
        Refresh(m_views);
    }

    void accept() override {
        QStringList files = selectedFiles();
        if (files.isEmpty()) return;
        if (QFileInfo(files.first()).isDir()) {
            QFileDialog::accept();  // opens the folder
            return;
        }
        Collect(m_views);
        if (m_dlg.Choose(FromQt(files.first()))) {
            m_accepted = true;
            QDialog::accept();
        } else {
            Refresh(m_views);
        }
    }

    bool accepted() const { return m_accepted; }

private:
    CFileDialog& m_dlg;
    std::vector<ControlView> m_views;
    bool m_accepted = false;
};

}  // namespace

int RunFileDialog(CFileDialog& dlg) {
    if (!qApp) {  // no QApplication: nothing can be shown
        SetCommDlgExtendedError(CDERR_DIALOGFAILURE);
        return IDCANCEL;
    }
    dlg.Open();
    ModelFileDialog fd(dlg, QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                              : QApplication::activeWindow());
    fd.exec();
    return fd.accepted() ? IDOK : IDCANCEL;
}

}  // namespace xrddata_qt
