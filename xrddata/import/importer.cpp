// The import driver: remembered choices under HKEY_CURRENT_USER\Software\Tarvenic\File Reader, the choice between
// plug-in and built-in readers, content detection in a fixed order, and the import file dialog.
#include "xrddata/import/importer.h"

#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/registry.h"

const char* const DiffracPlusKey = "RAW1.01";
const char* const DiffracAtKey = "RAW2";

namespace {

constexpr REGSAM kKeyAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;

// Opens (creating where missing) Software\Tarvenic\File Reader of the current user, one level at a time; null
// when any level fails. The caller closes the key.
HKEY OpenFileReaderKey() {
    HKEY hSoftware = nullptr, hCompany = nullptr, hReader = nullptr;
    DWORD disposition;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, "Software", 0, nullptr, REG_OPTION_NON_VOLATILE, kKeyAccess, nullptr,
                       &hSoftware, &disposition) == ERROR_SUCCESS &&
        RegCreateKeyEx(hSoftware, "Tarvenic", 0, nullptr, REG_OPTION_NON_VOLATILE, kKeyAccess, nullptr, &hCompany,
                       &disposition) == ERROR_SUCCESS) {
        if (RegCreateKeyEx(hCompany, "File Reader", 0, nullptr, REG_OPTION_NON_VOLATILE, kKeyAccess, nullptr,
                           &hReader, &disposition) != ERROR_SUCCESS)
            hReader = nullptr;
    }
    if (hSoftware) RegCloseKey(hSoftware);
    if (hCompany) RegCloseKey(hCompany);
    return hReader;
}

}  // namespace

CFileImporter::CFileImporter(CXRDData* target)
    : m_pTarget(target), m_nDataFormat(FormatAuto), m_nPeakDataFormat(FormatText) {
    CRegistryReadScope scope;
    HKEY hKey = OpenFileReaderKey();
    if (!hKey) return;
    m_strDataDirectory = CXRDData::GetProfileString(hKey, "DataDirectory", "");
    m_nDataFormat = static_cast<int>(CXRDData::GetProfileInt(hKey, "DataFormat", FormatAuto));
    m_nPeakDataFormat = static_cast<int>(CXRDData::GetProfileInt(hKey, "PeakDataFormat", FormatText));
    RegCloseKey(hKey);
}

// The remembered values are written back whatever became of the import.
CFileImporter::~CFileImporter() {
    HKEY hKey = OpenFileReaderKey();
    if (!hKey) return;
    CXRDData::WriteProfileString(hKey, "DataDirectory", m_strDataDirectory.c_str());
    CXRDData::WriteProfileInt(hKey, "DataFormat", m_nDataFormat);
    CXRDData::WriteProfileInt(hKey, "PeakDataFormat", m_nPeakDataFormat);
    RegCloseKey(hKey);
}
