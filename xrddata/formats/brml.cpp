#include "xrddata/formats/brml.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/lines.h"
#include "xrddata/formats/xml.h"
#include "xrddata/formats/zip.h"

namespace xrddata::formats {

namespace {

constexpr std::string_view kContainer = "/DataContainer.xml";
constexpr std::size_t kMaxColumns = 1 << 16;  // a column index beyond this is a damaged view, not a layout

void AddProperty(Properties& properties, std::string key, std::string value) {
    if (!value.empty()) properties.emplace_back(std::move(key), std::move(value));
}

// Names compared with their trailing numbers as numbers: "RawData2.xml" before "RawData10.xml".
bool NumericLess(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = a[i] >= '0' && a[i] <= '9', db = b[j] >= '0' && b[j] <= '9';
        if (da && db) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && a[ei] >= '0' && a[ei] <= '9') ++ei;
            while (ej < b.size() && b[ej] >= '0' && b[ej] <= '9') ++ej;
            std::string_view na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            while (na.size() > 1 && na.front() == '0') na.remove_prefix(1);
            while (nb.size() > 1 && nb.front() == '0') nb.remove_prefix(1);
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

// The experiment folders ("Experiment0") that hold a DataContainer.xml, in numeric order.
std::vector<std::string> Experiments(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const std::string& n : names)
        if (n.size() > kContainer.size() && n.ends_with(kContainer) &&
            n.find('/') == n.size() - kContainer.size())
            out.push_back(n.substr(0, n.size() - kContainer.size()));
    std::sort(out.begin(), out.end(), NumericLess);
    return out;
}

// The raw data members of a folder, in numeric order: for a folder without a container.
std::vector<std::string> RawDataMembers(const std::vector<std::string>& names, const std::string& folder) {
    std::vector<std::string> out;
    const std::string prefix = folder + "/RawData";
    for (const std::string& n : names)
        if (n.starts_with(prefix) && n.ends_with(".xml") && n.find('/', prefix.size()) == std::string::npos)
            out.push_back(n);
    std::sort(out.begin(), out.end(), NumericLess);
    return out;
}

std::optional<double> ValueOf(pugi::xml_node node) { return Number(Attribute(node, "Value")); }

std::string ValueWithUnit(pugi::xml_node node) {
    std::string v = Attribute(node, "Value").value();
    const std::string unit = Attribute(node, "Unit").value();
    if (!v.empty() && !unit.empty()) v += " " + unit;
    return v;
}

// A wavelength element (Value in Unit "Å"; nanometres converted).
std::optional<double> Wavelength(pugi::xml_node node) {
    std::optional<double> v = ValueOf(node);
    if (v && std::string_view(Attribute(node, "Unit").value()) == "nm") *v *= 10.0;
    return v;
}

void ReadTube(pugi::xml_node raw, Metadata& meta) {
    const pugi::xml_node fixed = Child(raw, "FixedInformation");
    pugi::xml_node tube = Descendant(Child(fixed, "Instrument"), "Tube");
    if (!tube) tube = Descendant(fixed, "Tube");
    if (!tube) return;
    meta.anode = Text(Child(tube, "TubeMaterial"));
    meta.wavelength = Wavelength(Child(tube, "WaveLengthAlpha1"));
    meta.ka2_wavelength = Wavelength(Child(tube, "WaveLengthAlpha2"));
    meta.kb_wavelength = Wavelength(Child(tube, "WaveLengthBeta"));
    meta.ka2_ratio = ValueOf(Child(tube, "WaveLengthRatio"));
    AddProperty(meta.properties, "WaveLengthAverage", ValueWithUnit(Child(tube, "WaveLengthAverage")));
    const pugi::xml_node generator = Child(tube, "Generator");
    AddProperty(meta.properties, "Voltage", ValueWithUnit(Child(generator, "Voltage")));
    AddProperty(meta.properties, "Current", ValueWithUnit(Child(generator, "Current")));
}

// Where the values of a Datum row are, from the route's data views.
struct Columns {
    std::optional<std::size_t> time, absorber, x, counts;
    std::size_t counts_length = 1;
    std::size_t needed = 0;  // fields a row must hold
};

std::optional<std::size_t> Index(pugi::xml_attribute a) {
    std::size_t v = 0;
    const std::string_view text = a.value();
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || v >= kMaxColumns)
        return std::nullopt;
    return v;
}

