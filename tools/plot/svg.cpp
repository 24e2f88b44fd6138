#include "plot/svg.h"

#include <cmath>
#include <cstdio>

SvgWriter::SvgWriter(double width, double height) {
    m_out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    Open("svg", {{"xmlns", "http://www.w3.org/2000/svg"},
                 {"width", Num(width)},
                 {"height", Num(height)},
                 {"viewBox", "0 0 " + Num(width) + " " + Num(height)}});
}

std::string SvgWriter::Num(double v) {
    if (!std::isfinite(v)) v = 0.0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string SvgWriter::Escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default:
                // Control characters other than tab and line ends are not allowed in XML 1.0 at all.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') out += ' ';
                else out += c;
        }
    }
    return out;
}

void SvgWriter::Tag(const char* name, Attributes attrs) {
    m_out += std::string(m_open.size(), ' ');
    m_out += '<';
    m_out += name;
    for (const auto& [key, value] : attrs) {
        m_out += ' ';
        m_out += key;
        m_out += "=\"";
        m_out += Escape(value);
        m_out += '"';
    }
}

void SvgWriter::Open(const char* name, Attributes attrs) {
    Tag(name, attrs);
    m_out += ">\n";
    m_open.emplace_back(name);
}

void SvgWriter::Close() {
    if (m_open.empty()) return;
    const std::string name = m_open.back();
    m_open.pop_back();
    m_out += std::string(m_open.size(), ' ') + "</" + name + ">\n";
}

void SvgWriter::Empty(const char* name, Attributes attrs) {
    Tag(name, attrs);
    m_out += "/>\n";
}

void SvgWriter::Text(const char* name, Attributes attrs, const std::string& text) {
    Tag(name, attrs);
    m_out += '>';
    m_out += Escape(text);
    m_out += "</";
    m_out += name;
    m_out += ">\n";
}

std::string SvgWriter::Finish() {
    while (!m_open.empty()) Close();
    return m_out;
}
