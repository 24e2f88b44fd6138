#include "xrddata/formats/xml.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "xrddata/formats/lines.h"

namespace xrddata::formats {

namespace {

// CDATA and the predefined entities; no end-of-line normalisation (the readers trim blanks themselves) and no
// attribute whitespace conversion, which only cost time.
constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_escapes;

ReadError Placed(Problem problem, const std::string& reason, std::ptrdiff_t offset, std::string_view member) {
    if (member.empty()) {
        ReadError e(problem, reason);
        if (offset >= 0) e.at_offset(static_cast<std::uint64_t>(offset));
        return e;
    }
    std::string where = "zip member " + std::string(member) + ": ";
    if (offset >= 0) where += "byte " + std::to_string(offset) + ": ";
    return ReadError(problem, where + reason);
}

// Depth of the deepest element, walking the tree through its links (no recursion); stops counting past limit.
std::size_t Depth(const pugi::xml_node root, std::size_t limit) {
    std::size_t depth = 0, deepest = 0;
    pugi::xml_node node = root.first_child();
    if (!node) return 0;
    depth = 1;
    while (node) {
        if (node.type() == pugi::node_element && depth > deepest) {
            deepest = depth;
            if (deepest > limit) return deepest;
        }
        if (pugi::xml_node child = node.first_child()) {
            node = child;
            ++depth;
            continue;
        }
        while (node && !node.next_sibling()) {
            node = node.parent();
            --depth;
            if (node == root) return deepest;
        }
        if (node) node = node.next_sibling();
    }
    return deepest;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

void LoadXml(pugi::xml_document& doc, Bytes bytes, std::string_view member) {
    const pugi::xml_parse_result result = doc.load_buffer(bytes.data(), bytes.size(), kParseOptions);
    if (result.status == pugi::status_no_document_element)
        throw Placed(Problem::no_data, "the XML document holds no element", -1, member);
    if (!result)
        throw Placed(Problem::malformed, std::string("the XML does not parse: ") + result.description(), result.offset,
                     member);
    if (Depth(doc, kMaxXmlDepth) > kMaxXmlDepth)
        throw Placed(Problem::too_large,
                     "the XML is nested more than " + std::to_string(kMaxXmlDepth) + " elements deep", -1, member);
}

ReadError XmlError(Problem problem, const std::string& reason, pugi::xml_node where, std::string_view member) {
    return Placed(problem, reason, where ? where.offset_debug() : -1, member);
}

std::string_view LocalName(pugi::xml_node node) {
    std::string_view name = node.name();
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node Child(pugi::xml_node parent, std::string_view local) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && LocalName(c) == local) return c;
    return {};
}

std::vector<pugi::xml_node> Children(pugi::xml_node parent, std::string_view local) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && LocalName(c) == local) out.push_back(c);
    return out;
}

pugi::xml_node Path(pugi::xml_node from, std::string_view path) {
    pugi::xml_node node = from;
    while (node && !path.empty()) {
        const std::size_t slash = path.find('/');
        node = Child(node, path.substr(0, slash));
        path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
    }
    return node;
}

pugi::xml_node Descendant(pugi::xml_node from, std::string_view local) {
    pugi::xml_node node = from.first_child();
    while (node) {
        if (node.type() == pugi::node_element && LocalName(node) == local) return node;
        if (pugi::xml_node child = node.first_child()) {
            node = child;
            continue;
        }
        while (node && node != from && !node.next_sibling()) node = node.parent();
        if (!node || node == from) return {};
        node = node.next_sibling();
    }
    return {};
}

pugi::xml_attribute Attribute(pugi::xml_node node, std::string_view local) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        std::string_view name = a.name();
        const std::size_t colon = name.find(':');
        if (colon != std::string_view::npos) name = name.substr(colon + 1);
        if (name == local) return a;
    }
    return {};
}

std::string Text(pugi::xml_node node) { return std::string(TrimBlanks(node.text().get())); }

std::optional<double> Number(pugi::xml_node node) {
    double v;
    if (!node || !ParseDouble(node.text().get(), v)) return std::nullopt;
    return v;
}

std::optional<double> Number(pugi::xml_attribute attribute) {
    double v;
    if (!attribute || !ParseDouble(attribute.value(), v)) return std::nullopt;
    return v;
}

bool ParseNumberList(std::string_view text, std::vector<double>& out, std::size_t* bad_item) {
    const char* p = text.data();
    const char* const end = p + text.size();
    std::size_t item = 0;
    for (;;) {
        while (p < end && IsBlank(*p)) ++p;
        if (p == end) return true;
        const char* first = p;
        if (*first == '+') ++first;  // from_chars takes no plus sign
        double v;
        const auto r = std::from_chars(first, end, v, std::chars_format::general);
        if (r.ec != std::errc() || !std::isfinite(v) || (r.ptr < end && !IsBlank(*r.ptr)) ||
            (first != p && first < end && (*first == '-' || *first == '+'))) {
            if (bad_item) *bad_item = item;
            return false;
        }
        out.push_back(v);
        p = r.ptr;
        ++item;
    }
}

}  // namespace xrddata::formats
