// Fuzz target: the plug-in reader's list of registered formats. The input describes the machine store's Formats
// key (its subkeys, each with the four values of a registered component, mostly of the right types, and further
// values of any name, type and length); the target writes it as the store's .reg file
// and runs the list reading on it: the count, the list for profiles and for peaks, the lookup by description and
// the "Auto" search over the listed class identifiers. No class is registered, so the search must find none.
// Besides sanitizer reports, a broken list invariant is a finding (the target aborts).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "xrddata/import/plugin.h"
#include "xrddata/platform/registry.h"

namespace {

const char* const kValueNames[] = {"Description", "Filter", "CanReadProfile", "CanReadPeaks"};
const DWORD kTypes[] = {REG_SZ, REG_DWORD, REG_BINARY, REG_EXPAND_SZ, REG_MULTI_SZ, REG_QWORD, REG_NONE};

// A name that stays one name in a .reg line: no zero (the store refuses the whole file), no line break, and, for
// key names, no backslash (it would split the key).
std::string Clean(std::string s, bool keyName) {
    for (char& c : s)
        if (c == '\0' || c == '\r' || c == '\n' || (keyName && c == '\\')) c = '_';
    return s;
}

std::string SubkeyName(FuzzedDataProvider& in) {
    if (in.ConsumeBool()) {
        // A class identifier as components are registered under, so that the search parses it.
        char text[40];
        std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}", in.ConsumeIntegral<unsigned>(),
                      in.ConsumeIntegral<unsigned short>(), in.ConsumeIntegral<unsigned short>(),
                      in.ConsumeIntegral<unsigned short>(),
                      in.ConsumeIntegral<unsigned long long>() & 0xFFFFFFFFFFFFull);
        return text;
    }
    std::string name = Clean(in.ConsumeRandomLengthString(300), true);
    return name.empty() ? "_" : name;
}

void AppendQuoted(std::string& out, const std::string& s) {
    out += '"';
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

// One value line: every type in hex(type): form, so that the bytes arrive exactly as chosen.
void AppendValue(std::string& out, const std::string& name, DWORD type, const std::string& data) {
    if (name.empty())
        out += '@';
    else
        AppendQuoted(out, name);
    char head[32];
    std::snprintf(head, sizeof head, "=hex(%x):", static_cast<unsigned>(type));
    out += head;
    static const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < data.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(data[i]);
        if (i) out += ',';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    out += "\r\n";
}

DWORD AnyType(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.PickValueInArray(kTypes) : in.ConsumeIntegral<DWORD>();
}

// The four values a registered component has, each of the type it should have unless the input says otherwise:
// texts zero-terminated (or not), flags four bytes.
void AppendEntry(std::string& out, FuzzedDataProvider& in) {
    for (int v = 0; v < 4; ++v) {
        const bool text = v < 2;
        const bool odd = in.ConsumeIntegralInRange(0, 7) == 0;
        const DWORD type = odd ? AnyType(in) : text ? REG_SZ : REG_DWORD;
        std::string data;
        if (text) {
            data = in.ConsumeRandomLengthString(700);
            if (in.ConsumeIntegralInRange(0, 7) != 0) data += '\0';
        } else if (odd && in.ConsumeBool()) {
            data = in.ConsumeRandomLengthString(8);
        } else {
            const DWORD d = in.ConsumeIntegralInRange<DWORD>(0, 2);
            data.assign(reinterpret_cast<const char*>(&d), sizeof d);
        }
        AppendValue(out, kValueNames[v], type, data);
    }
}

void AppendAnyValue(std::string& out, FuzzedDataProvider& in) {
    const size_t pick = in.ConsumeIntegralInRange<size_t>(0, 4);
    const std::string name = pick < 4 ? kValueNames[pick] : Clean(in.ConsumeRandomLengthString(24), false);
    const DWORD type = AnyType(in);
    AppendValue(out, name, type, in.ConsumeRandomLengthString(1300));
}

std::string StoreText(FuzzedDataProvider& in) {
    std::string formats = std::string("HKEY_LOCAL_MACHINE\\") + PluginFormatsKey;
    // Key names compare without regard to case.
    if (in.ConsumeBool())
        for (char& c : formats) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    std::string text = "REGEDIT4\r\n\r\n";
    const int keys = in.ConsumeIntegralInRange(0, 24);
    for (int k = 0; k < keys && in.remaining_bytes(); ++k) {
        text += '[' + formats + '\\' + SubkeyName(in) + "]\r\n";
        if (in.ConsumeBool()) AppendEntry(text, in);
        const int values = in.ConsumeIntegralInRange(0, 4);
        for (int v = 0; v < values; ++v) AppendAnyValue(text, in);
        text += "\r\n";
    }
    return text;
}

// Replaces the machine store's file (a new file renamed over the old one, as the store itself writes it).
void WriteStore(const std::string& text) {
    const std::string path = std::getenv("XRDDATA_SYSTEM_REGISTRY");
    const std::string fresh = path + ".new";
    std::FILE* f = std::fopen(fresh.c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0 ||
        std::rename(fresh.c_str(), path.c_str()) != 0)
        std::abort();
}

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "plug-in list invariant broken: %s\n", what);
    std::abort();
}

