#include "xrddata/platform/registry_tree.h"

#include <cstdio>
#include <cstring>

#include "xrddata/platform/registry.h"

namespace regstore {

namespace {

constexpr size_t kMaxKeyName = 255;

// ASCII lower case of every byte value; other bytes compare as they are.
struct FoldTable {
    unsigned char map[256];
    constexpr FoldTable() : map() {
        for (int i = 0; i < 256; ++i) map[i] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i + ('a' - 'A') : i);
    }
};
constexpr FoldTable kFold;

inline unsigned char Fold(char c) { return kFold.map[static_cast<unsigned char>(c)]; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

// A quoted text at the start of s ("..." with \\ and \" as the only escapes); s is left after the closing quote.
bool ParseQuoted(std::string_view& s, std::string& out) {
    if (s.empty() || s.front() != '"') return false;
    out.clear();
    size_t i = 1;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') break;
        if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) return false;
            c = s[++i];
        }
        out += c;
    }
    if (i >= s.size()) return false;
    s.remove_prefix(i + 1);
    return true;
}

// Comma-separated two-digit hex bytes, blanks allowed around them; may be empty.
bool ParseHexBytes(std::string_view s, std::string& out) {
    out.clear();
    s = TrimView(s);
    if (s.empty()) return true;
    while (true) {
        s = TrimView(s);
        if (s.size() < 2) return false;
        int hi = HexDigit(s[0]), lo = HexDigit(s[1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        s.remove_prefix(2);
        s = TrimView(s);
        if (s.empty()) return true;
        if (s.front() != ',') return false;
        s.remove_prefix(1);
    }
}

// Up to eight hex digits as a 32-bit number; the whole of s.
bool ParseHex32(std::string_view s, DWORD& v) {
    if (s.empty() || s.size() > 8) return false;
    v = 0;
    for (char c : s) {
        int d = HexDigit(c);
        if (d < 0) return false;
        v = v * 16 + static_cast<DWORD>(d);
    }
    return true;
}

void AppendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

void AppendHex(std::string& out, std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (i) out += ',';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
}

// A text that the quoted form carries exactly: one terminating zero, no other zero, no line break.
bool FitsQuoted(const std::string& data) {
    if (data.empty() || data.back() != '\0') return false;
    return data.find_first_of(std::string_view("\0\r\n", 3)) == data.size() - 1;
}

void AppendValue(std::string& out, const Value& v) {
    if (v.name.empty())
        out += '@';
    else
        AppendQuoted(out, v.name);
    out += '=';
    if (v.type == REG_SZ && FitsQuoted(v.data)) {
        AppendQuoted(out, std::string_view(v.data.data(), v.data.size() - 1));
    } else if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD d = 0;
        for (int i = 3; i >= 0; --i) d = d * 256 + static_cast<unsigned char>(v.data[static_cast<size_t>(i)]);
        char buf[32];
        std::snprintf(buf, sizeof buf, "dword:%08x", d);
        out += buf;
    } else {
        if (v.type == REG_BINARY) {
            out += "hex:";
        } else {
            char buf[32];
            std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
            out += buf;
        }
        AppendHex(out, v.data);
    }
    out += "\r\n";
}

void AppendKey(std::string& out, const Key& key, const std::string& path) {
    out += '[';
    out += path;
    out += "]\r\n";
    for (const Value& v : key.values) AppendValue(out, v);
    out += "\r\n";
    for (const auto& [name, child] : key.subkeys) AppendKey(out, *child, path + '\\' + child->name);
}

}  // namespace

