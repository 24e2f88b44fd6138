// A small SVG writer: elements with attributes, nested groups, text with XML escapes. It keeps the document as text
// and guarantees well-formed output (every element opened is closed, attribute values and text are escaped).
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "xrddata/platform/types.h"

class SvgWriter {
public:
    using Attributes = std::initializer_list<std::pair<const char*, std::string>>;

    // Starts the document: the XML declaration and the svg root of the given size in user units.
    SvgWriter(double width, double height);

    // <name attrs> ... </name>, nesting.
    void Open(const char* name, Attributes attrs = {});
    void Close();
    // <name attrs/>.
    void Empty(const char* name, Attributes attrs = {});
    // <name attrs>text</name>.
    void Text(const char* name, Attributes attrs, const std::string& text);

    // Closes whatever is open and the root, and returns the document.
    std::string Finish();

    // Coordinates with two decimals, trailing zeros dropped ("12.5", "-3").
    static std::string Num(double v);
    static std::string Escape(const std::string& text);

private:
    void Tag(const char* name, Attributes attrs);
    std::string m_out;
    std::vector<std::string> m_open;
};