Columns ReadViews(pugi::xml_node route, const std::string& member) {
    Columns c;
    bool counts_by_unit = false;
    for (pugi::xml_node view : Children(Child(route, "DataViews"), "RawDataView")) {
        const std::string_view type = Attribute(view, "type").value();
        const std::optional<std::size_t> start = Index(Attribute(view, "Start"));
        const std::optional<std::size_t> length = Index(Attribute(view, "Length"));
        if (!start || !length || *length == 0)
            throw XmlError(Problem::malformed, "a data view has no valid Start and Length", view, member);
        if (type == "FixedRawDataView") {
            const std::string_view logic = Attribute(view, "LogicName").value();
            if (logic == "MeasuredTime") c.time = *start;
            if (logic == "AbsorptionFactor") c.absorber = *start;
        } else if (type == "VaryingRawDataView") {
            const std::vector<pugi::xml_node> fields = Children(Child(view, "Varying"), "FieldDefinitions");
            for (std::size_t k = 0; k < fields.size() && k < *length; ++k) {
                const std::string_view name = Attribute(fields[k], "FieldName").value();
                const std::string_view id = Attribute(fields[k], "AxisId").value();
                if (!c.x && (name == "TwoTheta" || id == "TwoTheta")) c.x = *start + k;
            }
        } else if (type == "RecordedRawDataView") {
            // The detector's counts: the recording whose unit is Counts (other recordings, such as a temperature,
            // share the rows); the first recording when none says.
            const pugi::xml_node recording = Child(view, "Recording");
            const bool counts = std::string_view(Attribute(Child(recording, "Unit"), "Base").value()) == "Counts";
            if (!c.counts || (counts && !counts_by_unit)) {
                c.counts = *start;
                c.counts_length = *length;
                counts_by_unit = counts;
            }
        }
        c.needed = std::max(c.needed, *start + *length);
    }
    return c;
}

// The fields of a Datum row.
void SplitDatum(std::string_view text, std::vector<double>& fields) {
    fields.clear();
    for (;;) {
        const std::size_t comma = text.find(',');
        double v;
        if (!ParseDouble(text.substr(0, comma), v)) {
            fields.push_back(std::nan(""));
        } else {
            fields.push_back(v);
        }
        if (comma == std::string_view::npos) return;
        text.remove_prefix(comma + 1);
    }
}

pugi::xml_node MeasuredRoute(pugi::xml_node raw) {
    const std::vector<pugi::xml_node> routes = Children(Child(raw, "DataRoutes"), "DataRoute");
    for (pugi::xml_node r : routes)
        if (std::string_view(Attribute(r, "RouteFlag").value()) == "Measured" && Child(r, "Datum")) return r;
    for (pugi::xml_node r : routes)
        if (Child(r, "Datum")) return r;
    return routes.empty() ? pugi::xml_node() : routes.front();
}

// The scan axis the positions come from: TwoTheta, else the first.
pugi::xml_node TwoThetaAxis(pugi::xml_node info) {
    const std::vector<pugi::xml_node> axes = Children(Child(info, "ScanAxes"), "ScanAxisInfo");
    for (pugi::xml_node a : axes)
        if (std::string_view(Attribute(a, "AxisId").value()) == "TwoTheta" ||
            std::string_view(Attribute(a, "AxisName").value()) == "TwoTheta")
            return a;
    return axes.empty() ? pugi::xml_node() : axes.front();
}

// One time per step when every point has the same, else the per-point times.
void SetTimes(Scan& scan, std::vector<double> times) {
    if (times.empty()) return;
    if (std::all_of(times.begin(), times.end(), [&](double t) { return t == times.front(); }))
        scan.step_time = times.front();
    else
        scan.time_per_point = std::move(times);
}

