// Shared pieces of the extension module: conversions between Python objects and the library's text and paths,
// the translation of the library's exceptions into Python's, and the binding functions of the three parts.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

namespace py = pybind11;

namespace xrdpy {

// A path argument: str, bytes or os.PathLike, as the bytes the operating system takes (os.fsencode).
std::string FsPath(const py::handle& path);
// A path for Python: the operating system's bytes decoded as os.fsdecode does.
py::str PathText(const std::string& path);
// Text read from a file: UTF-8, bytes that are not replaced by U+FFFD rather than failing the whole read.
py::str Text(const std::string& text);

// Messages the library shows to the person at the screen, collected on this thread instead (a Python process has
// no screen; the caller turns them into the exception it raises or drops them).
std::vector<std::string> TakeMessages();

// Installs the exception types and translators (FormatError and the OSError family).
void BindErrors(py::module_& m);
void BindMeasurement(py::module_& m);
void BindPattern(py::module_& m);

// The datetime module (imported when the module is).
py::handle DatetimeModule();
// The FormatError type (a ValueError), for raising from the bindings.
py::object FormatErrorType();

}  // namespace xrdpy
