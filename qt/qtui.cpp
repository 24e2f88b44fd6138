#include "qt/xrddata-qt/qtui.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>
#include <clocale>

#include "qtcontrols.h"
#include "xrddata/platform/strutil.h"

namespace xrddata_qt {
int RunModelDialog(CDialog& dlg);
int RunFileDialog(CFileDialog& dlg);
}  // namespace xrddata_qt

using xrddata_qt::ToQt;

CQtUserInterface::CQtUserInterface() = default;

CQtUserInterface::~CQtUserInterface() {
    if (qApp)
        while (m_nWaitDepth > 0) EndWaitCursor();
    m_nWaitDepth = 0;
}

CString CQtUserInterface::ObjectName(int nID) { return nID < 0 ? CString("ctl-1") : Format("ctl%d", nID); }

int CQtUserInterface::MessageBox(const CString& text, UINT type) {
    if (!qApp) return CUserInterface::MessageBox(text, type);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & MB_ICONMASK) {
        case MB_ICONSTOP: icon = QMessageBox::Critical; break;
        case MB_ICONQUESTION: icon = QMessageBox::Question; break;
        case MB_ICONEXCLAMATION: icon = QMessageBox::Warning; break;
        case MB_ICONINFORMATION: icon = QMessageBox::Information; break;
        default: break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
        case MB_YESNO: buttons = QMessageBox::Yes | QMessageBox::No; break;
        case MB_YESNOCANCEL: buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
        default: break;
    }
    QWidget* parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                        : QApplication::activeWindow();
    QString title = QApplication::applicationDisplayName();
    QMessageBox box(icon, title, ToQt(text), buttons, parent);
    box.setObjectName(QStringLiteral("xrddataMessageBox"));
    // The wait cursor of a running operation does not cover the question asked in the middle of it.
    if (m_nWaitDepth > 0) QApplication::setOverrideCursor(Qt::ArrowCursor);
    int answer = box.exec();
    if (m_nWaitDepth > 0) QApplication::restoreOverrideCursor();
    switch (answer) {
        case QMessageBox::Cancel: return IDCANCEL;
        case QMessageBox::Yes: return IDYES;
        case QMessageBox::No: return IDNO;
        case QMessageBox::Ok: return IDOK;
        default:  // closed without a button: the box's escape choice
            return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : ((type & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL);
    }
}

void CQtUserInterface::BeginWaitCursor() {
    if (!qApp) return;
    ++m_nWaitDepth;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CQtUserInterface::EndWaitCursor() {
    if (m_nWaitDepth <= 0 || !qApp) return;
    --m_nWaitDepth;
    QApplication::restoreOverrideCursor();
}

int CQtUserInterface::DoFileDialog(CFileDialog& dlg) { return xrddata_qt::RunFileDialog(dlg); }

int CQtUserInterface::DoModalDialog(CDialog& dlg) { return xrddata_qt::RunModelDialog(dlg); }

BOOL CQtUserInterface::ShowHelpPage(const CString& path) {
    QFileInfo page(ToQt(path));
    if (!page.isFile()) return FALSE;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(page.absoluteFilePath())) ? TRUE : FALSE;
}

CQtUserInterface* InstallQtUserInterface() {
    static CQtUserInterface ui;
    std::setlocale(LC_NUMERIC, "C");
    AfxSetUserInterface(&ui);
    return &ui;
}
