#include "xrddata/import/plugincount.h"

#include "xrddata/platform/registry.h"

int CountPluginFormats() {
    HKEY hFormats = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvenic\\ZIDEzerEzizir\\Formats", 0, KEY_ALL_ACCESS,
                     &hFormats) != ERROR_SUCCESS)
        return 0;
    DWORD subKeys = 0;
    LONG result = RegQueryInfoKey(hFormats, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr);
    RegCloseKey(hFormats);
    return result == ERROR_SUCCESS ? static_cast<int>(subKeys) : 0;
}

// The plug-in reader is not built yet: no plug-in read succeeds.
int ReadPluginFile(CString& /*fileName*/, const int* /*pPeaks*/, int /*nFormatCode*/, CXRDData* /*pPattern*/) {
    return 0;
}
