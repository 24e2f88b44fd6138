#include "xrddata/formats/xrdml.h"

#include <algorithm>
#include <cmath>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/intensity.h"
#include "xrddata/formats/lines.h"
#include "xrddata/formats/xml.h"

namespace xrddata::formats {

namespace {

constexpr std::string_view kNamespace = "www.xrdml.com/XRDMeasurement/";

// The schema version from the root's namespace URI ("http://www.xrdml.com/XRDMeasurement/2.1" gives "2.1").
std::string SchemaVersion(pugi::xml_node root) {
    const std::string_view name = root.name();
    const std::size_t colon = name.find(':');
    const std::string attribute = colon == std::string_view::npos ? "xmlns" : "xmlns:" + std::string(name.substr(0, colon));
    const std::string_view uri = root.attribute(attribute.c_str()).value();
    const std::size_t at = uri.find(kNamespace);
    if (at == std::string_view::npos) return {};
    std::string_view version = uri.substr(at + kNamespace.size());
    return std::string(version.substr(0, version.find('/')));
}

// "40 kV": a value and its unit.
std::string Unit(std::string value, std::string_view unit) {
    if (!value.empty() && !unit.empty()) {
        value += ' ';
        value += unit;
    }
    return value;
}

// The element's text with its unit attribute.
std::string WithUnit(pugi::xml_node node) { return Unit(Text(node), Attribute(node, "unit").value()); }

void AddProperty(Properties& properties, std::string key, std::string value) {
    if (!value.empty()) properties.emplace_back(std::move(key), std::move(value));
}

void AppendComments(pugi::xml_node parent, std::string& comments) {
    for (pugi::xml_node entry : Children(Child(parent, "comment"), "entry")) {
        const std::string text = Text(entry);
        if (text.empty()) continue;
        if (!comments.empty()) comments += '\n';
        comments += text;
    }
}

// A wavelength in angstrom (the files give "Angstrom"; nanometres are converted).
std::optional<double> Wavelength(pugi::xml_node node) {
    std::optional<double> v = Number(node);
    if (v && std::string_view(Attribute(node, "unit").value()) == "nm") *v *= 10.0;
    return v;
}

void ReadRadiation(pugi::xml_node measurement, Metadata& meta) {
    const pugi::xml_node used = Child(measurement, "usedWavelength");
    if (used) {
        meta.wavelength = Wavelength(Child(used, "kAlpha1"));
        meta.ka2_wavelength = Wavelength(Child(used, "kAlpha2"));
        meta.kb_wavelength = Wavelength(Child(used, "kBeta"));
        meta.ka2_ratio = Number(Child(used, "ratioKAlpha2KAlpha1"));
        const std::string intended = Attribute(used, "intended").value();
        // "K-Alpha" is the doublet, "K-Alpha 1" a monochromatised beam, "K-Beta" the beta line.
        if (intended == "K-Alpha") meta.ka2_present = true;
        if (intended == "K-Alpha 1" || intended == "K-Beta") meta.ka2_present = false;
        AddProperty(meta.properties, "usedWavelength intended", intended);
    }
    const pugi::xml_node incident = Child(measurement, "incidentBeamPath");
    const pugi::xml_node tube = Child(incident, "xRayTube");
    meta.anode = Text(Child(tube, "anodeMaterial"));
    AddProperty(meta.properties, "xRayTube", Attribute(tube, "name").value());
    AddProperty(meta.properties, "tension", WithUnit(Child(tube, "tension")));
    AddProperty(meta.properties, "current", WithUnit(Child(tube, "current")));
    AddProperty(meta.properties, "radius", WithUnit(Child(incident, "radius")));
    const pugi::xml_node detector = Path(measurement, "diffractedBeamPath/detector");
    AddProperty(meta.properties, "detector", Attribute(detector, "name").value());
    AddProperty(meta.properties, "detector type", Attribute(detector, "type").value());
}

// A list element's numbers; its length must match the point count when count is given.
std::vector<double> NumberList(pugi::xml_node node, const std::string& what, std::size_t scan_number,
                               std::optional<std::size_t> count = std::nullopt) {
    std::vector<double> values;
    const std::string_view text = node.text().get();
    values.reserve(text.size() / 6 + 1);
    std::size_t bad = 0;
    if (!ParseNumberList(text, values, &bad))
        throw XmlError(Problem::malformed,
                       "scan " + std::to_string(scan_number) + ": value " + std::to_string(bad + 1) + " of " + what +
                           " is not a number",
                       node);
    if (count && values.size() != *count)
        throw XmlError(Problem::inconsistent,
                       "scan " + std::to_string(scan_number) + ": " + std::to_string(values.size()) + " " + what +
                           " for " + std::to_string(*count) + " intensities",
                       node);
    return values;
}

// Whether a positions element moves over the scan (a start and end, or a list), rather than standing still.
bool Moves(pugi::xml_node positions) {
    return Child(positions, "listPositions") || (Child(positions, "startPosition") && Child(positions, "endPosition"));
}

// The positions the points are placed at: 2Theta when it moves; otherwise the scan axis (its first part, "Omega"
// of "Omega-2Theta"), otherwise the first axis that moves.
pugi::xml_node XPositions(pugi::xml_node data_points, std::string_view scan_axis) {
    const std::vector<pugi::xml_node> all = Children(data_points, "positions");
    auto axis_is = [](pugi::xml_node p, std::string_view axis) {
        return std::string_view(Attribute(p, "axis").value()) == axis;
    };
    for (pugi::xml_node p : all)
        if (axis_is(p, "2Theta") && Moves(p)) return p;
    const std::string_view leading = scan_axis.substr(0, scan_axis.find('-'));
    for (pugi::xml_node p : all)
        if (axis_is(p, leading) && Moves(p)) return p;
    for (pugi::xml_node p : all)
        if (Moves(p)) return p;
    return {};
}

Scan ReadScan(pugi::xml_node node, std::size_t number, Measurement& m) {
    Scan scan;
    scan.axis = Attribute(node, "scanAxis").value();
    scan.mode = Attribute(node, "mode").value();
    AddProperty(scan.properties, "appendNumber", Attribute(node, "appendNumber").value());
    AddProperty(scan.properties, "status", Attribute(node, "status").value());
    const pugi::xml_node header = Child(node, "header");
    AddProperty(scan.properties, "startTimeStamp", Text(Child(header, "startTimeStamp")));
    AddProperty(scan.properties, "endTimeStamp", Text(Child(header, "endTimeStamp")));

    const pugi::xml_node points = Child(node, "dataPoints");
    if (!points) {
        m.warnings.push_back("scan " + std::to_string(number) + " has no dataPoints");
        return scan;
    }
    // y: raw counts (to be corrected by the attenuation factors) or intensities (already corrected).
    pugi::xml_node y = Child(points, "counts");
    const bool raw = static_cast<bool>(y);
    if (!raw) y = Child(points, "intensities");
    if (!y)
        throw XmlError(Problem::malformed, "scan " + std::to_string(number) + " has neither counts nor intensities",
                       points);
    scan.counts = NumberList(y, raw ? "counts" : "intensities", number);
    const std::size_t n = scan.counts.size();
    if (n == 0) {
        m.warnings.push_back("scan " + std::to_string(number) + " holds no intensities");
        return scan;
    }

    const pugi::xml_node positions = XPositions(points, scan.axis);
    if (!positions)
        throw XmlError(Problem::malformed, "scan " + std::to_string(number) + " has no positions that move", points);
    const std::string x_axis = Attribute(positions, "axis").value();
    if (x_axis != "2Theta") {
        m.warnings.push_back("scan " + std::to_string(number) + " does not move 2Theta: its x values are the " +
                             x_axis + " positions");
        scan.properties.emplace_back("x axis", x_axis);
    }
    if (const pugi::xml_node list = Child(positions, "listPositions")) {
        scan.two_theta = NumberList(list, "positions", number, n);
    } else {
        const std::optional<double> start = Number(Child(positions, "startPosition"));
        const std::optional<double> end = Number(Child(positions, "endPosition"));
        if (!start || !end)
            throw XmlError(Problem::malformed,
                           "scan " + std::to_string(number) + ": the start or end position is not a number", positions);
        // The points spread evenly from the start to the end position, both included.
        const double step = n > 1 ? (*end - *start) / static_cast<double>(n - 1) : 0.0;
        scan.two_theta.resize(n);
        for (std::size_t i = 0; i < n; ++i) scan.two_theta[i] = *start + static_cast<double>(i) * step;
        if (n > 1) scan.two_theta[n - 1] = *end;
        scan.start = *start;
        scan.end = *end;
        if (n > 1) scan.step = step;
    }
    for (pugi::xml_node p : Children(points, "positions"))
        if (pugi::xml_node common = Child(p, "commonPosition"))
            AddProperty(scan.properties, std::string(Attribute(p, "axis").value()) + " position",
                        Unit(Text(common), Attribute(p, "unit").value()));

    if (const pugi::xml_node common = Child(points, "commonCountingTime")) {
        scan.step_time = Number(common);
        if (!scan.step_time)
            throw XmlError(Problem::malformed, "scan " + std::to_string(number) + ": the counting time is not a number",
                           common);
    } else if (const pugi::xml_node times = Child(points, "countingTimes")) {
        scan.time_per_point = NumberList(times, "counting times", number, n);
    }

    if (const pugi::xml_node factors = Child(points, "beamAttenuationFactors")) {
        const std::vector<double> f = NumberList(factors, "attenuation factors", number, n);
        if (raw)
            for (std::size_t i = 0; i < n; ++i) scan.counts[i] *= f[i];
        scan.properties.emplace_back("beamAttenuationFactors", raw ? "applied to the counts" : "already applied");
    }

    const std::string unit = Attribute(y, "unit").value();
    if (IsRateUnit(unit)) {
        if (!RateToCounts(scan))
            throw XmlError(Problem::malformed,
                           "scan " + std::to_string(number) + " gives counts per second but no counting time", y);
        NoteRateConversion(m.meta, unit);
    }
    return scan;
}

}  // namespace

bool IsXrdml(Bytes bytes) {
    std::string_view head = AsText(bytes.first(std::min<std::size_t>(bytes.size(), 4096)));
    if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
    head = TrimBlanks(head);
    if (!head.starts_with("<")) return false;
    return head.find("<xrdMeasurements") != std::string_view::npos ||
           head.find(":xrdMeasurements") != std::string_view::npos || head.find(kNamespace) != std::string_view::npos;
}

Measurement ReadXrdml(const Source& source) {
    pugi::xml_document doc;
    LoadXml(doc, source.bytes);
    const pugi::xml_node root = doc.document_element();
    if (LocalName(root) != "xrdMeasurements")
        throw XmlError(Problem::unrecognised,
                       "the document's root element is " + std::string(root.name()) + ", not xrdMeasurements", root);

    Measurement m;
    Metadata& meta = m.meta;
    meta.format_version = SchemaVersion(root);
    AddProperty(meta.properties, "status", Attribute(root, "status").value());
    AppendComments(root, meta.comments);
    const pugi::xml_node sample = Child(root, "sample");
    const std::string id = Text(Child(sample, "id"));
    const std::string name = Text(Child(sample, "name"));
    meta.sample = name.empty() ? id : name;
    AddProperty(meta.properties, "sample id", id);
    AddProperty(meta.properties, "sample name", name);
    AddProperty(meta.properties, "preparedBy", Text(Child(sample, "preparedBy")));

    bool radiation = false;
    for (pugi::xml_node measurement : Children(root, "xrdMeasurement")) {
        if (!radiation && Child(measurement, "usedWavelength")) {
            ReadRadiation(measurement, meta);
            AddProperty(meta.properties, "measurementType", Attribute(measurement, "measurementType").value());
            AddProperty(meta.properties, "sampleMode", Attribute(measurement, "sampleMode").value());
            radiation = true;
        }
        AppendComments(measurement, meta.comments);
        for (pugi::xml_node scan : Children(measurement, "scan"))
            m.scans.push_back(ReadScan(scan, m.scans.size() + 1, m));
    }
    if (m.scans.empty()) throw XmlError(Problem::no_data, "the file holds no scan", root);

    if (const std::string* start = find_property(m.scans.front().properties, "startTimeStamp")) {
        meta.date.text = *start;
        meta.date.value = ParseDate(*start);
    }
    return m;
}

}  // namespace xrddata::formats
