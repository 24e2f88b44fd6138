// The Qt rendering driven through real widgets on Qt's offscreen platform: the Data Settings and Sample Information
// dialogs, a refused number's message box, and the import file dialog with its format row. Each test saves a
// screenshot of what it showed under the build folder (qt/screenshots/).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "qt/xrddata-qt/qtui.h"
#include "support/measured_pattern.h"
#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/dialogs/datasettingsdialog.h"
#include "xrddata/import/importdialog.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/filedialog.h"

namespace {

template <class T>
T* Find(QWidget* dlg, int id) {
    T* w = dlg ? dlg->findChild<T*>(QString::fromStdString(CQtUserInterface::ObjectName(id))) : nullptr;
    if (!w) ADD_FAILURE() << "no widget for control " << id;
    return w;
}

void Shot(QWidget* w, const char* name) {
    QDir().mkpath(XRDDATA_SCREENSHOT_DIR);
    ASSERT_TRUE(w->grab().save(QString(XRDDATA_SCREENSHOT_DIR) + "/" + name + ".png"));
}

// Runs f on the modal window once the modal run has started.
void WhenModal(std::function<void(QWidget*)> f) {
    QTimer::singleShot(0, [f] { f(QApplication::activeModalWidget()); });
}

void Retype(QWidget* dlg, int id, const QString& text) {
    QLineEdit* e = Find<QLineEdit>(dlg, id);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    QTest::keyClicks(e, text);
}

void Click(QWidget* dlg, int id) { QTest::mouseClick(Find<QAbstractButton>(dlg, id), Qt::LeftButton); }

class QtDialogs : public ::testing::Test {
protected:
    void SetUp() override { ui = InstallQtUserInterface(); }
    void TearDown() override { AfxSetUserInterface(nullptr); }
    testing_support::RegistrySandbox box;
    CQtUserInterface* ui = nullptr;
};

void Fill(CXRDData& d) {
    testing_support::FillMeasured(d);
    d.m_nCountType = 2;
}

}  // namespace

TEST_F(QtDialogs, DataSettingsThroughWidgets) {
    CXRDData d;
    Fill(d);
    bool ran = false;
    WhenModal([&](QWidget* dlg) {
        ran = true;
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->windowTitle(), "Data Settings");
        EXPECT_EQ(Find<QLineEdit>(dlg, 1153)->text(), "6.5");
        EXPECT_TRUE(Find<QRadioButton>(dlg, 1075)->isChecked());
        EXPECT_TRUE(Find<QRadioButton>(dlg, 1360)->isChecked());
        EXPECT_TRUE(Find<QLineEdit>(dlg, 1142)->isEnabled());
        EXPECT_FALSE(Find<QLineEdit>(dlg, 1209)->isEnabled());
        EXPECT_TRUE(Find<QLineEdit>(dlg, 1361)->isEnabled());

        Click(dlg, 1005);  // Auto Detect: the detected width, every width edit disabled
        EXPECT_TRUE(Find<QCheckBox>(dlg, 1005)->isChecked());
        EXPECT_EQ(Find<QLineEdit>(dlg, 1142)->text(), "0.08");
        EXPECT_EQ(Find<QLineEdit>(dlg, 1115)->text(), "0.0064");
        EXPECT_FALSE(Find<QLineEdit>(dlg, 1142)->isEnabled());
        Click(dlg, 1005);
        Click(dlg, 1089);  // UVW: one radio of the group checked, the U, V, W edits open
        EXPECT_TRUE(Find<QRadioButton>(dlg, 1089)->isChecked());
        EXPECT_FALSE(Find<QRadioButton>(dlg, 1075)->isChecked());
        EXPECT_TRUE(Find<QRadioButton>(dlg, 1360)->isChecked());  // the other group is untouched
        Click(dlg, 1089);  // clicking the checked radio keeps it checked
        EXPECT_TRUE(Find<QRadioButton>(dlg, 1089)->isChecked());
        EXPECT_TRUE(Find<QLineEdit>(dlg, 1115)->isEnabled());
        Retype(dlg, 1115, "0.04");
        Click(dlg, 1359);  // Scaled Counts
        EXPECT_TRUE(Find<QLineEdit>(dlg, 1209)->isEnabled());
        EXPECT_FALSE(Find<QLineEdit>(dlg, 1361)->isEnabled());
        Retype(dlg, 1139, "0.05");
        Shot(dlg, "data_settings");
        Click(dlg, IDOK);
    });
    EXPECT_EQ(d.EditDataInfo(), 1);
    EXPECT_TRUE(ran);
    EXPECT_EQ(d.m_nWidthType, 1);
    EXPECT_DOUBLE_EQ(d.m_dFixedWidth, 0.2);
    EXPECT_EQ(d.m_nCountType, 1);
    EXPECT_EQ(d.m_dZeroError, 0.05);
    EXPECT_DOUBLE_EQ(d.GetAt(CGraphData::X, 0), 9.95);
}

