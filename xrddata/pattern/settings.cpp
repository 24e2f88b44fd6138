// The eleven processing settings of a pattern: factory values, and the user's defaults in the settings store
// under HKEY_CURRENT_USER\Software\Tarvenic\Data Settings. Each setting lives in a sub-key of its own name, in a
// value of that same name: integers as REG_DWORD, reals as REG_SZ text written with "%g" (six significant
// digits) and read back with atof. Store failures are silent and leave the defaults.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/registry.h"
#include "xrddata/platform/strutil.h"

namespace {

constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

// The eleven settings in the order of every operation here; the three integers are DWORDs, the rest text.
constexpr int kSettings = 11;
const char* const kNames[kSettings] = {"BackgroundLength", "BackgroundScale", "AutoWidth", "WidthType",
                                       "FixedWidth",       "U",               "V",         "W",
                                       "CountType",        "ScaleFactor",     "Esds"};
constexpr bool kInteger[kSettings] = {false, false, true, true, false, false, false, false, true, false, false};

// What one content of the store holds for the eleven settings, kept by each thread so that the next pattern
// built from the same content needs no look-ups: whether each is stored, and its value (the number of the text
// for the reals, the four bytes for the integers); and, for those not stored, the last member value given as
// the default with its "%g" round trip.
struct StoredSettings {
    std::uint64_t serial = 0;  // the content read (0: nothing kept)
    bool key = false;          // "Data Settings" could be opened
    bool stored[kSettings] = {};
    double real[kSettings] = {};
    UINT integer[kSettings] = {};
    double lastDefault[kSettings] = {};
    double lastRounded[kSettings] = {};
    bool rounded[kSettings] = {};
};
thread_local StoredSettings t_stored;

// The value of an opened sub-key read into four bytes whatever its type: a shorter value (a text of up to three
// characters) fills the low bytes and leaves the rest zero, a longer one does not fit and counts as absent.
bool QueryInt(HKEY hSection, const char* name, UINT& value) {
    BYTE bytes[4] = {0, 0, 0, 0};
    DWORD type, count = sizeof bytes;
    if (RegQueryValueEx(hSection, name, nullptr, &type, bytes, &count) != ERROR_SUCCESS) return false;
    value = static_cast<UINT>(bytes[0]) | static_cast<UINT>(bytes[1]) << 8 | static_cast<UINT>(bytes[2]) << 16 |
            static_cast<UINT>(bytes[3]) << 24;
    return true;
}

// The text of an opened sub-key, up to its first zero byte (a DWORD stored here reads as the characters of its
// bytes); queried first for its size, then into a buffer of that size.
bool QueryText(HKEY hSection, const char* name, CString& text) {
    DWORD type, count = 0;
    if (RegQueryValueEx(hSection, name, nullptr, &type, nullptr, &count) != ERROR_SUCCESS) return false;
    CString buffer(count, '\0');
    if (RegQueryValueEx(hSection, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &count) !=
        ERROR_SUCCESS)
        return false;
    text.assign(buffer.c_str(), strnlen(buffer.c_str(), count));
    return true;
}

// A default goes through the same text form as a stored value.
double RoundTrip(double value) { return CAtof(Format("%g", value).c_str()); }

}  // namespace

void CXRDData::ReadFactory(double& dBackgroundLength, double& dBackgroundScale, int& bAutoWidth, int& nWidthType,
                           double& dFixedWidth, double& dU, double& dV, double& dW, int& nCountType,
                           double& dScaleFactor, double& dEsds) {
    dBackgroundLength = 5.0;
    dBackgroundScale = 1.0;
    bAutoWidth = 1;
    nWidthType = 0;
    dFixedWidth = 0.1;
    dU = 0.0;
    dV = 0.0;
    dW = 0.01;  // 0.1 squared: the width function gives the fixed width
    nCountType = 0;
    dScaleFactor = 1.0;
    dEsds = 1.0;
}

