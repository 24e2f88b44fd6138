#include "xrddata/dialogs/templates.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kEdit = kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kGroupBox = kChild | BS_GROUPBOX;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;

using K = CDialogControl::Kind;

// A dialog of the caption and size (dialog units) in the font of every dialog of the library, without controls.
DialogTemplate Dialog(const char* caption, int cx, int cy) {
    DialogTemplate t;
    t.caption = caption;
    t.cx = cx;
    t.cy = cy;
    t.font = "MS Sans Serif";
    t.pointSize = 8;
    return t;
}

DialogTemplate MakeDataSettings() {
    DialogTemplate t = Dialog("Data Settings", 247, 258);
    // Radio groups run from a WS_GROUP control to the next one: "Constant" and "UVW" form one group with the
    // constant-width edit and "Auto Detect" between them; the "U" label starts the next group.
    t.items = {
        {K::GroupBox, -1, "Background", 7, 4, 233, 30, kGroupBox},
        {K::Static, -1, "Scale Length", 15, 17, 48, 8, kLabel | WS_GROUP},
        {K::Edit, 1153, "", 66, 15, 50, 12, kEdit},
        {K::Static, -1, "Stiffness", 128, 17, 38, 8, kLabel},
        {K::Edit, 1138, "", 170, 15, 50, 12, kEdit},

        {K::GroupBox, -1, "Peak Feature Width", 7, 38, 233, 68, kGroupBox},
        {K::RadioButton, 1075, "Constant", 15, 52, 48, 10, kRadio | WS_GROUP | WS_TABSTOP},
        {K::Edit, 1142, "", 66, 51, 50, 12, kEdit},
        {K::CheckBox, 1005, "Auto Detect", 128, 52, 60, 10, kChild | BS_AUTOCHECKBOX | WS_TABSTOP},
        {K::RadioButton, 1089, "UVW", 15, 70, 48, 10, kRadio},
        {K::Static, -1, "U", 15, 89, 8, 8, kLabel | WS_GROUP},
        {K::Edit, 1109, "", 25, 87, 50, 12, kEdit},
        {K::Static, -1, "V", 86, 89, 8, 8, kLabel},
        {K::Edit, 1114, "", 96, 87, 50, 12, kEdit},
        {K::Static, -1, "W", 157, 89, 8, 8, kLabel},
        {K::Edit, 1115, "", 167, 87, 50, 12, kEdit},

        {K::GroupBox, -1, "Two Theta Error", 7, 110, 233, 30, kGroupBox},
        {K::Static, -1, "Zero Error", 15, 123, 48, 8, kLabel},
        {K::Edit, 1139, "", 66, 121, 50, 12, kEdit},

        {K::GroupBox, -1, "Raw Data Error Estimation", 7, 144, 233, 50, kGroupBox},
        {K::Static, -1, "Data:", 15, 158, 22, 8, kLabel},
        {K::RadioButton, 1316, "Raw Counts", 40, 157, 58, 10, kRadio | WS_GROUP | WS_TABSTOP},
        {K::RadioButton, 1359, "Scaled Counts", 100, 157, 64, 10, kRadio},
        {K::RadioButton, 1360, "Variable Time", 166, 157, 64, 10, kRadio},
        {K::Static, -1, "Scale Factor", 15, 177, 48, 8, kLabel | WS_GROUP},
        {K::Edit, 1209, "", 66, 175, 50, 12, kEdit},
        {K::Static, -1, "Esd %", 128, 177, 38, 8, kLabel},
        {K::Edit, 1361, "", 170, 175, 50, 12, kEdit},

        {K::GroupBox, -1, "Current Settings", 7, 198, 233, 32, kGroupBox},
        {K::Button, 1007, "Set As Defaults", 14, 211, 70, 14, kButton | WS_GROUP},
        {K::Button, 1008, "Restore To Defaults", 88, 211, 72, 14, kButton},
        {K::Button, 1009, "Restore To Factory", 164, 211, 70, 14, kButton},

        {K::Button, 1, "OK", 80, 238, 50, 14, kChild | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON},
        {K::Button, 2, "Cancel", 135, 238, 50, 14, kButton},
        {K::Button, 9, "Help", 190, 238, 50, 14, kButton},
    };
    return t;
}

DialogTemplate MakeSampleInfo() {
    DialogTemplate t = Dialog("Sample Information", 203, 183);
    t.items = {
        {K::Static, -1, "Sample Name", 7, 6, 100, 8, kLabel},
        {K::Edit, 1303, "", 7, 16, 189, 12, kEdit},
        {K::Static, -1, "Data Collected", 7, 33, 100, 8, kLabel},
        {K::Edit, 1304, "", 7, 43, 189, 12, kEdit},
        {K::Static, -1, "Comments and Information", 7, 60, 120, 8, kLabel},
        {K::Edit, 1302, "", 7, 70, 189, 42,
         kChild | WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN},
        {K::Static, -1, "Processing History", 7, 117, 120, 8, kLabel},
        {K::Edit, 1002, "", 7, 127, 189, 30, kChild | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY},
        {K::Button, 1, "OK", 36, 163, 50, 14, kChild | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON},
        {K::Button, 2, "Cancel", 91, 163, 50, 14, kButton},
        {K::Button, 9, "Help", 146, 163, 50, 14, kButton},
    };
    return t;
}

}  // namespace

const DialogTemplate& DataSettingsTemplate() {
    static const DialogTemplate t = MakeDataSettings();
    return t;
}

const DialogTemplate& SampleInfoTemplate() {
    static const DialogTemplate t = MakeSampleInfo();
    return t;
}

const DialogTemplate& FindDialogTemplate(UINT nIDTemplate) {
    static const DialogTemplate empty;
    switch (nIDTemplate) {
        case IDD_DATA_SETTINGS: return DataSettingsTemplate();
        case IDD_SAMPLE_INFO: return SampleInfoTemplate();
        default: return empty;
    }
}