// The scans of one RawData member (one, or one per Datum for detector frames).
void ReadRawData(pugi::xml_node raw, const std::string& member, Measurement& m) {
    const pugi::xml_node route = MeasuredRoute(raw);
    if (!route) {
        m.warnings.push_back(member + " has no data route");
        return;
    }
    Scan scan;
    scan.properties.emplace_back("member", member);
    AddProperty(scan.properties, "MeasurementStatus", Text(Child(raw, "MeasurementStatus")));
    AddProperty(scan.properties, "TimeStampStarted", Text(Child(raw, "TimeStampStarted")));
    AddProperty(scan.properties, "TimeStampFinished", Text(Child(raw, "TimeStampFinished")));

    const pugi::xml_node info = Child(route, "ScanInformation");
    scan.axis = Attribute(info, "ScanName").value();
    scan.mode = Text(Child(info, "ScanMode"));
    AddProperty(scan.properties, "VisibleName", Attribute(info, "VisibleName").value());
    AddProperty(scan.properties, "TimePerStep", Text(Child(info, "TimePerStep")));
    AddProperty(scan.properties, "TimePerStepEffective", Text(Child(info, "TimePerStepEffective")));
    if (const std::optional<double> points = Number(Child(info, "MeasurementPoints"));
        points && *points >= 0 && *points <= 9.0e15 && static_cast<double>(static_cast<std::int64_t>(*points)) == *points)
        scan.declared_points = static_cast<std::int64_t>(*points);
    const pugi::xml_node axis = TwoThetaAxis(info);
    scan.start = Number(Child(axis, "Start"));
    scan.end = Number(Child(axis, "Stop"));
    scan.step = Number(Child(axis, "Increment"));
    for (pugi::xml_node drive : Children(Path(raw, "FixedInformation/Drives"), "InfoData"))
        if (std::string_view(Attribute(drive, "type").value()) == "FixedDriveInfoData")
            AddProperty(scan.properties, "drive " + std::string(Attribute(drive, "LogicName").value()),
                        ValueWithUnit(Child(drive, "Position")));

    const Columns columns = ReadViews(route, member);
    if (!columns.counts)
        throw XmlError(Problem::malformed, "the data views name no recorded counts", route, member);
    const bool frames = columns.counts_length > 1;
    if ((!columns.x || frames) && (!scan.start || !scan.step))
        throw XmlError(Problem::malformed, "the positions are neither a row column nor a scan axis with a start and "
                                           "an increment", info ? info : route, member);

    std::vector<double> fields, times;
    bool absorbed = false;
    std::size_t row = 0;
    for (pugi::xml_node datum = Child(route, "Datum"); datum; datum = datum.next_sibling()) {
        if (datum.type() != pugi::node_element || LocalName(datum) != "Datum") continue;
        ++row;
        SplitDatum(datum.text().get(), fields);
        if (fields.size() < columns.needed)
            throw XmlError(Problem::inconsistent,
                           "Datum " + std::to_string(row) + " has " + std::to_string(fields.size()) +
                               " values; the data views need " + std::to_string(columns.needed),
                           datum, member);
        auto field = [&](std::size_t i) {
            if (std::isnan(fields[i]))
                throw XmlError(Problem::malformed,
                               "value " + std::to_string(i + 1) + " of Datum " + std::to_string(row) + " is not a number",
                               datum, member);
            return fields[i];
        };
        if (columns.absorber && field(*columns.absorber) != 1.0) absorbed = true;
        if (frames) {
            // A detector frame: its channels spread from the axis start by the increment.
            Scan frame = scan;
            for (std::size_t j = 0; j < columns.counts_length; ++j) {
                frame.counts.push_back(field(*columns.counts + j));
                frame.two_theta.push_back(*scan.start + static_cast<double>(j) * *scan.step);
            }
            if (columns.time) frame.step_time = field(*columns.time);
            m.scans.push_back(std::move(frame));
            continue;
        }
        scan.counts.push_back(field(*columns.counts));
        scan.two_theta.push_back(columns.x ? field(*columns.x)
                                           : *scan.start + static_cast<double>(scan.counts.size() - 1) * *scan.step);
        if (columns.time) times.push_back(field(*columns.time));
    }
    if (absorbed) {
        m.warnings.push_back(member + ": absorber factors other than 1 are not applied to the counts");
        scan.properties.emplace_back("AbsorptionFactor", "not applied; some rows are not 1");
    }
    if (frames) return;
    if (!columns.x) scan.properties.emplace_back("positions", "Start + i x Increment of the scan axis");
    SetTimes(scan, std::move(times));
    if (scan.declared_points && static_cast<std::int64_t>(scan.size()) < *scan.declared_points)
        m.warnings.push_back(member + " holds " + std::to_string(scan.size()) + " of the " +
                             std::to_string(*scan.declared_points) + " points its scan plans");
    m.scans.push_back(std::move(scan));
}

}  // namespace

