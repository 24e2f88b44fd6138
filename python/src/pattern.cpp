// xrddata.Pattern: the processing pattern (CXRDData) for Python. Points are handed out as new numpy arrays (the
// pattern's columns move when it changes); the long calculations run without the GIL, and a background fit stops
// at its next progress notice when Python has a signal pending (Ctrl-C), leaving the pattern as it was.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "module.h"
#include "xrddata/arrays/columns.h"
#include "xrddata/arrays/pointfile.h"
#include "xrddata/calc/backgroundcalc.h"
#include "xrddata/formats/read.h"
#include "xrddata/import/load.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/pattern/xrddfile.h"
#include "xrddata/platform/window.h"

namespace xrdpy {
namespace {

namespace fmt = xrddata::formats;
using Array = py::array_t<double, py::array::c_style | py::array::forcecast>;

constexpr UINT kProgressNotice = WM_USER + 1;

// Watches for a pending Python signal while a calculation runs without the GIL: the calculation posts its
// progress notices to this window, whose handler briefly takes the GIL and runs Python's signal handlers. When
// one raises (KeyboardInterrupt), the handler ends the calculation through the failure path it already has for a
// numerical breakdown (no knots are kept), and the Python error stays set for the caller to raise.
class SignalWatch {
public:
    SignalWatch() : window_(xrddata::platform::CreateNoticeWindow()) {
        xrddata::platform::SetNoticeHandler(window_, [this](const MSG&) { Check(); });
    }
    ~SignalWatch() {
        xrddata::platform::SetNoticeHandler(window_, {});
        DestroyWindow(window_);
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    HWND window() const { return window_; }
    bool interrupted() const { return interrupted_; }

private:
    void Check() {
        if (interrupted_) return;  // already stopping: the calculation's own end notices pass
        {
            py::gil_scoped_acquire gil;
            if (PyErr_CheckSignals() == 0) return;
        }
        interrupted_ = true;
        throw "interrupted";
    }

    HWND window_;
    bool interrupted_ = false;
};

// The background calculation, telling whether its fit produced knots (a failed fit holds none).
class FitCalculation : public CBackgroundCalculation {
public:
    explicit FitCalculation(const CXRDData& pattern) : CBackgroundCalculation(pattern) {}
    int knots() const { return m_nKnots; }
};

class PyPattern : public CXRDData {
public:
    PyPattern() : CXRDData(0) {}

    // Marks the pattern as in use by a calculation that runs without the GIL; any other call on it meanwhile (from
    // another Python thread) is refused instead of racing with it.
    class Busy {
    public:
        explicit Busy(PyPattern& p) : p_(p) {
            p.Check();
            p.busy_ = true;
        }
        ~Busy() { p_.busy_ = false; }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        PyPattern& p_;
    };

    void Check() const {
        if (busy_) throw std::runtime_error("the pattern is in use by a calculation in another thread");
    }

    // After new points: errors from the error model unless the points came with their own, the feature width
    // as an import detects it, and the type flag of original data.
    void AfterNewPoints(bool ownErrors) {
        if (!ownErrors) GenerateErrors();
        try {
            RefreshFeatureWidth();
        } catch (const char*) {
            // Too few points or no peak to measure: the width stays as the settings give it.
        }
        TakeMessages();
        SetOriginalFlag();
    }

    void SetPoints(const double* x, const double* y, const double* err, std::size_t n) {
        if (n > static_cast<std::size_t>(std::numeric_limits<int>::max()))
            throw py::value_error("a pattern holds at most 2147483647 points");
        Assign(x, y, err, static_cast<int>(n));
        AfterNewPoints(err != nullptr);
    }

    void FillFrom(const fmt::Measurement& m, const fmt::Scan& s, const std::string& path) {
        SetPoints(s.two_theta.data(), s.counts.data(), s.sigma.size() == s.size() ? s.sigma.data() : nullptr,
                  s.size());
        m_strFileName = path;
        m_strSampleName = m.meta.sample;
        m_strSampleInfo = m.meta.comments;
        if (m.meta.date.value) {
            const fmt::DateTime& d = *m.meta.date.value;
            m_CollectionDate = COleDateTime(d.year, d.month, d.day, d.hour, d.minute, static_cast<int>(d.second));
        }
        // As the import does: a known anode, else a known wavelength selects the target; another wavelength is a
        // free one.
        const std::optional<double>& lambda = m.meta.wavelength;
        if (!m.meta.anode.empty() || lambda) {
            if (!m_Radiation.SetTarget(CString(m.meta.anode)) && !(lambda && m_Radiation.SetTarget(*lambda)) &&
                lambda && *lambda > 0.0)
                m_Radiation.SetLambda(*lambda);
        }
        if (m.meta.ka2_present) m_Radiation.SetKa2(*m.meta.ka2_present ? 1 : 0);
    }