bool NoCaseLess::operator()(std::string_view a, std::string_view b) const {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = Fold(a[i]), y = Fold(b[i]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

Key* Key::Find(const std::string& child) const {
    auto it = subkeys.find(child);
    return it == subkeys.end() ? nullptr : it->second.get();
}

Key* Key::Add(const std::string& child, bool* created) {
    auto it = subkeys.find(child);
    if (created) *created = it == subkeys.end();
    if (it != subkeys.end()) return it->second.get();
    auto node = std::make_unique<Key>();
    node->name = child;
    Key* p = node.get();
    subkeys.emplace(child, std::move(node));
    return p;
}

const Value* Key::FindValue(std::string_view valueName) const {
    const auto at = valueAt.find(valueName);
    return at == valueAt.end() ? nullptr : &values[at->second];
}

bool Key::SetValue(std::string_view valueName, DWORD type, std::string data) {
    const auto at = valueAt.find(valueName);
    if (at != valueAt.end()) {
        Value& v = values[at->second];
        if (v.type == type && v.data == data) return false;
        v.type = type;
        v.data = std::move(data);
        return true;
    }
    values.push_back(Value{std::string(valueName), type, std::move(data)});
    valueAt.emplace(values.back().name, values.size() - 1);
    return true;
}

bool SplitPath(std::string_view path, std::vector<std::string>& parts) {
    parts.clear();
    if (path.empty()) return true;
    while (true) {
        size_t cut = path.find('\\');
        std::string_view part = path.substr(0, cut);
        if (part.empty() || part.size() > kMaxKeyName || part.find_first_of("\r\n") != std::string_view::npos)
            return false;
        if (parts.size() >= kMaxDepth) return false;
        parts.emplace_back(part);
        if (cut == std::string_view::npos) return true;
        path.remove_prefix(cut + 1);
    }
}

bool ParseRegText(std::string_view text, const char* rootName, Key& root, ParseError* error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    size_t pos = 0, lineNo = 0;
    bool ended = true;  // whether the line last taken ended with a line break
    std::string_view raw;
    auto fail = [&](const char* reason) {
        if (error) {
            error->line = lineNo;
            error->reason = reason;
            error->text.assign(raw.substr(0, 200));
        }
        return false;
    };
    auto nextLine = [&](std::string_view& line) {
        if (pos >= text.size()) return false;
        size_t nl = text.find('\n', pos);
        ended = nl != std::string_view::npos;
        if (!ended) nl = text.size();
        line = text.substr(pos, nl - pos);
        pos = nl + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    };

    bool header = false;
    Key* section = nullptr;
    std::vector<std::string> parts;
    std::string name, data;
    while (nextLine(raw)) {
        if (raw.find('\0') != std::string_view::npos) return fail("a zero byte");
        std::string_view line = TrimView(raw);
        if (line.empty()) continue;
        if (!header) {
            if (line != "REGEDIT4") return fail("the first line is not REGEDIT4");
            header = true;
            continue;
        }
        if (line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return fail("a section without its closing bracket");
            std::string_view inner = line.substr(1, line.size() - 2);
            size_t cut = inner.find('\\');
            if (!SameName(inner.substr(0, cut), rootName)) return fail("a section under another root");
            if (!SplitPath(cut == std::string_view::npos ? std::string_view() : inner.substr(cut + 1), parts))
                return fail("a key path with an empty, overlong or excess part");
            if (cut != std::string_view::npos && parts.empty()) return fail("a key path with an empty part");
            section = &root;
            for (const std::string& p : parts) section = section->Add(p);
            continue;
        }
        if (!section) return fail("a value before the first section");

        // "name"=data or @=data.
        if (line.front() == '@') {
            name.clear();
            line.remove_prefix(1);
        } else if (!ParseQuoted(line, name)) {
            return fail("neither a section, a value nor a comment");
        }
        line = TrimView(line);
        if (line.empty() || line.front() != '=') return fail("a value name without '='");
        line = TrimView(line.substr(1));

        if (!line.empty() && line.front() == '"') {
            if (!ParseQuoted(line, data) || !TrimView(line).empty()) return fail("a text value that does not end");
            data += '\0';
            section->SetValue(name, REG_SZ, data);
        } else if (StartsWithNoCase(line, "dword:")) {
            DWORD d;
            std::string_view digits = line.substr(6);
            if (!ParseHex32(digits, d)) return fail("a dword that is not one to eight hex digits");
            // At the very end of the file, fewer than eight digits may be what is left of eight.
            if (!ended && digits.size() < 8) return fail("the file ends inside this dword (no line end)");
            data.assign({static_cast<char>(d & 0xFF), static_cast<char>((d >> 8) & 0xFF),
                         static_cast<char>((d >> 16) & 0xFF), static_cast<char>(d >> 24)});
            section->SetValue(name, REG_DWORD, data);
        } else if (StartsWithNoCase(line, "hex")) {
            DWORD type = REG_BINARY;
            line.remove_prefix(3);
            if (!line.empty() && line.front() == '(') {
                size_t close = line.find(')');
                if (close == std::string_view::npos || !ParseHex32(line.substr(1, close - 1), type))
                    return fail("a hex(type) with a bad type");
                line.remove_prefix(close + 1);
            }
            if (line.empty() || line.front() != ':') return fail("hex without ':'");
            line.remove_prefix(1);
            // Long binary values continue on the next lines after a trailing backslash.
            std::string bytes(line);
            while (!bytes.empty() && bytes.back() == '\\') {
                bytes.pop_back();
                std::string_view more;
                if (!nextLine(more)) return fail("the file ends inside a continued hex value");
                raw = more;
                if (more.find('\0') != std::string_view::npos) return fail("a zero byte");
                bytes += TrimView(more);
            }
            if (!ParseHexBytes(bytes, data)) return fail("hex bytes that are not two-digit pairs split by commas");
            // At the very end of the file the bytes may be the first of more.
            if (!ended) return fail("the file ends inside this hex value (no line end)");
            section->SetValue(name, type, data);
        } else {
            return fail("a value that is neither text, dword nor hex");
        }
    }
    return true;
}

std::string FormatRegText(const Key& root, const char* rootName) {
    std::string out = "REGEDIT4\r\n\r\n";
    if (!root.values.empty()) {
        out += '[';
        out += rootName;
        out += "]\r\n";
        for (const Value& v : root.values) AppendValue(out, v);
        out += "\r\n";
    }
    for (const auto& [name, child] : root.subkeys) AppendKey(out, *child, std::string(rootName) + '\\' + child->name);
    return out;
}

}  // namespace regstore
