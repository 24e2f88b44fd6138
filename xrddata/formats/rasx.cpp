#include "xrddata/formats/rasx.h"

#include <algorithm>
#include <charconv>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/intensity.h"
#include "xrddata/formats/lines.h"
#include "xrddata/formats/ras.h"
#include "xrddata/formats/xml.h"
#include "xrddata/formats/zip.h"

namespace xrddata::formats {

namespace {

// The number of a leading "<prefix><digits>" of text, advancing text past it.
std::optional<std::uint32_t> TakeNumbered(std::string_view& text, std::string_view prefix) {
    if (!text.starts_with(prefix)) return std::nullopt;
    text.remove_prefix(prefix.size());
    std::uint32_t n = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), n);
    if (r.ec != std::errc() || r.ptr == text.data()) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(r.ptr - text.data()));
    return n;
}

// N of a member named "DataN/ProfileN.txt".
std::optional<std::uint32_t> ProfileNumber(std::string_view name) {
    const std::optional<std::uint32_t> set = TakeNumbered(name, "Data");
    if (!set || !name.starts_with("/")) return std::nullopt;
    name.remove_prefix(1);
    const std::optional<std::uint32_t> profile = TakeNumbered(name, "Profile");
    if (!profile || *profile != *set || name != ".txt") return std::nullopt;
    return set;
}

struct Profile {
    std::uint32_t number;
    std::string name;
};

std::vector<Profile> Profiles(const std::vector<std::string>& names) {
    std::vector<Profile> out;
    for (const std::string& name : names)
        if (const std::optional<std::uint32_t> n = ProfileNumber(name)) out.push_back({*n, name});
    std::stable_sort(out.begin(), out.end(), [](const Profile& a, const Profile& b) { return a.number < b.number; });
    return out;
}

void AddProperty(Properties& properties, std::string key, std::string value) {
    if (!value.empty()) properties.emplace_back(std::move(key), std::move(value));
}

std::string WithUnit(pugi::xml_node parent, const char* value, const char* unit) {
    std::string text = Text(Child(parent, value));
    const std::string u = Text(Child(parent, unit));
    if (!text.empty() && !u.empty()) text += " " + u;
    return text;
}

void ReadGeneral(pugi::xml_node conditions, Metadata& meta) {
    const pugi::xml_node general = Child(conditions, "GeneralInformation");
    meta.sample = Text(Child(general, "SampleName"));
    for (const char* key : {"Comment", "Memo"}) {
        const std::string text = Text(Child(general, key));
        if (text.empty()) continue;
        if (!meta.comments.empty()) meta.comments += '\n';
        meta.comments += text;
    }
    for (const char* key : {"Operator", "SystemName", "Type"}) AddProperty(meta.properties, key, Text(Child(general, key)));

    const pugi::xml_node generator = Path(conditions, "HWConfigurations/XrayGenerator");
    meta.anode = Text(Child(generator, "TargetName"));
    meta.wavelength = Number(Child(generator, "WavelengthKalpha1"));
    meta.ka2_wavelength = Number(Child(generator, "WavelengthKalpha2"));
    meta.kb_wavelength = Number(Child(generator, "WavelengthKbeta"));
    meta.ka2_present = RigakuKa2Present(Text(Child(generator, "WaveType")));
    AddProperty(meta.properties, "Voltage", WithUnit(generator, "Voltage", "VoltageUnit"));
    AddProperty(meta.properties, "Current", WithUnit(generator, "Current", "CurrentUnit"));
}

// The scan settings of ScanInformation and the RAS header copy.
void ReadScanInformation(pugi::xml_node conditions, Scan& scan) {
    const pugi::xml_node info = Child(conditions, "ScanInformation");
    for (pugi::xml_node c = info.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) AddProperty(scan.properties, std::string(LocalName(c)), Text(c));
    scan.axis = Text(Child(info, "AxisName"));
    scan.mode = Text(Child(info, "Mode"));
    scan.start = Number(Child(info, "Start"));
    scan.end = Number(Child(info, "Stop"));
    scan.step = Number(Child(info, "Step"));
    if (const std::optional<double> count = Number(Child(info, "DataCount"));
        count && *count >= 0 && *count <= 9.0e15 && static_cast<double>(static_cast<std::int64_t>(*count)) == *count)
        scan.declared_points = static_cast<std::int64_t>(*count);
    scan.step_time = RigakuStepTime(scan.mode, Number(Child(info, "Speed")), Text(Child(info, "SpeedUnit")), scan.step);
    for (pugi::xml_node pair : Children(Child(conditions, "RASHeader"), "Pair")) {
        const std::vector<pugi::xml_node> strings = Children(pair, "string");
        if (strings.empty()) continue;
        std::string key = Text(strings[0]);
        if (key.starts_with("*")) key.erase(0, 1);
        if (!key.empty()) scan.properties.emplace_back(std::move(key), strings.size() > 1 ? Text(strings[1]) : "");
    }
}

