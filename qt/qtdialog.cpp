// Dialog templates rendered as QDialog: every control a widget placed from its dialog units; clicks go to the
// dialog model (after the widgets' state was read into it) and the model's state is written back afterwards.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "qtcontrols.h"
#include "qt/xrddata-qt/qtui.h"
#include "xrddata/platform/dialog.h"

namespace xrddata_qt {
namespace {

class ModelDialog : public QDialog {
public:
    ModelDialog(CDialog& dlg, QWidget* parent) : QDialog(parent), m_dlg(dlg) {
        const DialogTemplate& t = dlg.GetTemplate();
        setWindowTitle(ToQt(t.caption));
        QFont font = TemplateFont(t);
        setFont(font);
        DialogUnits units(font);
        for (const auto& c : dlg.GetControls()) {
            QWidget* w = CreateWidget(*c, this, units);
            m_views.push_back({c.get(), w});
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                const int id = c->GetDlgCtrlID();
                const CDialogControl::Kind kind = c->GetKind();
                connect(b, &QAbstractButton::clicked, this, [this, id, kind] { Clicked(id, kind); });
            }
        }
        // Group boxes are frames behind the controls they enclose.
        for (const ControlView& v : m_views)
            if (v.control->GetKind() == CDialogControl::GroupBox) v.widget->lower();
        setFixedSize(units.X(t.cx), units.Y(t.cy));
        Refresh(m_views);
        setWindowModality(Qt::ApplicationModal);
    }

    // Escape and the window's close button cancel through the model, as the Cancel button does.
    void reject() override { Command(IDCANCEL); }

private:
    void Clicked(int id, CDialogControl::Kind kind) {
        Collect(m_views);
        if (kind == CDialogControl::RadioButton) {
            // The model checks the clicked button and clears the rest of its group.
            m_dlg.Click(id);
            After();
        } else {
            Command(id);
        }
    }

    void Command(int id) {
        if (id != IDCANCEL) Collect(m_views);
        m_dlg.SetFocusID(0);
        m_dlg.OnCommand(id);
        After();
    }

    void After() {
        if (m_dlg.IsEnded()) {
            done(m_dlg.GetResult());
            return;
        }
        Refresh(m_views);
        if (int focus = m_dlg.GetFocusID()) {
            for (const ControlView& v : m_views)
                if (v.control->GetDlgCtrlID() == focus) {
                    v.widget->setFocus(Qt::OtherFocusReason);
                    if (auto* e = qobject_cast<QLineEdit*>(v.widget)) e->selectAll();
                    if (auto* e = qobject_cast<QPlainTextEdit*>(v.widget)) e->selectAll();
                }
        }
    }

    CDialog& m_dlg;
    std::vector<ControlView> m_views;
};

}  // namespace

int RunModelDialog(CDialog& dlg) {
    if (!qApp) return IDCANCEL;  // no QApplication: nothing can be shown
    dlg.Open();
    if (dlg.IsEnded()) return dlg.GetResult();
    ModelDialog qd(dlg, QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                           : QApplication::activeWindow());
    int result = qd.exec();
    return dlg.IsEnded() ? dlg.GetResult() : (result ? result : IDCANCEL);
}

}  // namespace xrddata_qt