bool IsBrml(Bytes bytes) {
    if (!StartsLikeZip(bytes)) return false;
    if (const auto names = ZipMemberNames(bytes))
        return !Experiments(*names).empty() ||
               std::find(names->begin(), names->end(), "experimentCollection.xml") != names->end();
    // No readable directory (a truncated archive): every BRML seen starts with a member of an experiment folder.
    const std::string first = FirstLocalMemberName(bytes);
    return first.starts_with("Experiment") || first == "experimentCollection.xml";
}

Measurement ReadBrml(const Source& source) {
    ZipArchive zip(source.bytes);
    const std::vector<std::string>& names = zip.names();
    Measurement m;

    std::vector<std::string> experiments = Experiments(names);
    bool first_container = true;
    auto read_members = [&](const std::vector<std::string>& members) {
        for (const std::string& member : members) {
            if (!zip.contains(member)) {
                m.warnings.push_back("the data container lists " + member + ", which the archive does not hold");
                continue;
            }
            const std::string bytes = zip.read(member);
            pugi::xml_document doc;
            LoadXml(doc, AsBytes(bytes), member);
            const pugi::xml_node raw = doc.document_element();
            if (m.scans.empty() && !m.meta.wavelength) ReadTube(raw, m.meta);
            if (m.meta.sample.empty())
                for (pugi::xml_node item : Children(Descendant(Child(raw, "FixedInformation"), "InfoList"), "InfoItem"))
                    if (std::string_view(Attribute(item, "Name").value()) == "SampleName")
                        m.meta.sample = Attribute(item, "Value").value();
            ReadRawData(raw, member, m);
        }
    };

    for (const std::string& folder : experiments) {
        const std::string container_name = folder + std::string(kContainer);
        const std::string bytes = zip.read(container_name);
        pugi::xml_document doc;
        LoadXml(doc, AsBytes(bytes), container_name);
        const pugi::xml_node container = doc.document_element();
        if (first_container) {
            first_container = false;
            m.meta.format_version = Text(Child(container, "CreatingVersion"));
            const pugi::xml_node info = Child(container, "MeasurementInfo");
            m.meta.sample = Attribute(info, "SampleName").value();
            m.meta.comments = Attribute(info, "Comment").value();
            AddProperty(m.meta.properties, "UserName", Attribute(info, "UserName").value());
            AddProperty(m.meta.properties, "SamplePosition", Attribute(info, "SamplePosition").value());
        }
        std::vector<std::string> members;
        for (pugi::xml_node ref : Children(Child(container, "RawDataReferenceList"), "string")) {
            std::string member = Text(ref);
            std::replace(member.begin(), member.end(), '\\', '/');
            if (!member.empty()) members.push_back(std::move(member));
        }
        if (members.empty()) members = RawDataMembers(names, folder);
        read_members(members);
    }
    if (experiments.empty()) {
        m.warnings.push_back("the archive has no DataContainer.xml; its raw data members are read in numeric order");
        read_members(RawDataMembers(names, "Experiment0"));
    }
    if (m.scans.empty()) throw ReadError(Problem::no_data, "the archive holds no raw data");

    if (const std::string* start = find_property(m.scans.front().properties, "TimeStampStarted")) {
        m.meta.date.text = *start;
        m.meta.date.value = ParseDate(*start);
    }
    return m;
}

}  // namespace xrddata::formats
