// Prints the format code of each file named on the command line, one "code<TAB>path" line per file, for building
// the fuzz targets' working corpora from sample files: the format core's detection first, then the import's own
// detection of the formats the core does not list yet. 0: no format recognised; -1: the file cannot be read.
#include <cstdio>

#include "fuzz_support.h"
#include "xrddata/formats/read.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

int main(int argc, char** argv) {
    fuzz_support::Setup();
    CXRDData target;
    CFileImporter importer(&target);
    for (int i = 1; i < argc; ++i) {
        int code = -1;
        try {
            const xrddata::formats::FileBytes file = xrddata::formats::load_file(argv[i]);
            if (const xrddata::formats::FormatInfo* format = xrddata::formats::detect(file.bytes()))
                code = format->code;
            else
                code = importer.DetectFormat(argv[i]);
            if (code < 0) code = 0;
        } catch (const xrddata::formats::ReadError&) {
        }
        std::printf("%d\t%s\n", code, argv[i]);
    }
    return 0;
}