    py::array Column(Prop p) const {
        const int n = GetSize();
        py::array_t<double> a(n);
        double* out = a.mutable_data();
        if (p == X && n > 0) std::memcpy(out, m_X.GetData(), sizeof(double) * static_cast<std::size_t>(n));
        else if (p == Y && n > 0) std::memcpy(out, m_Y.GetData(), sizeof(double) * static_cast<std::size_t>(n));
        else
            for (int i = 0; i < n; ++i) out[i] = GetAt(p, i);
        return a;
    }

    // K-alpha2 stripping with the radiation's ratio, or with another one: the pattern's own operation, with the
    // ratio the caller gives in place of the radiation's.
    bool StripKa2(std::optional<double> ratio) {
        Check();
        if (GetSize() < 1) throw py::value_error("the pattern holds no points");
        if (!m_Radiation.IsValidTarget())
            throw py::value_error("no K-alpha2 line is known: the radiation is a free wavelength, not an anode");
        if (ratio && !(std::isfinite(*ratio) && *ratio > 0.0))
            throw py::value_error("the K-alpha2 ratio must be a positive number");
        if ((m_nTypeFlag & Ka2StrippedBit) || !m_Radiation.IsKa2()) return false;
        Busy busy(*this);
        py::gil_scoped_release release;
        if (!ratio) {
            CXRDData::StripKa2();
        } else {
            StripKa2WithRatio(*ratio);
        }
        return true;
    }

    py::array FitBackground(std::optional<double> length, std::optional<double> stiffness,
                            std::optional<std::pair<double, double>> range) {
        Check();
        if (length && !(std::isfinite(*length) && *length > 0.0))
            throw py::value_error("the background scale length must be a positive number of degrees");
        if (stiffness && !std::isfinite(*stiffness)) throw py::value_error("the stiffness must be a finite number");
        if (range && !(std::isfinite(range->first) && std::isfinite(range->second)))
            throw py::value_error("the fit range must be two finite angles");
        const int n = GetSize();
        if (n < 2) throw py::value_error("a background needs at least two points");
        const double L = length ? *length : m_dBackgroundLength;
        const double S = stiffness ? *stiffness : m_dBackgroundScale;
        if (!(L > 10.0 * GetSampling()))
            throw py::value_error("the background scale length (" + std::string(py::str(py::float_(L))) +
                                  " degrees) must be above ten sampling steps (" +
                                  std::string(py::str(py::float_(10.0 * GetSampling()))) + " degrees)");

        // The calculation works on its own copy of the points, so this pattern is not touched without the GIL.
        FitCalculation calc(*this);
        SignalWatch watch;
        calc.SetThreadInfo(nullptr, watch.window(), 0, kProgressNotice, 0);
        const double lo = range ? range->first : m_X.GetAt(0);
        const double hi = range ? range->second : m_X.GetAt(n - 1);
        calc.SetBackgroundParams(L, S, lo, hi);
        {
            py::gil_scoped_release release;
            try {
                calc.Calculate();
            } catch (const char*) {
                // Thrown by the watch outside the fit's own handler (at the begin notice): nothing was fitted.
            }
        }
        if (watch.interrupted()) throw py::error_already_set();
        const auto messages = TakeMessages();
        if (!messages.empty()) throw std::runtime_error("background fit failed: " + messages.back());
        if (calc.knots() <= 0) throw std::runtime_error("background fit failed: the fit's linear system is singular");
        // The settings given are kept with the background they gave (an interrupted or failed fit keeps neither).
        m_dBackgroundLength = L;
        m_dBackgroundScale = S;
        StoreBackground(calc);
        return Background();
    }

    py::object BackgroundOrNone() const {
        if (m_Background.GetSize() == 0) return py::none();
        return Background();
    }