// Writes a machine store whose Formats key is empty and lists that key's sub-keys, so that the store's caches and
// the per-thread listing go back to what that store gives. Every input then frees what it allocates, and libFuzzer
// keeps looking for leaks after each one (it stops doing so for a target whose executions leave more allocations
// than they found).
void ResetStore() {
    // A store that does not parse is moved aside to <store>.bad-<time>[-n]; those copies are not kept.
    const std::string moved =
        std::filesystem::path(std::getenv("XRDDATA_SYSTEM_REGISTRY")).filename().string() + ".bad-";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(fuzz_support::StoreDir(), error))
        if (entry.path().filename().string().rfind(moved, 0) == 0) std::filesystem::remove(entry, error);
    if (error) std::abort();
    WriteStore(std::string("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\") + PluginFormatsKey + "]\r\n");
    // Opening the key reads the new store; the list reading would not enumerate an empty key, so the names this
    // thread listed last are replaced here.
    HKEY formats = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, PluginFormatsKey, 0, KEY_READ, &formats) != ERROR_SUCCESS) std::abort();
    char name[8];
    if (RegEnumKey(formats, 0, name, sizeof name) != ERROR_NO_MORE_ITEMS) std::abort();
    RegCloseKey(formats);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::Setup();
    ResetStore();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    WriteStore(StoreText(in));

    CZIDEzerEzizir* reader = new CZIDEzerEzizir;
    const LONG subkeys = reader->GetNFormats();
    reader->ExternalRelease();

    for (int bPeaks = 0; bPeaks < 2; ++bPeaks) {
        std::vector<CString> descriptions, classIds;
        CString filter;
        const int n = CZIDEzerEzizir::EnumerateFormats(descriptions, classIds, filter, bPeaks);
        Check(n >= 1 && static_cast<size_t>(n) == classIds.size() && descriptions.size() == classIds.size(),
              "one description per class identifier, counted");
        Check(descriptions[0] == "Auto" && classIds[0].empty(), "entry 0 is Auto");
        Check(n - 1 <= subkeys, "only subkeys are offered");
        Check(filter.rfind("All Files (*.*)|*.*|", 0) == 0 && filter.back() == '|', "the filter's frame");
        for (size_t i = 0; i < descriptions.size(); ++i) {
            const int found = CZIDEzerEzizir::FindFormatIndex(descriptions, descriptions[i]);
            Check(found >= 0 && static_cast<size_t>(found) <= i && descriptions[found] == descriptions[i],
                  "a description is found at its first place");
        }
        Check(CZIDEzerEzizir::FindFormat("input", descriptions, classIds, bPeaks) == nullptr,
              "no component without a registered class");
    }
    ResetStore();
    return 0;
}
