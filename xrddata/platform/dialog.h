// Modal dialogs as toolkit-free models: a window base with a message map (button clicks routed to member
// handlers), and CDialog, which creates its controls from a template, exchanges member values with them
// (DoDataExchange, UpdateData), and runs modally through the current user-interface object. The user-interface
// object opens the dialog (Open: controls created, OnInitDialog run), writes the user's edits into the controls,
// reports clicks (Click, or OnCommand after it set check states itself) and stops when the dialog has ended.
#pragma once

#include <memory>
#include <vector>

#include "xrddata/platform/dialogcontrol.h"
#include "xrddata/platform/runtimeclass.h"
#include "xrddata/platform/types.h"
#include "xrddata/platform/ui.h"

// Notification codes of button controls.
enum : UINT { BN_CLICKED = 0 };
// The Help button of the dialogs.
enum : int { IDHELP = 9 };

class CWnd;
using AFX_PMSG = void (CWnd::*)();

struct AFX_MSGMAP_ENTRY {
    UINT nCode;  // notification code (BN_CLICKED); nID 0 with a null handler ends the table
    UINT nID;    // control id
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// A window as far as dialogs need one: a parent for dialogs and a message map.
class XRDDATA_API CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Runs the handler of the first entry for (nID, nCode) in this class's map or a base class's map; FALSE when
    // there is none.
    BOOL OnCmdMsg(UINT nID, UINT nCode);

protected:
    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_MSGMAP* GetThisMessageMap();
};

// In the class declaration.
#define DECLARE_MESSAGE_MAP()                                \
protected:                                                   \
    static const AFX_MSGMAP* GetThisMessageMap();            \
    const AFX_MSGMAP* GetMessageMap() const override;

// In the source file: BEGIN_MESSAGE_MAP(CMyDialog, CDialog) ON_BN_CLICKED(1005, OnAuto) END_MESSAGE_MAP()
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                 \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }         \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                          \
        using ThisClass = theClass;                                                            \
        using TheBaseClass = baseClass;                                                        \
        static const AFX_MSGMAP_ENTRY entries[] = {
#define ON_BN_CLICKED(id, memberFxn) {BN_CLICKED, static_cast<UINT>(id), static_cast<AFX_PMSG>(&ThisClass::memberFxn)},
#define END_MESSAGE_MAP()                                                \
    {0, 0, nullptr}};                                                    \
        static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, entries}; \
        return &map;                                                     \
    }

class CDialog;

// One transfer between a dialog's members and its controls. The DDX_ and DDV_ functions (dialogddx.h) use it;
// a failed check calls Fail, which ends the transfer (UpdateData returns FALSE) with the focus on the control.
class XRDDATA_API CDataExchange {
public:
    CDataExchange(CDialog* pDlgWnd, BOOL bSaveAndValidate);

    // Names the control that the following checks refer to; returns it (null when the dialog has no such control).
    CDialogControl* PrepareCtrl(int nIDC);
    CDialogControl* PrepareEditCtrl(int nIDC);
    // Puts the focus on the last prepared control and ends the transfer.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;  // TRUE: controls to members (with checks); FALSE: members to controls
    CDialog* m_pDlgWnd;
    int m_idLastControl = 0;
    BOOL m_bEditLastControl = FALSE;
};

// Thrown by CDataExchange::Fail after the user was told what is wrong.
class XRDDATA_API CUserException {};

class XRDDATA_API CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    // nIDTemplate names the template; tmpl is its content (from the library's resources).
    CDialog(UINT nIDTemplate, const DialogTemplate& tmpl, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog through the user-interface object and returns how it ended: IDOK, IDCANCEL, or the value
    // given to EndDialog (IDCANCEL when the user interface could not show it).
    virtual INT_PTR DoModal();

    // Transfers the members to the controls (FALSE) or the controls to the members with the checks (TRUE).
    // FALSE when a check failed: the user was told, the focus is on the control, the members may be half set.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    void EndDialog(int nResult);

    // A control of the open dialog, or null.
    CDialogControl* GetDlgItem(int nID) const;
    UINT GetTemplateID() const { return m_nIDTemplate; }
    const DialogTemplate& GetTemplate() const { return m_template; }
    const std::vector<std::unique_ptr<CDialogControl>>& GetControls() const { return m_controls; }

    // For user-interface objects. Open creates the controls and runs OnInitDialog (once per modal run).
    void Open();
    bool IsOpen() const { return m_bOpen; }
    bool IsEnded() const { return m_bEnded; }
    int GetResult() const { return m_nResult; }
    // The control that holds the focus after a failed check (0: none yet).
    int GetFocusID() const { return m_nFocusID; }
    void SetFocusID(int nID) { m_nFocusID = nID; }
    // A click on a control as the user makes it: a check box toggles, a radio button becomes the checked one of
    // its group; then OnCommand. A disabled or missing control ignores the click.
    void Click(int nID);
    // Routes a button click: the message map's handler, else OK and Cancel to OnOK and OnCancel.
    virtual void OnCommand(int nID);

    // The radio buttons of the group that nID belongs to, in template order: the group runs from the nearest
    // WS_GROUP control at or before nID up to the next WS_GROUP control; other controls in it are passed over.
    std::vector<int> RadioGroup(int nID) const;

protected:
    // Standard initialisation: the members are transferred to the controls; TRUE.
    virtual BOOL OnInitDialog();
    // Standard OK: the controls are transferred to the members with the checks; the dialog ends with IDOK only
    // when they all pass.
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

private:
    UINT m_nIDTemplate;
    DialogTemplate m_template;
    std::vector<std::unique_ptr<CDialogControl>> m_controls;
    bool m_bOpen = false;
    bool m_bEnded = false;
    int m_nResult = IDCANCEL;
    int m_nFocusID = 0;
};