    std::unique_ptr<PyPattern> Subtracted() {
        Check();
        if (!BackgroundExists()) FitBackground(std::nullopt, std::nullopt, std::nullopt);
        CGraphData points = GetBackgroundSubtracted();
        auto out = std::make_unique<PyPattern>();
        out->CopyHeader(*this);
        // The new pattern takes the subtracted columns over instead of copying them: with no points yet, setting
        // the error mode changes nothing else.
        if (points.IsCustomErrors()) out->SetCustomErrors();
        for (const auto p : {X, Y, YError})
            CGraphDataColumns::SwapElements(CGraphDataColumns::Column(*out, p), CGraphDataColumns::Column(points, p));
        out->Sort();
        out->m_dZeroError = m_dZeroError;
        out->m_bAutoWidth = m_bAutoWidth;
        out->m_nTypeFlag &= ~BackgroundSubtractedBit;
        return out;
    }

private:
    py::array Background() const {
        const int n = m_Background.GetSize();
        py::array_t<double> a(n);
        double* out = a.mutable_data();
        for (int i = 0; i < n; ++i) out[i] = m_Background.GetAt(Y, i);
        return a;
    }


    bool busy_ = false;
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string OutputFormat(const std::string& path, const std::optional<std::string>& format) {
    std::string f;
    if (format) {
        f = Lower(*format);
        if (!f.empty() && f[0] == '.') f.erase(0, 1);
    } else {
        const std::size_t dot = path.rfind('.');
        const std::size_t slash = path.rfind('/');
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) f = Lower(path.substr(dot + 1));
    }
    if (f == "xye" || f == "csv" || f == "txt" || f == "xrdd") return f;
    throw py::value_error("unknown output format \"" + f + "\": use xye, csv, txt or xrdd");
}

py::object PyDateOf(COleDateTime& d) {
    if (d.GetStatus() != COleDateTime::valid) return py::none();
    py::handle dt = DatetimeModule();
    try {
        return dt.attr("datetime")(d.GetYear(), d.GetMonth(), d.GetDay(), d.GetHour(), d.GetMinute(), d.GetSecond());
    } catch (const py::error_already_set&) {
        return py::none();
    }
}

}  // namespace

void BindPattern(py::module_& m) {
    using P = PyPattern;
    py::class_<P>(m, "Pattern",
                  "A diffraction pattern for processing: points (two-theta, counts, errors) with the sample header,\n"
                  "radiation, stored background and processing settings. New patterns take the processing settings\n"
                  "from the user's stored defaults (the settings store the command-line tool uses).")
        .def(py::init([](const Array& two_theta, const Array& counts, const std::optional<Array>& sigma) {
                 if (two_theta.ndim() != 1 || counts.ndim() != 1 || (sigma && sigma->ndim() != 1))
                     throw py::value_error("two_theta, counts and sigma must be one-dimensional");
                 const auto n = static_cast<std::size_t>(two_theta.shape(0));
                 if (static_cast<std::size_t>(counts.shape(0)) != n ||
                     (sigma && static_cast<std::size_t>(sigma->shape(0)) != n))
                     throw py::value_error("two_theta, counts and sigma must have the same length");
                 // A position that is not a number has no place in the order the pattern keeps.
                 const double* x = two_theta.data();
                 for (std::size_t i = 0; i < n; ++i)
                     if (!std::isfinite(x[i])) throw py::value_error("two_theta holds a value that is not finite");
                 auto p = std::make_unique<P>();
                 // The new pattern is not yet visible to Python and the arrays are held here: the copy and the
                 // feature-width detection (seconds for millions of points) need no GIL.
                 py::gil_scoped_release release;
                 p->SetPoints(x, counts.data(), sigma ? sigma->data() : nullptr, n);
                 return p;
             }),
             py::arg("two_theta"), py::arg("counts"), py::arg("sigma") = py::none(),
             "Pattern(two_theta, counts, sigma=None)\n\n"
             "A pattern from arrays (any sequence of numbers; converted to float64). The points are sorted by\n"
             "two-theta. Without sigma the errors come from the error model of the stored settings. The radiation\n"
             "is Cu K-alpha1/K-alpha2.")
        .def_static(
            "read",
            [](const py::object& path, long scan) {
                const std::string p = FsPath(path);
                fmt::Measurement meas;
                try {
                    py::gil_scoped_release release;
                    meas = fmt::read_file(p);
                } catch (const fmt::ReadError& e) {
                    if (e.problem() != fmt::Problem::unrecognised || scan != 0) throw;
                    // Not a format of the core: the pattern's own import (its built-in readers and the
                    // registered plug-in formats) may still read it, as the command-line tool does.
                    auto out = std::make_unique<P>();
                    int ok;
                    {
                        py::gil_scoped_release release;
                        LoadedFormat format;
                        ok = LoadPattern(*out, p, format);
                    }
                    const auto messages = TakeMessages();
                    if (ok) return out;
                    if (messages.empty()) throw;
                    // Both refused it: the core's reason, with what the import said.
                    throw fmt::ReadError(e.problem(), e.reason() + " (the pattern import: " + messages.back() + ")")
                        .in_file(p);
                }
                const long count = static_cast<long>(meas.scans.size());
                if (scan < 0) scan += count;
                if (scan < 0 || scan >= count)
                    throw py::index_error("scan index out of range: the file holds " + std::to_string(count) +
                                          " scan(s)");
                const fmt::Scan& s = meas.scans[static_cast<std::size_t>(scan)];
                if (s.size() == 0)
                    throw fmt::ReadError(fmt::Problem::no_data, "scan " + std::to_string(scan) + " holds no points")
                        .in_file(p);
                auto out = std::make_unique<P>();
                {
                    py::gil_scoped_release release;  // a new pattern, not yet visible to Python
                    out->FillFrom(meas, s, p);
                }
                return out;
            },
            py::arg("path"), py::arg("scan") = 0,
            "Pattern.read(path, scan=0) -> Pattern\n\n"
            "Reads a diffraction file (any format xrddata.read reads) and takes one scan's points, with the file's\n"
            "sample name, comments, date and radiation. A file the format core does not recognise is given to\n"
            "the pattern import (its built-in readers, registered plug-in formats, pattern archives) for scan 0.\n"
            "Errors as xrddata.read; IndexError for a scan not in the file.")
        .def_static(
            "load",
            [](const py::object& path) {
                const std::string p = FsPath(path);
                auto out = std::make_unique<P>();
                LoadPatternFile(*out, p);
                TakeMessages();
                return out;
            },
            py::arg("path"),
            "Pattern.load(path) -> Pattern\n\n"
            "Loads a pattern archive (.xrdd) as save() wrote it: points, header, settings, background and\n"
            "processing record. FormatError for a file that is not such an archive or is damaged.")
        .def(
            "save",
            [](P& self, const py::object& path) {
                self.Check();
                SavePatternFile(self, FsPath(path));
            },
            py::arg("path"), "save(path)\n\nWrites the whole pattern as a pattern archive (.xrdd).")
        .def(
            "write",
            [](P& self, const py::object& path, const std::optional<std::string>& format) {
                self.Check();
                const std::string p = FsPath(path);
                const std::string f = OutputFormat(p, format);
                if (f == "xye") {
                    WriteXyeFile(self, p);
                } else if (f == "csv") {
                    WriteCsvFile(self, p);
                } else if (f == "xrdd") {
                    SavePatternFile(self, p);
                } else {
                    if (self.GetSize() == 0) throw py::value_error("no points to write");
                    TakeMessages();
                    if (!self.DoExportAsText(p.c_str())) {
                        const auto messages = TakeMessages();
                        throw std::runtime_error(messages.empty() ? "cannot write " + p : messages.back());
                    }
                }
            },
            py::arg("path"), py::arg("format") = py::none(),
            "write(path, format=None)\n\n"
            "Writes the points: 'xye' (two-theta, counts, error; spaces), 'csv' (with the header line\n"
            "two_theta,intensity,error), 'txt' (the library's text export) or 'xrdd' (the archive, as save()).\n"
            "The format comes from the file name's extension unless given.")
        .def_property_readonly(
            "two_theta", [](const P& self) { self.Check(); return self.Column(CGraphData::X); },
            "A new float64 array of the positions, degrees two-theta, ascending.")
        .def_property_readonly(
            "counts", [](const P& self) { self.Check(); return self.Column(CGraphData::Y); },
            "A new float64 array of the counts.")
        .def_property_readonly(
            "sigma", [](const P& self) { self.Check(); return self.Column(CGraphData::YError); },
            "A new float64 array of the errors (standard deviations) of the counts.")
        .def_property_readonly(
            "background", [](const P& self) { self.Check(); return self.BackgroundOrNone(); },
            "The stored background at the pattern's positions (a new array), or None when none is stored.")
        .def("__len__", [](const P& self) { return self.GetSize(); }, "Number of points.")
        .def(
            "strip_ka2",
            [](P& self, std::optional<double> ratio) { return self.StripKa2(ratio); }, py::arg("ratio") = py::none(),
            "strip_ka2(ratio=None) -> bool\n\n"
            "Removes the K-alpha2 component from the counts (and a stored background), in place. ratio is\n"
            "I(K-alpha2)/I(K-alpha1), by default the anode's. Returns False when there was nothing to do (already\n"
            "stripped, or the beam carries no K-alpha2). ValueError for a pattern without points or with a free\n"
            "wavelength, whose K-alpha2 line is unknown. Runs without the GIL.")
        .def(
            "fit_background",
            [](P& self, std::optional<double> length, std::optional<double> stiffness,
               std::optional<std::pair<double, double>> range) { return self.FitBackground(length, stiffness, range); },
            py::arg("length") = py::none(), py::arg("stiffness") = py::none(), py::arg("range") = py::none(),
            "fit_background(length=None, stiffness=None, range=None) -> numpy.ndarray\n\n"
            "Fits a smooth spline background under the peaks, stores it and returns it at the pattern's positions.\n"
            "length: scale length in degrees (above ten sampling steps), stiffness: smoothing (0 or less: none),\n"
            "both kept in the pattern's settings; not given, the pattern's settings (the stored defaults) hold.\n"
            "range: (low, high) two-theta limits of the fitted knots, by default the whole pattern.\n"
            "Runs without the GIL; Ctrl-C stops the fit at its next progress step and raises KeyboardInterrupt\n"
            "with the pattern unchanged. ValueError for settings the fit refuses, RuntimeError when it fails.")
        .def(
            "subtract_background", [](P& self) { return self.Subtracted(); },
            "subtract_background() -> Pattern\n\n"
            "A new pattern of the background-subtracted points (negative results become 0; the errors are those of\n"
            "the unsubtracted counts), with this pattern's header and settings and no background. Fits a background\n"
            "with the settings first when none is stored. This pattern is not changed.")
        .def(
            "zero_error",
            [](P& self, double d) {
                self.Check();
                if (!std::isfinite(d)) throw py::value_error("the zero error must be a finite number of degrees");
                self.SetZeroError(d);
            },
            py::arg("d"),
            "zero_error(d)\n\n"
            "Sets the two-theta zero error to d degrees: every position (and the stored background) moves by the\n"
            "difference to the zero error set before (the first call moves them down by d).")
        .def_property_readonly(
            "zero_error_value", [](const P& self) { return self.GetZeroError(); }, "The zero error set, degrees.")
        .def_property(
            "sample", [](const P& self) { return Text(self.m_strSampleName); },
            [](P& self, const std::string& v) { self.m_strSampleName = v; }, "Sample name.")
        .def_property(
            "comments", [](const P& self) { return Text(self.m_strSampleInfo); },
            [](P& self, const std::string& v) { self.m_strSampleInfo = v; }, "Sample comments.")
        .def_property_readonly(
            "file_name", [](const P& self) { return PathText(self.m_strFileName); },
            "The file the pattern was read from, or ''.")
        .def_property_readonly(
            "date", [](P& self) { return PyDateOf(self.m_CollectionDate); },
            "Collection date (datetime) or None.")
        .def_property_readonly(
            "anode",
            [](const P& self) -> py::object {
                if (!self.m_Radiation.IsValidTarget()) return py::none();
                return py::str(self.m_Radiation.GetTargetName());
            },
            "Anode symbol (\"Cu\"), or None for a free wavelength.")
        .def_property_readonly(
            "wavelength", [](const P& self) { return self.m_Radiation.GetLambda(); },
            "K-alpha1 (or the free) wavelength, angstrom.")
        .def_property_readonly(
            "ka2_ratio",
            [](const P& self) -> py::object {
                if (!self.m_Radiation.IsValidTarget()) return py::none();
                return py::float_(self.m_Radiation.GetKa2Ratio());
            },
            "I(K-alpha2)/I(K-alpha1) of the anode, or None for a free wavelength.")
        .def_property_readonly(
            "ka2_stripped", [](const P& self) { return self.IsKa2Stripped() != 0; }, "K-alpha2 has been stripped.")
        .def_property_readonly(
            "background_stored", [](P& self) { return self.BackgroundExists() != 0; }, "A background is stored.")
        .def_property(
            "background_length", [](const P& self) { return self.m_dBackgroundLength; },
            [](P& self, double v) {
                if (!(std::isfinite(v) && v > 0.0)) throw py::value_error("the scale length must be positive");
                self.m_dBackgroundLength = v;
            },
            "Background scale length setting, degrees.")
        .def_property(
            "background_stiffness", [](const P& self) { return self.m_dBackgroundScale; },
            [](P& self, double v) {
                if (!std::isfinite(v)) throw py::value_error("the stiffness must be finite");
                self.m_dBackgroundScale = v;
            },
            "Background stiffness setting.")
        .def("__repr__", [](P& self) {
            std::string r = "<xrddata.Pattern " + std::to_string(self.GetSize()) + " points";
            if (self.IsKa2Stripped()) r += ", K-alpha2 stripped";
            if (self.BackgroundExists()) r += ", background stored";
            return r + ">";
        });
}

}  // namespace xrdpy
