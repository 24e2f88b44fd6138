// The content of one settings-store file in memory (a tree of keys holding typed values) and its .reg text form.
// Internal to the registry functions of registry.h.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xrddata/platform/types.h"

namespace regstore {

// Orders names without regard to ASCII case: the store's names compare that way and list in that order.
struct NoCaseLess {
    using is_transparent = void;  // a name is looked up as it comes, without a copy into a string
    bool operator()(std::string_view a, std::string_view b) const;
};
bool SameName(std::string_view a, std::string_view b);

struct Value {
    std::string name;  // empty: the key's default value
    DWORD type = 0;
    std::string data;  // the bytes as stored
};

struct Key {
    std::string name;
    std::vector<Value> values;  // in the order they were first set
    // Where each value stands in values, by name: a key with many values reads in time n log n, not n squared.
    // SetValue keeps it; a copy of values needs a copy of it.
    std::map<std::string, size_t, NoCaseLess> valueAt;
    std::map<std::string, std::unique_ptr<Key>, NoCaseLess> subkeys;

    Key* Find(const std::string& child) const;
    // The child of that name, created when missing.
    Key* Add(const std::string& child, bool* created = nullptr);
    const Value* FindValue(std::string_view valueName) const;
    // Stores a value; returns false when it already held exactly these bytes and type.
    bool SetValue(std::string_view valueName, DWORD type, std::string data);
};

// Keys nest at most this deep below a root.
constexpr size_t kMaxDepth = 512;

// Splits a key path at backslashes. False for a path with an empty part, a line break, a part longer than the 255
// characters a key name may have, or more than kMaxDepth parts.
bool SplitPath(std::string_view path, std::vector<std::string>& parts);

// Where and why a text is not a store: the 1-based line, the reason, and the line as it stands.
struct ParseError {
    size_t line = 0;
    std::string reason;
    std::string text;
};

// Reads .reg text whose sections all lie under rootName into root (which gets the keys and values, merged with
// what it holds). False (with the place in error, when given) when the text does not have that form: a missing
// "REGEDIT4" header, a section under another root, a line that is neither a section, a value, a comment nor
// blank, a value outside a section, a zero byte, or a last line without its line end holding a dword of fewer
// than eight digits or hex bytes (a file cut short there would otherwise read as a smaller number or fewer bytes:
// "dword:0000000" for "dword:00000001"; texts and sections show their end by their closing quote or bracket).
// Empty text (or only blanks) is an empty store.
bool ParseRegText(std::string_view text, const char* rootName, Key& root, ParseError* error = nullptr);

// The .reg text of the tree: header, then every key below the root in pre-order (children alphabetical), each
// section followed by its values and a blank line; CR LF line ends. The root gets a section only when it holds
// values. Texts that fit the quoted form are written quoted; anything else (line breaks, embedded or missing
// terminating zero) in hex(1): form, so that every byte comes back as stored.
std::string FormatRegText(const Key& root, const char* rootName);

}  // namespace regstore