// A setting that is not stored falls back to this pattern's member, not to the argument's own value.
void CXRDData::ReadRegistry(double& dBackgroundLength, double& dBackgroundScale, int& bAutoWidth, int& nWidthType,
                            double& dFixedWidth, double& dU, double& dV, double& dW, int& nCountType,
                            double& dScaleFactor, double& dEsds) {
    // One look at the store for all eleven reads, and none at all when its content is the one this thread read
    // them from last time.
    CRegistryReadScope scope;
    const std::uint64_t serial = RegistryUserContentSerial();
    StoredSettings& stored = t_stored;
    if (serial == 0 || stored.serial != serial) {
        // The sub-keys that reading creates where they are missing are written in one replace of the store.
        CRegistryTransaction batch(CRegistryTransaction::LockAtFirstChange);
        stored.serial = 0;
        HKEY hKey = GetRegistryKey();
        stored.key = hKey != nullptr;
        bool complete = stored.key;
        for (int i = 0; i < kSettings && hKey; ++i) {
            stored.stored[i] = false;
            HKEY hSection = GetSectionKey(hKey, kNames[i]);
            if (!hSection) {
                complete = false;
                continue;
            }
            CString text;
            if (kInteger[i])
                stored.stored[i] = QueryInt(hSection, kNames[i], stored.integer[i]);
            else if ((stored.stored[i] = QueryText(hSection, kNames[i], text)))
                stored.real[i] = CAtof(text.c_str());
            RegCloseKey(hSection);
        }
        if (hKey) RegCloseKey(hKey);
        batch.Commit();
        // Kept when the content is still the one read (nothing was created meanwhile) and every sub-key opened.
        if (complete && serial != 0 && RegistryUserContentSerial() == serial) stored.serial = serial;
    }
    if (!stored.key) return;

    double* const reals[kSettings] = {&dBackgroundLength, &dBackgroundScale, nullptr, nullptr, &dFixedWidth, &dU,
                                      &dV, &dW, nullptr, &dScaleFactor, &dEsds};
    int* const integers[kSettings] = {nullptr, nullptr, &bAutoWidth, &nWidthType, nullptr, nullptr,
                                      nullptr, nullptr, &nCountType, nullptr, nullptr};
    const double realDefaults[kSettings] = {m_dBackgroundLength, m_dBackgroundScale, 0, 0, m_dFixedWidth, m_dU,
                                            m_dV, m_dW, 0, m_dScaleFactor, m_dEsds};
    const int intDefaults[kSettings] = {0, 0, m_bAutoWidth, m_nWidthType, 0, 0, 0, 0, m_nCountType, 0, 0};
    for (int i = 0; i < kSettings; ++i) {
        if (kInteger[i]) {
            *integers[i] = stored.stored[i] ? static_cast<int>(stored.integer[i]) : intDefaults[i];
        } else if (stored.stored[i]) {
            *reals[i] = stored.real[i];
        } else {
            if (!stored.rounded[i] || stored.lastDefault[i] != realDefaults[i]) {
                stored.lastDefault[i] = realDefaults[i];
                stored.lastRounded[i] = RoundTrip(realDefaults[i]);
                stored.rounded[i] = true;
            }
            *reals[i] = stored.lastRounded[i];
        }
    }
}

void CXRDData::WriteRegistry(double dBackgroundLength, double dBackgroundScale, int bAutoWidth, int nWidthType,
                             double dFixedWidth, double dU, double dV, double dW, int nCountType,
                             double dScaleFactor, double dEsds) {
    // The eleven values are one change of the store: readers see all of them or none, and what other writers
    // stored meanwhile outside the eleven is kept.
    CRegistryReadScope scope;
    CRegistryTransaction change(CRegistryTransaction::LockAtFirstChange);
    HKEY hKey = GetRegistryKey();
    if (!hKey) return;
    WriteProfileReal(hKey, "BackgroundLength", dBackgroundLength);
    WriteProfileReal(hKey, "BackgroundScale", dBackgroundScale);
    WriteProfileInt(hKey, "AutoWidth", bAutoWidth);
    WriteProfileInt(hKey, "WidthType", nWidthType);
    WriteProfileReal(hKey, "FixedWidth", dFixedWidth);
    WriteProfileReal(hKey, "U", dU);
    WriteProfileReal(hKey, "V", dV);
    WriteProfileReal(hKey, "W", dW);
    WriteProfileInt(hKey, "CountType", nCountType);
    WriteProfileReal(hKey, "ScaleFactor", dScaleFactor);
    WriteProfileReal(hKey, "Esds", dEsds);
    RegCloseKey(hKey);
}

void CXRDData::ReadFactory() {
    ReadFactory(m_dBackgroundLength, m_dBackgroundScale, m_bAutoWidth, m_nWidthType, m_dFixedWidth, m_dU, m_dV, m_dW,
                m_nCountType, m_dScaleFactor, m_dEsds);
}

void CXRDData::ReadRegistry() {
    ReadRegistry(m_dBackgroundLength, m_dBackgroundScale, m_bAutoWidth, m_nWidthType, m_dFixedWidth, m_dU, m_dV,
                 m_dW, m_nCountType, m_dScaleFactor, m_dEsds);
}

