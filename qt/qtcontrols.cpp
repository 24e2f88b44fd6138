#include "qtcontrols.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "qt/xrddata-qt/qtui.h"

namespace xrddata_qt {

QString ToQt(const CString& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

CString FromQt(const QString& s) {
    QByteArray b = s.toUtf8();
    return CString(b.constData(), static_cast<size_t>(b.size()));
}

QString ButtonText(const CString& s) { return ToQt(s); }

QString LabelText(const CString& s) {
    QString out;
    QString in = ToQt(s);
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '&') {
            if (i + 1 < in.size() && in[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += in[i];
    }
    return out;
}

DialogUnits::DialogUnits(const QFont& font) {
    QFontMetrics fm(font);
    // The average width of the 52 Latin letters, rounded, and the line height: the base units of the font.
    int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX = (width / 26 + 1) / 2;
    baseY = fm.height();
    if (baseX < 1) baseX = 1;
    if (baseY < 1) baseY = 1;
}

QFont TemplateFont(const DialogTemplate& t) {
    QFont font = QFont();
    if (!t.font.empty() && QFontDatabase::hasFamily(ToQt(t.font))) font.setFamily(ToQt(t.font));
    if (t.pointSize > 0) font.setPointSize(t.pointSize);
    return font;
}

namespace {

// Multi-line edits hold CR LF line ends in the model; the widget has plain line feeds.
QString ToWidgetLines(const CString& s) {
    QString q = ToQt(s);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    q.replace('\r', '\n');
    return q;
}

CString FromWidgetLines(const QString& s) {
    QString q = s;
    q.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromQt(q);
}

}  // namespace

QWidget* CreateWidget(CDialogControl& c, QWidget* parent, const DialogUnits& u) {
    QWidget* w = nullptr;
    const DWORD style = c.GetStyle();
    switch (c.GetKind()) {
        case CDialogControl::Static: {
            auto* label = new QLabel(LabelText(c.GetWindowText()), parent);
            label->setAlignment(((style & 0x3) == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
            w = label;
            break;
        }
        case CDialogControl::Edit:
            if (style & ES_MULTILINE) {
                auto* edit = new QPlainTextEdit(parent);
                edit->setReadOnly(style & ES_READONLY);
                edit->setTabChangesFocus(true);
                edit->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
                edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
                edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long lines wrap
                w = edit;
            } else {
                auto* edit = new QLineEdit(parent);
                edit->setReadOnly(style & ES_READONLY);
                w = edit;
            }
            break;
        case CDialogControl::Button: {
            auto* b = new QPushButton(ButtonText(c.GetWindowText()), parent);
            b->setAutoDefault(false);
            b->setDefault(style & BS_DEFPUSHBUTTON);
            w = b;
            break;
        }
        case CDialogControl::CheckBox: w = new QCheckBox(ButtonText(c.GetWindowText()), parent); break;
        case CDialogControl::RadioButton: {
            auto* r = new QRadioButton(ButtonText(c.GetWindowText()), parent);
            r->setAutoExclusive(false);  // groups follow the template (see the dialog rendering)
            w = r;
            break;
        }
        case CDialogControl::GroupBox: w = new QGroupBox(LabelText(c.GetWindowText()), parent); break;
        case CDialogControl::ComboBox:
            // A list to choose from: typing a format of one's own would match no entry.
            w = new QComboBox(parent);
            break;
    }
    w->setObjectName(ToQt(CQtUserInterface::ObjectName(c.GetDlgCtrlID())));
    if (!(style & WS_TABSTOP) && c.GetKind() != CDialogControl::Edit) w->setFocusPolicy(Qt::NoFocus);
    // A drop-down combo's template height includes its list; the closed box is one edit high.
    int cy = c.GetKind() == CDialogControl::ComboBox ? 12 : c.m_cy;
    w->setGeometry(u.X(c.m_x), u.Y(c.m_y), u.X(c.m_cx), u.Y(cy));
    return w;
}

void Refresh(const std::vector<ControlView>& views) {
    for (const ControlView& v : views) {
        CDialogControl& c = *v.control;
        QWidget* w = v.widget;
        if (w->isEnabled() != (c.IsWindowEnabled() != FALSE)) w->setEnabled(c.IsWindowEnabled());
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            QString t = ToQt(c.GetWindowText());
            if (e->text() != t) e->setText(t);
        } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
            QString t = ToWidgetLines(c.GetWindowText());
            if (e->toPlainText() != t) e->setPlainText(t);
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (c.GetKind() == CDialogControl::CheckBox || c.GetKind() == CDialogControl::RadioButton) {
                if (b->isChecked() != (c.GetCheck() != 0)) b->setChecked(c.GetCheck() != 0);
            }
            QString t = ButtonText(c.GetWindowText());
            if (b->text() != t) b->setText(t);
        } else if (auto* box = qobject_cast<QComboBox*>(w)) {
            auto* model = static_cast<CComboBox*>(&c);
            QStringList entries;
            for (int i = 0; i < model->GetCount(); ++i) {
                CString text;
                model->GetLBText(i, text);
                entries << ToQt(text);
            }
            QStringList shown;
            for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
            if (shown != entries) {
                box->clear();
                box->addItems(entries);
            }
            if (box->currentIndex() != model->GetCurSel()) box->setCurrentIndex(model->GetCurSel());
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            QString t = label->buddy() ? ButtonText(c.GetWindowText()) : LabelText(c.GetWindowText());
            if (label->text() != t) label->setText(t);
        }
    }
}

void Collect(const std::vector<ControlView>& views) {
    for (const ControlView& v : views) {
        CDialogControl& c = *v.control;
        QWidget* w = v.widget;
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            c.SetWindowText(FromQt(e->text()));
        } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
            // Text the user left as shown keeps its own line ends; edited text gets CR LF.
            QString t = e->toPlainText();
            if (t != ToWidgetLines(c.GetWindowText())) c.SetWindowText(FromWidgetLines(t));
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (c.GetKind() == CDialogControl::CheckBox || c.GetKind() == CDialogControl::RadioButton)
                c.SetCheck(b->isChecked() ? BST_CHECKED : BST_UNCHECKED);
        } else if (auto* box = qobject_cast<QComboBox*>(w)) {
            static_cast<CComboBox*>(&c)->SetCurSel(box->currentIndex());
        }
    }
}

}  // namespace xrddata_qt