TEST_F(QtDialogs, RefusedNumberShowsAWarningAndKeepsTheDialogOpen) {
    CXRDData d;
    Fill(d);
    QString shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool stillOpen = false;
    WhenModal([&](QWidget* dlg) {
        Retype(dlg, 1361, "150");
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shown = box->text();
            icon = box->icon();
            Shot(box, "message_box");
            box->button(QMessageBox::Ok)->click();
        });
        Click(dlg, IDOK);
        stillOpen = QApplication::activeModalWidget() == dlg && dlg->isVisible();
        EXPECT_TRUE(Find<QLineEdit>(dlg, 1361)->hasSelectedText());  // the refused text, ready to retype
        Retype(dlg, 1361, "5");
        Click(dlg, IDOK);
    });
    EXPECT_EQ(d.EditDataInfo(), 1);
    EXPECT_EQ(shown, "Please enter a number between 1 and 100.");
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(d.m_dEsds, 5.0);

    // Message boxes carry the icon asked for; Escape on a dialog cancels it.
    QMessageBox::Icon stop = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        stop = box->icon();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(AfxMessageBox("Stop?", MB_YESNO | MB_ICONSTOP), IDNO);
    EXPECT_EQ(stop, QMessageBox::Critical);
    WhenModal([&](QWidget* dlg) {
        Retype(dlg, 1153, "9");
        QTest::keyClick(dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(d.EditDataInfo(), 0);
    EXPECT_EQ(d.m_dBackgroundLength, 6.5);
}

TEST_F(QtDialogs, SampleInformationThroughWidgets) {
    CXRDData d;
    Fill(d);
    d.m_strSampleName = "quartz";
    d.m_strSampleInfo = "measured at 25 C\r\nfine powder";
    d.m_CollectionDate = COleDateTime(2004, 3, 25, 14, 22, 5);
    d.m_nTypeFlag = CXRDData::Ka2StrippedBit | CXRDData::BackgroundSubtractedBit;
    WhenModal([&](QWidget* dlg) {
        EXPECT_EQ(dlg->windowTitle(), "Sample Information");
        QPlainTextEdit* history = Find<QPlainTextEdit>(dlg, 1002);
        EXPECT_EQ(history->toPlainText(), "K-alpha2 stripped\nBackground subtracted\n");
        EXPECT_TRUE(history->isReadOnly());
        EXPECT_EQ(Find<QPlainTextEdit>(dlg, 1302)->toPlainText(), "measured at 25 C\nfine powder");
        EXPECT_FALSE(Find<QLineEdit>(dlg, 1304)->text().isEmpty());
        Retype(dlg, 1303, "quartz SRM");
        Shot(dlg, "sample_information");
        QPlainTextEdit* info = Find<QPlainTextEdit>(dlg, 1302);
        info->setFocus();
        info->moveCursor(QTextCursor::End);
        QTest::keyClick(info, Qt::Key_Return);  // Enter starts a new line, it does not press OK
        QTest::keyClicks(info, "sieved");
        EXPECT_TRUE(dlg->isVisible());
        Click(dlg, IDOK);
    });
    EXPECT_EQ(d.EditSampleInfo(), 1);
    EXPECT_EQ(d.m_strSampleName, "quartz SRM");
    EXPECT_EQ(d.m_strSampleInfo, "measured at 25 C\r\nfine powder\r\nsieved");
    EXPECT_EQ(d.m_CollectionDate, COleDateTime(2004, 3, 25, 14, 22, 5));

    // OK without touching the comments keeps them byte for byte, whatever their line ends.
    d.m_strSampleInfo = "one\ntwo";
    WhenModal([&](QWidget* dlg) { Click(dlg, IDOK); });
    EXPECT_EQ(d.EditSampleInfo(), 1);
    EXPECT_EQ(d.m_strSampleInfo, "one\ntwo");
}

namespace {

// The import dialog's shape: the file controls with its "For&mat:" row (template 131, combo 1001) and the
// built-in format list.
class FormatDialog : public CFileDialog {
public:
    FormatDialog()
        : CFileDialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                      "All Files (*.*)|*.*|Raw Files (*.raw)|*.raw|Text Files (*.txt)|*.txt||") {
        SetTemplate(CImportFileDialog::IDD, CImportFileDialog::FormatTemplate());
    }
    BOOL OnInitDialog() override {
        CComboBox* box = GetComboBox(1001);
        for (const CString& e : CImportFileDialog::BuiltInFormats()) box->AddString(e);
        box->SetCurSel(0);
        return TRUE;
    }
    BOOL OnFileNameOK() override {
        format = GetComboBox(1001)->GetCurSel();
        return FALSE;
    }
    int format = -1;
};

}  // namespace

TEST_F(QtDialogs, ImportFileDialogWithFormatRow) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.file("quartz.raw"), "RAW1.01");
    testing_support::WriteFile(dir.file("notes.txt"), "10 20\r\n");
    FormatDialog dlg;
    dlg.m_ofn.lpstrTitle = "Import Data";
    dlg.m_ofn.lpstrInitialDir = dir.path().string();
    dlg.m_ofn.nFilterIndex = 2;
    WhenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr);
        EXPECT_EQ(fd->windowTitle(), "Import Data");
        EXPECT_EQ(fd->selectedNameFilter(), "Raw Files (*.raw)");
        QComboBox* formats = Find<QComboBox>(fd, 1001);
        ASSERT_EQ(formats->count(), 9);
        EXPECT_EQ(formats->itemText(8), "Cranfield");
        EXPECT_EQ(fd->findChild<QLabel*>("ctl-1")->text(), "For&mat:");
        EXPECT_EQ(fd->findChild<QLabel*>("ctl-1")->buddy(), formats);
        formats->setCurrentIndex(3);
        fd->selectFile(QString::fromStdString(dir.file("quartz.raw")));
        QTest::qWait(50);  // let the folder listing arrive before the screenshot
        Shot(fd, "import_file_dialog");
        QMetaObject::invokeMethod(fd, "accept", Qt::DirectConnection);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetPathName(), dir.file("quartz.raw"));
    EXPECT_EQ(dlg.format, 3);

    // A file that does not exist is refused and the dialog stays; Cancel then ends it.
    FormatDialog again;
    again.m_ofn.lpstrInitialDir = dir.path().string();
    WhenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr);
        fd->selectFile(QString::fromStdString(dir.file("missing.raw")));
        QMetaObject::invokeMethod(fd, "accept", Qt::DirectConnection);
        EXPECT_TRUE(fd->isVisible());
        fd->reject();
    });
    EXPECT_EQ(again.DoModal(), IDCANCEL);
    EXPECT_EQ(again.format, -1);
}

TEST_F(QtDialogs, HelpPageThatDoesNotExistIsReported) {
    EXPECT_FALSE(ui->ShowHelpPage("/nonexistent/Htm/datasettings.htm"));
}

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
