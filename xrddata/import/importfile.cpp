#include "xrddata/import/importfile.h"

#include <cerrno>

#include "xrddata/platform/exceptions.h"

xrddata::formats::Source ImportFile::source() const {
    if (!file) return xrddata::formats::Source{{}, name, std::nullopt};
    return xrddata::formats::Source{file->bytes(), name, file->modified()};
}

void ImportFile::ReportError() const { CFileException::FromErrno(error, name).ReportError(); }

void ImportFile::ReleaseBytes() const {
    if (!file) return;
    xrddata::formats::FileBytes empty(nullptr, 0, file->path(), file->modified());
    file = std::move(empty);
}

ImportFile LoadImportFile(const CString& name) {
    ImportFile f;
    f.name = name;
    try {
        f.file = xrddata::formats::load_file(name);
    } catch (const xrddata::formats::ReadError& e) {
        // A file too large to read is a file error too.
        f.error = e.error_number() ? e.error_number() : EFBIG;
    }
    return f;
}
