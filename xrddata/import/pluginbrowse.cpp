// The plug-in reader's file dialog and its remembered choices: the folder of the last file chosen and the
// description of the last plug-in format, each the default value of a subkey ("DataDirectory", "LastFormat") of
// the Settings key of the current user.
#include <vector>

#include "xrddata/import/plugin.h"
#include "xrddata/import/importdialog.h"
#include "xrddata/platform/modulestate.h"
#include "xrddata/platform/registry.h"

namespace {

// The default text value of subKey, or dflt when it is absent or not text.
CString ReadSetting(HKEY hSettings, const char* subKey, const CString& dflt) {
    HKEY hKey = nullptr;
    if (RegOpenKeyEx(hSettings, subKey, 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS) return dflt;
    CString value = dflt;
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(hKey, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        std::vector<BYTE> buf(size + 1, 0);
        DWORD got = size;
        if (RegQueryValueEx(hKey, nullptr, nullptr, &type, buf.data(), &got) == ERROR_SUCCESS && type == REG_SZ)
            value.assign(reinterpret_cast<const char*>(buf.data()));
    }
    RegCloseKey(hKey);
    return value;
}

void WriteSetting(HKEY hSettings, const char* subKey, const CString& value) {
    HKEY hKey = nullptr;
    if (RegCreateKeyEx(hSettings, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &hKey,
                       nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueEx(hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                  static_cast<DWORD>(value.size() + 1));
    RegCloseKey(hKey);
}

}  // namespace

int CZIDEzerEzizir::BrowseForFile(int bPeaks, const std::vector<CString>& descriptions, const CString& filter,
                                  CString& fileName, int& index) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CString directory;
    CString lastFormat = "Auto";
    HKEY hSettings = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, PluginSettingsKey, 0, KEY_ALL_ACCESS, &hSettings) == ERROR_SUCCESS) {
        directory = ReadSetting(hSettings, "DataDirectory", directory);
        lastFormat = ReadSetting(hSettings, "LastFormat", lastFormat);
        RegCloseKey(hSettings);
    }

    CImportFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter.c_str(), nullptr,
                          &descriptions);
    dlg.m_ofn.lpstrTitle = bPeaks ? "Import Peak Data" : "Import Raw Data";
    dlg.SetTemplate(CImportFileDialog::IDD, CImportFileDialog::FormatTemplate());
    dlg.m_bPeaks = bPeaks;
    if (!directory.empty()) dlg.m_ofn.lpstrInitialDir = directory;
    dlg.m_strLastFormat = lastFormat;
    dlg.m_nFormat = index;
    if (dlg.DoModal() != IDOK) return 0;

    index = dlg.m_nFormat;
    fileName = dlg.GetPathName();
    size_t slash = fileName.rfind('/');
    if (slash != CString::npos && slash > 0) {
        HKEY hKey = nullptr;
        if (RegCreateKeyEx(HKEY_CURRENT_USER, PluginSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, &hKey, nullptr) == ERROR_SUCCESS) {
            WriteSetting(hKey, "DataDirectory", fileName.substr(0, slash));
            WriteSetting(hKey, "LastFormat", dlg.m_strLastFormat);
            RegCloseKey(hKey);
        }
    }
    return 1;
}
