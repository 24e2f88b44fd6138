// The syntax of CIF 1.1 files (Crystallographic Information File), read into data blocks of items and loops, for
// the powder CIF reader. Values are views into the file's bytes (a text field's view spans its lines); each keeps
// its line number for messages. Tags are kept as written and compared without regard to case, with a '.' read as
// '_' (the CIF 2 / DDLm spelling "_pd_meas.counts_total" is the same tag).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xrddata::formats::cif {

struct Value {
    std::string_view text;  // without quotes or the semicolons of a text field
    std::uint64_t line = 0;
    bool quoted = false;    // quoted or a text field: never '?' or '.' as "unknown" / "inapplicable"
    bool unknown() const { return !quoted && (text == "?" || text == "."); }
};

struct Item {
    std::string_view tag;
    Value value;
};

struct Loop {
    std::vector<std::string_view> tags;
    std::vector<Value> values;  // row by row: values[row * tags.size() + column]
    std::uint64_t line = 0;     // of loop_
    std::size_t rows() const { return tags.empty() ? 0 : values.size() / tags.size(); }
    // The column of the tag, or -1.
    int column(std::string_view tag) const;
};

struct Block {
    std::string_view name;  // after "data_"
    std::uint64_t line = 0;
    std::vector<Item> items;
    std::vector<Loop> loops;
    // The item of the tag, or null.
    const Value* find(std::string_view tag) const;
};

// Whether two tags name the same item (case ignored, '.' as '_').
bool SameTag(std::string_view a, std::string_view b);

// Every data block of the text. Save frames are skipped with their content. Throws ReadError (malformed) with the
// line: a text field or quoted value that does not end, a value outside a data block, a loop whose values do not
// fill its rows.
std::vector<Block> Parse(std::string_view text);

}  // namespace xrddata::formats::cif
