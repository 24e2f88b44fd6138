// The dialog model under the dialogs: message maps chained to the base class, radio groups bounded by WS_GROUP
// with other controls inside, number texts, and the exchange stopping at the first refused field.
#include <gtest/gtest.h>

#include "dialogs/scripted_dialog_ui.h"
#include "xrddata/platform/dialogddx.h"

using dialog_testing::Checked;
using dialog_testing::ScriptedDialogUi;
using dialog_testing::Text;
using dialog_testing::Type;

namespace {

DialogTemplate TwoGroups() {
    using K = CDialogControl::Kind;
    const DWORD r = WS_CHILD | BS_AUTORADIOBUTTON;
    DialogTemplate t;
    t.cx = 100;
    t.cy = 100;
    t.items = {{K::RadioButton, 10, "a", 0, 0, 10, 10, r | WS_GROUP},
               {K::Edit, 20, "", 0, 0, 10, 10, WS_CHILD},
               {K::RadioButton, 11, "b", 0, 0, 10, 10, r},
               {K::RadioButton, 12, "c", 0, 0, 10, 10, r},
               {K::Edit, 21, "", 0, 0, 10, 10, WS_CHILD | WS_GROUP},
               {K::RadioButton, 13, "d", 0, 0, 10, 10, r | WS_GROUP},
               {K::RadioButton, 14, "e", 0, 0, 10, 10, r},
               {K::CheckBox, 30, "f", 0, 0, 10, 10, WS_CHILD | BS_AUTOCHECKBOX},
               {K::Button, 40, "g", 0, 0, 10, 10, WS_CHILD},
               {K::Button, IDOK, "OK", 0, 0, 10, 10, WS_CHILD | WS_GROUP}};
    return t;
}

class Base : public CDialog {
public:
    Base() : CDialog(500, TwoGroups()) {}
    std::vector<std::string> calls;
    int first = -1, second = -1, check = 0;
    double number = 0.0;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Radio(pDX, 10, first);
        DDX_Text(pDX, 20, number);
        DDV_MinMaxDouble(pDX, number, -1.0, 1.0);
        DDX_Radio(pDX, 13, second);
        DDX_Check(pDX, 30, check);
    }
    void OnG() { calls.push_back("base g"); }
    void OnA() { calls.push_back("base a"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Base, CDialog)
ON_BN_CLICKED(40, OnG)
ON_BN_CLICKED(10, OnA)
END_MESSAGE_MAP()

class Derived : public Base {
protected:
    void OnA() { calls.push_back("derived a"); }
    void OnOK() override {
        calls.push_back("ok");
        Base::OnOK();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Derived, Base)
ON_BN_CLICKED(10, OnA)
END_MESSAGE_MAP()

}  // namespace

TEST(DialogModel, MessageMapsRadioGroupsAndExchange) {
    ScriptedDialogUi ui;
    Derived dlg;
    dlg.second = 1;
    ui.script = [&](CDialog& d) {
        EXPECT_EQ(d.RadioGroup(11), std::vector<int>({10, 11, 12}));
        EXPECT_EQ(d.RadioGroup(14), std::vector<int>({13, 14}));
        EXPECT_TRUE(d.RadioGroup(20).empty());
        // Loaded: -1 checks nothing, 1 the second button of its group.
        EXPECT_FALSE(Checked(d, 10) || Checked(d, 11) || Checked(d, 12));
        EXPECT_TRUE(Checked(d, 14));
        d.Click(12);
        d.Click(10);  // handled by the derived class only
        d.Click(40);  // handled by the base class
        d.Click(30);
        d.Click(13);
        EXPECT_FALSE(Checked(d, 12));
        EXPECT_TRUE(Checked(d, 10));
        EXPECT_FALSE(Checked(d, 14));
        // A refused number stops the exchange there: the group after it keeps its old member value.
        Type(d, 20, "2");
        d.Click(IDOK);
        EXPECT_FALSE(d.IsEnded());
        EXPECT_EQ(d.GetFocusID(), 20);
        Type(d, 20, "-1e-3");
        d.GetDlgItem(40)->EnableWindow(FALSE);
        d.Click(40);  // disabled: ignored
        d.Click(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.calls, std::vector<std::string>({"derived a", "base g", "ok", "ok"}));
    EXPECT_EQ(dlg.first, 0);
    EXPECT_EQ(dlg.second, 0);
    EXPECT_EQ(dlg.check, 1);
    EXPECT_EQ(dlg.number, -1e-3);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Please enter a number between -1 and 1.");
}

TEST(DialogModel, NumberTexts) {
    EXPECT_EQ(DialogNumberText(0.0064), "0.0064");
    EXPECT_EQ(DialogNumberText(0.1 + 0.2), "0.3");
    EXPECT_EQ(DialogNumberText(1e-10), "1e-010");
    EXPECT_EQ(DialogNumberText(-2.5e300), "-2.5e+300");
    double v = 7.0;
    for (const char* bad : {"", "  ", "-", "+", "1.2.3", "1,5", "0x10", "inf", "-nan", "++1", "+-1", "1e", "e5"}) {
        EXPECT_FALSE(ParseDialogNumber(bad, v)) << bad;
        EXPECT_EQ(v, 7.0);
    }
    const std::pair<const char*, double> good[] = {{"0", 0.0},       {" 42 ", 42.0},  {"+0.5", 0.5}, {"-.25", -0.25},
                                                   {"1E3", 1000.0},  {"5.", 5.0},     {"1e-010", 1e-10}};
    for (const auto& [text, value] : good) {
        EXPECT_TRUE(ParseDialogNumber(text, v)) << text;
        EXPECT_EQ(v, value) << text;
    }
}
