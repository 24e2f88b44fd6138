// The extension module xrddata._xrddata; the package xrddata re-exports its names.
#include "module.h"

PYBIND11_MODULE(_xrddata, m) {
    m.doc() = "X-ray powder-diffraction files and patterns: readers of the instrument formats, K-alpha2 stripping, "
              "background fitting, pattern archives.";
    xrdpy::BindErrors(m);
    xrdpy::BindMeasurement(m);
    xrdpy::BindPattern(m);
}
