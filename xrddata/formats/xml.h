// XML documents for the readers of XML formats (XRDML, and the members of BRML and RASX archives), parsed from
// memory with pugixml. A document may start with a UTF-8 byte-order mark and may lack the XML declaration; a
// declared Latin-1 encoding is converted to UTF-8. No DTD is read and no entity but the five predefined ones and
// character references is expanded. A document nested deeper than kMaxXmlDepth elements is refused (the depth is
// measured by walking the tree without recursion), so that no reader recursing over a document can be driven
// arbitrarily deep.
//
// Elements are looked up by local name (any namespace prefix is ignored), as the formats' own namespaces differ
// between schema versions.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "xrddata/formats/error.h"
#include "xrddata/formats/table.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

inline constexpr std::size_t kMaxXmlDepth = 256;

// Parses the bytes into doc. member names the archive member the bytes came from (empty for a plain file): errors
// about a plain file carry the byte offset, errors about a member name it and give the offset in the reason.
// Throws ReadError: Problem::malformed with pugixml's description, Problem::no_data for a document without an
// element, Problem::too_large when nested too deep.
XRDDATA_API void LoadXml(pugi::xml_document& doc, Bytes bytes, std::string_view member = {});

// An error about a node of a document loaded by LoadXml: placed at the node's byte offset, and naming the member
// when the document is an archive member.
XRDDATA_API ReadError XmlError(Problem problem, const std::string& reason, pugi::xml_node where,
                               std::string_view member = {});

// The element's name without its namespace prefix.
XRDDATA_API std::string_view LocalName(pugi::xml_node node);
// The first child element with this local name, or an empty node.
XRDDATA_API pugi::xml_node Child(pugi::xml_node parent, std::string_view local);
// The child elements with this local name, in document order.
XRDDATA_API std::vector<pugi::xml_node> Children(pugi::xml_node parent, std::string_view local);
// Follows a path of local names ("incidentBeamPath/xRayTube/anodeMaterial"), first match at each step.
XRDDATA_API pugi::xml_node Path(pugi::xml_node from, std::string_view path);
// The first element below from (at any depth, document order) with this local name, or an empty node. Iterative.
XRDDATA_API pugi::xml_node Descendant(pugi::xml_node from, std::string_view local);
// The attribute of this local name (a prefix such as xsi: ignored), or an empty attribute.
XRDDATA_API pugi::xml_attribute Attribute(pugi::xml_node node, std::string_view local);

// The element's text without surrounding blanks (empty for an empty node).
XRDDATA_API std::string Text(pugi::xml_node node);
// The element's text (or an attribute's value) as one number; null when absent, empty or not a number.
XRDDATA_API std::optional<double> Number(pugi::xml_node node);
XRDDATA_API std::optional<double> Number(pugi::xml_attribute attribute);

// The numbers of a list separated by blanks (space, tab, CR, LF), appended to out. False when an item is no
// number; bad_item then holds its 0-based index. The values before it are appended.
XRDDATA_API bool ParseNumberList(std::string_view text, std::vector<double>& out, std::size_t* bad_item = nullptr);

}  // namespace xrddata::formats
