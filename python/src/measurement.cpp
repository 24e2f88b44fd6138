// xrddata.read, xrddata.read_bytes, xrddata.formats and the Measurement and Scan classes over the format core.
// The numbers stay in the core's vectors: the arrays handed to Python are read-only views that keep the whole
// measurement alive, so reading a million points makes no Python object per point and copies nothing.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "module.h"
#include "xrddata/formats/read.h"

namespace xrdpy {
namespace {

namespace fmt = xrddata::formats;
using MeasurementPtr = std::shared_ptr<fmt::Measurement>;

// One scan of a measurement; holds the measurement, whose vectors never change once read.
struct ScanView {
    MeasurementPtr owner;
    std::size_t index;
    const fmt::Scan& scan() const { return owner->scans[index]; }
};

py::array SharedArray(const MeasurementPtr& owner, const std::vector<double>& values) {
    py::array_t<double> a;
    if (values.empty()) {
        a = py::array_t<double>(0);
    } else {
        auto* keep = new MeasurementPtr(owner);
        py::capsule base(keep, [](void* p) { delete static_cast<MeasurementPtr*>(p); });
        a = py::array_t<double>({static_cast<py::ssize_t>(values.size())}, {static_cast<py::ssize_t>(sizeof(double))},
                                values.data(), base);
    }
    a.attr("setflags")(py::arg("write") = false);
    return a;
}

py::object Optional(const std::optional<double>& v) {
    return v ? py::object(py::float_(*v)) : py::object(py::none());
}

py::object TextOrNone(const std::string& s) { return s.empty() ? py::object(py::none()) : py::object(Text(s)); }

// A datetime.datetime, aware when the file states its offset from UTC; None when there is no date or it is not a
// calendar date Python accepts.
py::object PyDate(const fmt::CollectionDate& date) {
    if (!date.value) return py::none();
    const fmt::DateTime& d = *date.value;
    py::handle dt = DatetimeModule();
    try {
        double whole = std::floor(d.second);
        int micro = static_cast<int>(std::lround((d.second - whole) * 1e6));
        if (micro >= 1000000) micro = 999999;
        py::object tz = py::none();
        if (d.utc_offset_minutes)
            tz = dt.attr("timezone")(dt.attr("timedelta")(py::arg("minutes") = *d.utc_offset_minutes));
        return dt.attr("datetime")(d.year, d.month, d.day, d.hour, d.minute, static_cast<int>(whole), micro, tz);
    } catch (const py::error_already_set&) {
        return py::none();
    }
}

py::dict PropertyDict(const fmt::Properties& properties, py::dict into = py::dict()) {
    for (const auto& [key, value] : properties) {
        py::str k = Text(key);
        if (!into.contains(k)) into[k] = Text(value);
    }
    return into;
}

py::dict MetadataDict(const fmt::Metadata& m) {
    py::dict d;
    d["format"] = Text(m.format);
    d["format_code"] = m.format_code;
    d["format_version"] = TextOrNone(m.format_version);
    d["sample"] = Text(m.sample);
    d["comments"] = Text(m.comments);
    d["date"] = PyDate(m.date);
    d["date_text"] = m.date.text ? py::object(Text(*m.date.text)) : py::object(py::none());
    d["date_from_file_time"] = m.date.from_file_time;
    d["anode"] = TextOrNone(m.anode);
    d["wavelength"] = Optional(m.wavelength);
    d["ka2_wavelength"] = Optional(m.ka2_wavelength);
    d["kb_wavelength"] = Optional(m.kb_wavelength);
    d["ka2_ratio"] = Optional(m.ka2_ratio);
    d["ka2_present"] = m.ka2_present ? py::object(py::bool_(*m.ka2_present)) : py::object(py::none());
    // The file's further fields follow under their own names; a field named like one above does not replace it.
    return PropertyDict(m.properties, d);
}

double FirstPosition(const fmt::Scan& s) {
    if (s.start) return *s.start;
    return s.two_theta.empty() ? std::nan("") : s.two_theta.front();
}

double MeanStep(const fmt::Scan& s) {
    if (s.step) return *s.step;
    const std::size_t n = s.two_theta.size();
    if (n < 2) return std::nan("");
    return (s.two_theta.back() - s.two_theta.front()) / static_cast<double>(n - 1);
}

MeasurementPtr ReadPath(const py::object& path) {
    const std::string p = FsPath(path);
    py::gil_scoped_release release;
    return std::make_shared<fmt::Measurement>(fmt::read_file(p));
}

MeasurementPtr ReadBuffer(const py::buffer& data, const py::object& name) {
    Py_buffer view;
    if (PyObject_GetBuffer(data.ptr(), &view, PyBUF_SIMPLE) != 0) throw py::error_already_set();
    struct Release {
        Py_buffer* v;
        ~Release() { PyBuffer_Release(v); }
    } release_view{&view};
    const std::string label = name.is_none() ? std::string() : std::string(py::str(name));
    // The exporter stays locked (a bytearray cannot resize) while the view is held, so the bytes may be read
    // without the GIL.
    py::gil_scoped_release release;
    return std::make_shared<fmt::Measurement>(fmt::read_bytes(
        fmt::Bytes(static_cast<const std::byte*>(view.buf), static_cast<std::size_t>(view.len)), label));
}

}  // namespace

void BindMeasurement(py::module_& m) {
    py::class_<ScanView>(m, "Scan",
                         "One scan (range, frame, data block) of a measurement: its points and its own settings.\n\n"
                         "The arrays are read-only float64 views of the file's numbers; copy() them to change them.")
        .def_property_readonly(
            "two_theta", [](const ScanView& s) { return SharedArray(s.owner, s.scan().two_theta); },
            "Positions in degrees two-theta, one per point, in file order.")
        .def_property_readonly(
            "counts", [](const ScanView& s) { return SharedArray(s.owner, s.scan().counts); },
            "Intensities in counts as the file stores them (rates converted to counts).")
        .def_property_readonly(
            "sigma",
            [](const ScanView& s) -> py::object {
                if (s.scan().sigma.empty()) return py::none();
                return SharedArray(s.owner, s.scan().sigma);
            },
            "The file's own standard deviations of the counts, or None when the file stores none.")
        .def_property_readonly(
            "time_per_step",
            [](const ScanView& s) -> py::object {
                const fmt::Scan& scan = s.scan();
                if (!scan.time_per_point.empty()) return SharedArray(s.owner, scan.time_per_point);
                if (scan.step_time) {
                    py::array_t<double> a(static_cast<py::ssize_t>(scan.size()));
                    double* p = a.mutable_data();
                    for (std::size_t i = 0; i < scan.size(); ++i) p[i] = *scan.step_time;
                    a.attr("setflags")(py::arg("write") = false);  // read-only like every array of a scan
                    return a;
                }
                return py::none();
            },
            "Counting time in seconds per point (one value repeated when the file states one for every step), or "
            "None when the file states no time.")
        .def_property_readonly(
            "step_time", [](const ScanView& s) { return Optional(s.scan().step_time); },
            "Seconds per step when one value holds for every point, else None.")
        .def_property_readonly(
            "start", [](const ScanView& s) { return FirstPosition(s.scan()); },
            "First two-theta as the scan's header states it, else the first point's (nan without points).")
        .def_property_readonly(
            "step", [](const ScanView& s) { return MeanStep(s.scan()); },
            "Step width in degrees as the header states it, else the mean spacing of the points (nan with fewer "
            "than two).")
        .def_property_readonly(
            "end", [](const ScanView& s) { return Optional(s.scan().end); }, "Last two-theta the header states, or None.")
        .def_property_readonly(
            "declared_points",
            [](const ScanView& s) -> py::object {
                const auto& n = s.scan().declared_points;
                return n ? py::object(py::int_(*n)) : py::object(py::none());
            },
            "Number of points the header declares (which may differ from len(scan)), or None.")
        .def_property_readonly(
            "axis", [](const ScanView& s) { return Text(s.scan().axis); }, "Scan axis as stated (\"2Theta\"), or \"\".")
        .def_property_readonly(
            "mode", [](const ScanView& s) { return Text(s.scan().mode); }, "Scan mode as stated (\"Continuous\"), or \"\".")
        .def_property_readonly(
            "properties", [](const ScanView& s) { return PropertyDict(s.scan().properties); },
            "Further settings of the scan's header, by the file's own names, as text.")
        .def("__len__", [](const ScanView& s) { return s.scan().size(); }, "Number of points.")
        .def("__repr__", [](const ScanView& s) {
            const fmt::Scan& scan = s.scan();
            std::string r = "<xrddata.Scan " + std::to_string(scan.size()) + " points";
            if (!scan.two_theta.empty()) {
                r += " " + std::string(py::str(py::float_(scan.two_theta.front()))) + ".." +
                     std::string(py::str(py::float_(scan.two_theta.back())));
            }
            return r + ">";
        });

    py::class_<fmt::Measurement, MeasurementPtr>(m, "Measurement",
                                                 "What a diffraction file holds: its metadata and every scan.")
        .def_property_readonly(
            "format", [](const fmt::Measurement& x) { return Text(x.meta.format); },
            "Short name of the file's format (as xrddata.formats() lists it).")
        .def_property_readonly(
            "format_code", [](const fmt::Measurement& x) { return x.meta.format_code; }, "Code of the format.")
        .def_property_readonly(
            "metadata", [](const fmt::Measurement& x) { return MetadataDict(x.meta); },
            "A new dict: format, format_code, format_version, sample, comments, date (datetime or None), date_text,\n"
            "date_from_file_time, anode, wavelength, ka2_wavelength, kb_wavelength, ka2_ratio, ka2_present (None\n"
            "where the file states nothing; wavelengths in angstrom), then the file's further fields as text.")
        .def_property_readonly(
            "scans",
            [](const MeasurementPtr& x) {
                py::list scans;
                for (std::size_t i = 0; i < x->scans.size(); ++i) scans.append(py::cast(ScanView{x, i}));
                return scans;
            },
            "Every scan, in file order (a list of Scan).")
        .def_property_readonly(
            "warnings",
            [](const fmt::Measurement& x) {
                py::list w;
                for (const std::string& s : x.warnings) w.append(Text(s));
                return w;
            },
            "Reservations of a read that still succeeded (a scan shorter than its header says, dropped values).")
        .def_property_readonly(
            "total_points", [](const fmt::Measurement& x) { return x.total_points(); }, "Points over all scans.")
        .def("__repr__", [](const fmt::Measurement& x) {
            return "<xrddata.Measurement " + x.meta.format + ", " + std::to_string(x.scans.size()) + " scan(s), " +
                   std::to_string(x.total_points()) + " points>";
        });

    m.def("read", &ReadPath, py::arg("path"),
          "read(path) -> Measurement\n\n"
          "Reads a diffraction file, its format recognised by content.\n"
          "Raises FormatError (a ValueError) when the content cannot be read, FileNotFoundError, PermissionError or\n"
          "another OSError when the file itself cannot be opened or read.");
    m.def("read_bytes", &ReadBuffer, py::arg("data"), py::arg("name") = "",
          "read_bytes(data, name='') -> Measurement\n\n"
          "Reads a diffraction file already in memory (bytes, bytearray, memoryview or any contiguous buffer).\n"
          "name is used in messages. Raises FormatError when the content cannot be read.");
    m.def(
        "formats",
        []() {
            py::list out;
            for (const fmt::FormatInfo& f : fmt::format_table()) {
                py::dict d;
                d["code"] = f.code;
                d["name"] = py::str(std::string(f.name));
                d["description"] = py::str(std::string(f.long_name));
                py::list ext;
                std::string e(f.extensions);
                std::size_t pos = 0;
                while (pos < e.size()) {
                    std::size_t end = e.find(' ', pos);
                    if (end == std::string::npos) end = e.size();
                    if (end > pos) ext.append(py::str(e.substr(pos, end - pos)));
                    pos = end + 1;
                }
                d["extensions"] = ext;
                out.append(d);
            }
            return out;
        },
        "formats() -> list[dict]\n\n"
        "The formats read recognises, in detection order: dicts of code, name, description and extensions (lower\n"
        "case, without dots).");
}

}  // namespace xrdpy
