// Fuzz target: the settings-store .reg text parser. A text that parses must come back unchanged through the
// writer: formatting the tree, parsing that and formatting again gives the same bytes (and the second parse
// succeeds). A text that does not parse must name a line within the text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "xrddata/platform/registry_tree.h"

namespace {

void Check(std::string_view text, const char* root) {
    regstore::Key tree;
    regstore::ParseError error;
    if (!regstore::ParseRegText(text, root, tree, &error)) {
        size_t lines = 1;
        for (char c : text) lines += c == '\n';
        if (error.line == 0 || error.line > lines || error.reason.empty()) std::abort();
        return;
    }
    const std::string once = regstore::FormatRegText(tree, root);
    regstore::Key again;
    if (!regstore::ParseRegText(once, root, again, &error)) std::abort();
    if (regstore::FormatRegText(again, root) != once) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The user's file and the machine's: the same syntax under their own root.
    Check(text, "HKEY_CURRENT_USER");
    Check(text, "HKEY_LOCAL_MACHINE");
    return 0;
}