void CXRDData::WriteRegistry() {
    WriteRegistry(m_dBackgroundLength, m_dBackgroundScale, m_bAutoWidth, m_nWidthType, m_dFixedWidth, m_dU, m_dV,
                  m_dW, m_nCountType, m_dScaleFactor, m_dEsds);
}

HKEY CXRDData::GetRegistryKey() {
    HKEY hSoftware = nullptr, hCompany = nullptr, hSettings = nullptr;
    DWORD disposition;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, kReadWrite, &hSoftware) == ERROR_SUCCESS &&
        RegCreateKeyEx(hSoftware, "Tarvenic", 0, nullptr, REG_OPTION_NON_VOLATILE, kReadWrite, nullptr, &hCompany,
                       &disposition) == ERROR_SUCCESS) {
        RegCreateKeyEx(hCompany, "Data Settings", 0, nullptr, REG_OPTION_NON_VOLATILE, kReadWrite, nullptr,
                       &hSettings, &disposition);
    }
    if (hSoftware) RegCloseKey(hSoftware);
    if (hCompany) RegCloseKey(hCompany);
    return hSettings;
}

// Opening a section creates it: reading a setting leaves its (empty) sub-key behind.
HKEY CXRDData::GetSectionKey(HKEY hKey, const char* name) {
    if (!hKey) return nullptr;
    HKEY hSection = nullptr;
    DWORD disposition;
    if (RegCreateKeyEx(hKey, name, 0, nullptr, REG_OPTION_NON_VOLATILE, kReadWrite, nullptr, &hSection,
                       &disposition) != ERROR_SUCCESS)
        return nullptr;
    return hSection;
}

UINT CXRDData::GetProfileInt(HKEY hKey, const char* name, int nDefault) {
    if (!hKey) return static_cast<UINT>(nDefault);
    CRegistryReadScope scope;
    HKEY hSection = GetSectionKey(hKey, name);
    if (!hSection) return static_cast<UINT>(nDefault);
    UINT value = 0;
    bool found = QueryInt(hSection, name, value);
    RegCloseKey(hSection);
    return found ? value : static_cast<UINT>(nDefault);
}

CString CXRDData::GetProfileString(HKEY hKey, const char* name, const char* sDefault) {
    CString fallback = sDefault ? sDefault : "";
    if (!hKey) return fallback;
    CRegistryReadScope scope;
    HKEY hSection = GetSectionKey(hKey, name);
    if (!hSection) return fallback;
    CString text;
    bool found = QueryText(hSection, name, text);
    RegCloseKey(hSection);
    return found ? text : fallback;
}

// The default goes through the same text form as a stored value; text that is not a number reads as 0.0.
double CXRDData::GetProfileReal(HKEY hKey, const char* name, double dDefault) {
    CString text = GetProfileString(hKey, name, Format("%g", dDefault).c_str());
    return CAtof(text.c_str());
}

// Stores the value in its sub-key and ends the change that may have created the sub-key: 1 only when the store
// took both.
static int SetSectionValue(HKEY hSection, const char* name, DWORD type, const BYTE* bytes, DWORD size,
                           CRegistryTransaction& change) {
    LONG result = RegSetValueEx(hSection, name, 0, type, bytes, size);
    RegCloseKey(hSection);
    LONG written = change.Commit();
    return result == ERROR_SUCCESS && written == ERROR_SUCCESS ? 1 : 0;
}

int CXRDData::WriteProfileInt(HKEY hKey, const char* name, int value) {
    if (!hKey) return 0;
    DWORD v = static_cast<DWORD>(value);
    const BYTE bytes[4] = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                           static_cast<BYTE>(v >> 24)};
    // The sub-key (perhaps new) and the value are one change of the store.
    CRegistryReadScope scope;
    CRegistryTransaction change(CRegistryTransaction::LockAtFirstChange);
    HKEY hSection = GetSectionKey(hKey, name);
    if (!hSection) return 0;
    return SetSectionValue(hSection, name, REG_DWORD, bytes, sizeof bytes, change);
}

// The text is stored with its terminating zero.
int CXRDData::WriteProfileString(HKEY hKey, const char* name, const char* value) {
    if (!hKey || !name) return 0;
    if (!value) value = "";
    CRegistryReadScope scope;
    CRegistryTransaction change(CRegistryTransaction::LockAtFirstChange);
    HKEY hSection = GetSectionKey(hKey, name);
    if (!hSection) return 0;
    return SetSectionValue(hSection, name, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>(std::strlen(value) + 1), change);
}

int CXRDData::WriteProfileReal(HKEY hKey, const char* name, double value) {
    return WriteProfileString(hKey, name, Format("%g", value).c_str());
}
