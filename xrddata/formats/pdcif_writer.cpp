#include "xrddata/formats/pdcif_writer.h"

#include <cmath>

#include "xrddata/formats/dates.h"
#include "xrddata/formats/decimal.h"
#include "xrddata/formats/pointtext.h"

namespace xrddata::formats {

namespace {

// A CIF value: bare when it is one simple word, quoted when it fits on a line and holds no quote that would end
// it, a text field otherwise.
std::string CifValue(const std::string& v) {
    bool bare = !v.empty(), single = true, dbl = true;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const char c = v[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') bare = false;
        if (c == '\n' || c == '\r') single = dbl = false;
        if (c == '\'' && (i + 1 == v.size() || v[i + 1] == ' ' || v[i + 1] == '\t')) single = false;
        if (c == '"' && (i + 1 == v.size() || v[i + 1] == ' ' || v[i + 1] == '\t')) dbl = false;
    }
    if (bare) {
        const char c = v.front();
        bare = c != '_' && c != '#' && c != '$' && c != '\'' && c != '"' && c != ';' && c != '[' && c != ']' &&
               v != "?" && v != "." && v.rfind("data_", 0) != 0 && v.rfind("loop_", 0) != 0 &&
               v.rfind("save_", 0) != 0;
    }
    if (bare) return v;
    if (single) return "'" + v + "'";
    if (dbl) return "\"" + v + "\"";
    // A text field ends at a line starting with ';'; such a line inside gets a blank before it.
    std::string body;
    std::size_t p = 0;
    while (p <= v.size()) {
        std::size_t e = v.find('\n', p);
        if (e == std::string::npos) e = v.size();
        std::string line = v.substr(p, e - p);
        if (!line.empty() && line.front() == ';') line.insert(0, " ");
        body += line + "\n";
        p = e + 1;
    }
    return "\n;\n" + body + ";";
}

void Item(std::string& out, const char* tag, const std::string& value) {
    out += tag;
    out += ' ';
    out += CifValue(value);
    out += '\n';
}

std::string BlockName(const WriteContext& c) {
    std::string name = TitleLine(c, 60);
    for (char& ch : name)
        if (ch == ' ' || ch == '\t' || static_cast<unsigned char>(ch) < 0x21 || static_cast<unsigned char>(ch) > 0x7e)
            ch = '_';
    if (c.scan_index) name += "_scan" + std::to_string(c.scan_index + 1);
    return name;
}

}  // namespace

void WritePowderCif(Sink& out, const Points& points, const WriteContext& context) {
    CheckPoints(points, "a powder CIF file");
    const std::size_t n = points.two_theta.size();
    const Metadata* meta = context.meta;
    std::string text = "#\\#CIF_1.1\n# Powder pattern written by xrddata\n";
    if (!context.source.empty()) {
        std::string source = context.source;
        for (char& c : source)
            if (c == '\r' || c == '\n') c = ' ';
        text += "# Source: " + source + "\n";
    }
    text += "data_" + BlockName(context) + "\n";
    if (context.header) {
        Item(text, "_audit_creation_method", "xrddata");
        if (meta && !meta->sample.empty()) Item(text, "_pd_spec_description", meta->sample);
        if (meta && meta->date.value) {
            std::string d = FormatDate(*meta->date.value);
            d[10] = 'T';
            Item(text, "_pd_meas_datetime_initiated", d);
        }
        if (meta && !meta->anode.empty()) Item(text, "_diffrn_source_target", meta->anode);
        if (meta && meta->wavelength) {
            if (meta->ka2_wavelength) {
                text += "loop_\n_diffrn_radiation_wavelength_id\n_diffrn_radiation_wavelength\n"
                        "_diffrn_radiation_wavelength_wt\n";
                text += "1 " + ShortestText(*meta->wavelength) + " 1\n";
                text += "2 " + ShortestText(*meta->ka2_wavelength) + " " +
                        (meta->ka2_ratio ? ShortestText(*meta->ka2_ratio) : std::string("?")) + "\n";
            } else {
                Item(text, "_diffrn_radiation_wavelength", ShortestText(*meta->wavelength));
            }
        }
        std::string steps;
        for (const std::string& s : context.processing) steps += (steps.empty() ? "" : "\n") + s;
        if (!steps.empty()) Item(text, "_pd_proc_info_data_reduction", steps);
        Item(text, "_pd_meas_number_of_points", std::to_string(n));
    }
    bool whole = true;
    for (std::size_t i = 0; i < n && whole; ++i) whole = points.counts[i] == std::floor(points.counts[i]);
    const char* tag = !context.processing.empty() ? "_pd_proc_intensity_net"
                      : whole                      ? "_pd_meas_counts_total"
                                                   : "_pd_meas_intensity_total";
    text += "loop_\n_pd_meas_2theta_scan\n";
    text += tag;
    text += '\n';
    if (!points.sigma.empty()) {
        text += tag;
        text += "_su\n";
    }
    out.write(text);
    text.clear();
    WritePointRows(out, text, points, ' ');
}

}  // namespace xrddata::formats
