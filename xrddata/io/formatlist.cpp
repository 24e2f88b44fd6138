#include "xrddata/io/formatlist.h"

#include "xrddata/import/importdialog.h"
#include "xrddata/platform/registry.h"

std::vector<BuiltInFormat> BuiltInFormats() {
    const std::vector<CString>& names = CImportFileDialog::BuiltInFormats();
    std::vector<BuiltInFormat> out;
    for (size_t i = 1; i < names.size(); ++i) out.push_back({static_cast<int>(i), names[i]});
    return out;
}

CString BuiltInFormatName(int code) {
    const std::vector<CString>& names = CImportFileDialog::BuiltInFormats();
    if (code < 0 || static_cast<size_t>(code) >= names.size()) return CString();
    return names[static_cast<size_t>(code)];
}

namespace {

CString QueryString(HKEY key, const char* name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0) return CString();
    std::string buf(size, '\0');
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) != ERROR_SUCCESS)
        return CString();
    buf.resize(size);
    while (!buf.empty() && buf.back() == '\0') buf.pop_back();
    return buf;
}

int QueryDword(HKEY key, const char* name) {
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return 0;
    return static_cast<int>(value);
}

}  // namespace

std::vector<PluginFormat> RegisteredPluginFormats() {
    std::vector<PluginFormat> out;
    HKEY formats = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvenic\\ZIDEzerEzizir\\Formats", 0, KEY_READ, &formats) !=
        ERROR_SUCCESS)
        return out;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD len = sizeof name;
        if (RegEnumKeyEx(formats, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        PluginFormat f{CString(name, len), CString(), CString(), 0, 0};
        HKEY sub = nullptr;
        if (RegOpenKeyEx(formats, f.classId.c_str(), 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            f.description = QueryString(sub, "Description");
            f.filter = QueryString(sub, "Filter");
            f.canReadProfile = QueryDword(sub, "CanReadProfile");
            f.canReadPeaks = QueryDword(sub, "CanReadPeaks");
            RegCloseKey(sub);
        }
        out.push_back(f);
    }
    RegCloseKey(formats);
    return out;
}
