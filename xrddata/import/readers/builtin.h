// The built-in readers over a file loaded once: each calls the format core, fills the target from range 1 and shows
// the messages its format has always shown, at the same moments (the file error of a file that cannot be loaded,
// the refusal of a file that is not of the format, the format's own failures). Each returns nonzero when the target
// was filled; a null target reads nothing. The CFileImporter members of the same names load the file and call
// these; the driver calls them with the file it loaded for detection. Internal to the import.
#pragma once

#include <exception>

#include "xrddata/import/fill.h"
#include "xrddata/import/importfile.h"
#include "xrddata/platform/exceptions.h"

class CXRDData;

namespace builtin {

int ReadText(CXRDData* target, const ImportFile& file);
int ReadStoe(CXRDData* target, const ImportFile& file);
int ReadDiffracPlus(CXRDData* target, const ImportFile& file);
int ReadDiffracAt(CXRDData* target, const ImportFile& file);
int ReadUdf(CXRDData* target, const ImportFile& file);
int ReadCpi(CXRDData* target, const ImportFile& file);
int ReadMdi(CXRDData* target, const ImportFile& file);
int ReadCranfield(CXRDData* target, const ImportFile& file);

// Whether the Bruker file header counts more than one range (the ranges the file holds may be fewer).
bool MoreRangesDeclared(const xrddata::formats::Measurement& m);

// The reader of a built-in code (1..8); null for any other.
using Reader = int (*)(CXRDData*, const ImportFile&);
Reader ReaderFor(int code);

// A detection test over the loaded file: a file that could not be loaded shows its file error and is no.
int Test(const ImportFile& file, bool (*test)(xrddata::formats::Bytes));

// The refusal of a file that is not of the format: "NAME is not a valid WHAT file" in a box of the given type;
// returns 0, the failed read.
int NotOfFormat(const ImportFile& file, const char* what, UINT type);

// Runs a reader's body: an exception that escapes it is reported (ReportException) and the read fails (0).
template <class Body>
int Guarded(Body&& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

// The read of a text format whose failures leave part of the pattern: the file read by read and the target
// filled by rules (1); a ReadError goes to failed, whose result the read returns. Guarded.
template <class Failed>
int ReadFilled(CXRDData& target, const ImportFile& file,
               xrddata::formats::Measurement (*read)(const xrddata::formats::Source&), const PatternFill& rules,
               Failed&& failed) {
    return Guarded([&] {
        try {
            xrddata::formats::Measurement m = read(file.source());
            file.ReleaseBytes();
            FillPatternReleasing(target, m, rules);
            return 1;
        } catch (const xrddata::formats::ReadError& e) {
            return failed(e);
        }
    });
}

// Range 1 of a Bruker or STOE raw file into the pattern: the counting errors, the warnings about range 1 and the
// radiation of the file's anode and wavelength.
void FillRawRangeOne(CXRDData& target, xrddata::formats::Measurement& m);

}  // namespace builtin