void ReadProfile(std::string_view text, const std::string& member, Scan& scan) {
    LineSplitter lines(text);  // skips the byte-order mark
    std::string_view line;
    bool attenuated = false;
    while (lines.next(line)) {
        const std::string_view t = TrimBlanks(line);
        if (t.empty()) continue;
        double x, y, f;
        if (!ParseRigakuRow(t, x, y, f))
            throw ReadError(Problem::malformed, "zip member " + member + ": line " + std::to_string(lines.number()) +
                                                    ": not a data row of two or three numbers");
        if (f != 1.0) attenuated = true;
        scan.two_theta.push_back(x);
        scan.counts.push_back(y * f);
    }
    if (attenuated) scan.properties.emplace_back("attenuation", "counts multiplied by the factor of the third column");
}

// The conditions member of data set n, or empty when the archive holds none.
std::string ConditionsName(const ZipArchive& zip, std::uint32_t n) {
    const std::string set = "Data" + std::to_string(n) + "/";
    for (const char* stem : {"MesurementConditions", "MeasurementConditions"}) {
        std::string name = set + stem + std::to_string(n) + ".xml";
        if (zip.contains(name)) return name;
    }
    return {};
}

}  // namespace

bool IsRasx(Bytes bytes) {
    if (!StartsLikeZip(bytes)) return false;
    if (const auto names = ZipMemberNames(bytes))
        return std::any_of(names->begin(), names->end(), [](const std::string& n) { return ProfileNumber(n).has_value(); });
    // No readable directory (a truncated archive): the first member of every RASX seen is a data set's.
    const std::string name = FirstLocalMemberName(bytes);
    std::string_view first = name;
    return TakeNumbered(first, "Data") && first.starts_with("/");
}

Measurement ReadRasx(const Source& source) {
    ZipArchive zip(source.bytes);
    const std::vector<Profile> profiles = Profiles(zip.names());
    if (profiles.empty()) throw ReadError(Problem::no_data, "the archive holds no DataN/ProfileN.txt");

    Measurement m;
    if (zip.contains("root.xml")) {
        pugi::xml_document root;
        LoadXml(root, AsBytes(zip.read("root.xml")), "root.xml");
        m.meta.format_version = Attribute(root.document_element(), "Version").value();
    }
    for (const Profile& p : profiles) {
        Scan scan;
        scan.properties.emplace_back("member", p.name);
        const std::string conditions_name = ConditionsName(zip, p.number);
        if (!conditions_name.empty()) {
            const std::string bytes = zip.read(conditions_name);
            pugi::xml_document doc;
            LoadXml(doc, AsBytes(bytes), conditions_name);
            const pugi::xml_node conditions = doc.document_element();
            if (m.scans.empty()) ReadGeneral(conditions, m.meta);
            ReadScanInformation(conditions, scan);
        } else {
            m.warnings.push_back(p.name + " has no measurement conditions");
        }
        ReadProfile(zip.read(p.name), p.name, scan);
        if (const std::string* unit = find_property(scan.properties, "IntensityUnit"); unit && IsRateUnit(*unit)) {
            if (!RateToCounts(scan))
                throw ReadError(Problem::malformed, p.name + " gives counts per second but no counting time");
            NoteRateConversion(m.meta, *unit);
        }
        m.scans.push_back(std::move(scan));
    }
    if (const std::string* start = find_property(m.scans.front().properties, "StartTime")) {
        m.meta.date.text = *start;
        m.meta.date.value = ParseDate(*start);
    }
    return m;
}

}  // namespace xrddata::formats
