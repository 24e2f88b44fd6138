// Conversions and the exception translation of the extension module.
#include <Python.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <pybind11/numpy.h>

#include "module.h"
#include "xrddata/formats/error.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/ui.h"

namespace xrdpy {
namespace {

thread_local std::vector<std::string> t_messages;

// The library's message channel in a process without a screen: messages are kept for the thread that caused
// them, questions get their default answer.
class CollectingUi : public CUserInterface {
public:
    int MessageBox(const CString& text, UINT type) override {
        t_messages.push_back(text);
        switch (type & MB_TYPEMASK) {
            case MB_YESNO:
            case MB_YESNOCANCEL: return IDNO;
            default: return IDOK;
        }
    }
};

PyObject* g_format_error = nullptr;
// Set once when the module is imported, never released: function-local statics initialised on first use could
// deadlock between threads (one holds the GIL and waits for the initialisation, which waits for the GIL), and a
// static py::object would be released after the interpreter has ended.
py::handle g_fsencode;
py::handle g_datetime;

// Raises the OSError subclass Python itself chooses for the errno (FileNotFoundError for ENOENT, PermissionError
// for EACCES, IsADirectoryError, ...), with the file name attached.
void RaiseOsError(int error_number, const std::string& file, const std::string& fallback) {
    if (error_number <= 0) {
        PyErr_SetString(PyExc_OSError, fallback.c_str());
        return;
    }
    py::object err = py::reinterpret_steal<py::object>(PyObject_CallFunction(
        PyExc_OSError, "isO", error_number, std::strerror(error_number), PathText(file).ptr()));
    if (!err) return;  // the call failed and set its own error
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(err.ptr())), err.ptr());
}

int ErrnoOfCause(int cause) {
    switch (cause) {
        case CFileException::fileNotFound: return ENOENT;
        case CFileException::badPath: return ENOENT;
        case CFileException::accessDenied: return EACCES;
        case CFileException::tooManyOpenFiles: return EMFILE;
        case CFileException::diskFull: return ENOSPC;
        default: return 0;
    }
}

}  // namespace

std::string FsPath(const py::handle& path) {
    py::bytes b = g_fsencode(path);
    std::string s = b;
    if (s.find('\0') != std::string::npos) throw py::value_error("embedded null byte in the path");
    return s;
}

py::str PathText(const std::string& path) {
    PyObject* o = PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<Py_ssize_t>(path.size()));
    if (!o) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(o);
}

py::str Text(const std::string& text) {
    PyObject* o = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
    if (!o) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(o);
}

std::vector<std::string> TakeMessages() {
    std::vector<std::string> out;
    out.swap(t_messages);
    return out;
}

py::object FormatErrorType() { return py::reinterpret_borrow<py::object>(g_format_error); }

py::handle DatetimeModule() { return g_datetime; }

void BindErrors(py::module_& m) {
    g_fsencode = py::object(py::module_::import("os").attr("fsencode")).release();
    g_datetime = py::module_::import("datetime").release();
    // The numpy C API is looked up once here, under the import's GIL, for the same reason.
    py::dtype::of<double>();
    static CollectingUi ui;
    AfxSetUserInterface(&ui);

    g_format_error = PyErr_NewExceptionWithDoc(
        "xrddata.FormatError",
        "The file's content cannot be read: no format recognises it, or it is damaged or inconsistent.\n\n"
        "A ValueError. str() is the full message naming the file and, when known, the line or byte offset.\n"
        "Attributes: reason (the reason alone), problem (unrecognised, malformed, no_data, missing_scan,\n"
        "inconsistent, too_large), file, line and offset (int or None).",
        PyExc_ValueError, nullptr);
    if (!g_format_error) throw py::error_already_set();
    m.add_object("FormatError", py::reinterpret_borrow<py::object>(g_format_error));

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const xrddata::formats::ReadError& e) {
            if (e.problem() == xrddata::formats::Problem::file) {
                RaiseOsError(e.error_number(), e.file(), e.what());
                return;
            }
            py::object err = py::reinterpret_steal<py::object>(
                PyObject_CallFunctionObjArgs(g_format_error, Text(e.what()).ptr(), nullptr));
            if (!err) return;
            err.attr("reason") = Text(e.reason());
            err.attr("problem") = py::str(xrddata::formats::problem_name(e.problem()));
            err.attr("file") = e.file().empty() ? py::object(py::none()) : py::object(PathText(e.file()));
            err.attr("line") = e.line() ? py::object(py::int_(*e.line())) : py::object(py::none());
            err.attr("offset") = e.offset() ? py::object(py::int_(*e.offset())) : py::object(py::none());
            PyErr_SetObject(g_format_error, err.ptr());
        } catch (const CFileException& e) {
            const int number = e.m_lOsError > 0 ? static_cast<int>(e.m_lOsError) : ErrnoOfCause(e.m_cause);
            RaiseOsError(number, e.m_strFileName, e.GetErrorMessage());
        } catch (const CArchiveException& e) {
            // A damaged or foreign pattern archive: bad content, like any other unreadable file.
            std::string text = e.m_strFileName.empty() ? std::string() : e.m_strFileName + ": ";
            text += e.GetErrorMessage();
            py::object err = py::reinterpret_steal<py::object>(
                PyObject_CallFunctionObjArgs(g_format_error, Text(text).ptr(), nullptr));
            if (!err) return;
            err.attr("reason") = Text(e.GetErrorMessage());
            err.attr("problem") = py::str("malformed");
            err.attr("file") = e.m_strFileName.empty() ? py::object(py::none()) : py::object(PathText(e.m_strFileName));
            err.attr("line") = py::none();
            err.attr("offset") = py::none();
            PyErr_SetObject(g_format_error, err.ptr());
        } catch (const char* message) {
            // The numerical routines report a failure (a singular system) as a bare message.
            PyErr_SetString(PyExc_RuntimeError, message);
        }
    });
}

}  // namespace xrdpy
