#include "xrddata/formats/table.h"

#include <strings.h>

#include <vector>

#include "xrddata/formats/brml.h"
#include "xrddata/formats/cpi.h"
#include "xrddata/formats/cranfield.h"
#include "xrddata/formats/diffracat.h"
#include "xrddata/formats/diffracplus.h"
#include "xrddata/formats/mdi.h"
#include "xrddata/formats/stoe.h"
#include "xrddata/formats/text.h"
#include "xrddata/formats/udf.h"
#include "xrddata/formats/csv.h"
#include "xrddata/formats/dbws.h"
#include "xrddata/formats/fullprof.h"
#include "xrddata/formats/gsas.h"
#include "xrddata/formats/pdcif.h"
#include "xrddata/formats/philipsrd.h"
#include "xrddata/formats/ras.h"
#include "xrddata/formats/rasx.h"
#include "xrddata/formats/rawv1.h"
#include "xrddata/formats/rawv4.h"
#include "xrddata/formats/riet7.h"
#include "xrddata/formats/rigakudat.h"
#include "xrddata/formats/tolerant_text.h"
#include "xrddata/formats/uxd.h"
#include "xrddata/formats/xdd.h"
#include "xrddata/formats/xrdml.h"

namespace xrddata::formats {

namespace {

// Codes: 1..8 are the formats the import has always read (its format list), 10 is taken by the import's "use the
// last format" request; the newer formats have codes from 11 on.
const std::vector<FormatInfo>& Table() {
    static const std::vector<FormatInfo> table = {
        // The formats the import has always read, in the order it has always tried them: binary formats with
        // their magics, then the keyed and headed text formats.
        {3, "DiffracPlus", "Bruker DIFFRAC-plus raw (RAW1.01)", "raw", IsDiffracPlus, ReadDiffracPlus},
        {2, "Stoe", "STOE raw (RAW_1.05 and older)", "raw", IsStoe, ReadStoe},
        {4, "DiffracAt", "Bruker DIFFRAC-AT raw (RAW2)", "raw", IsDiffracAt, ReadDiffracAt},
        {5, "Udf", "Philips UDF text", "udf", IsUdf, ReadUdf},
        {6, "Cpi", "Diffraction Technology / Sietronics CPI text", "cpi", IsCpi, ReadCpi},
        {7, "Mdi", "MDI text", "mdi", IsMdi, ReadMdi},
        {8, "Cranfield", "Cranfield text (title, points, start, step, intensities)", "dat txt", IsCranfield,
         ReadCranfield},

        // Refinement programs' step files whose line 1 starts with numbers: plain text (code 1, "line 1 starts with
        // two numbers") would take them for x, y columns and misread them. They stay right before plain text and
        // after every other format the import has always read; their tests refuse x, y(, error) columns.
        {29, "DBWS", "DBWS powder data (3F8.2 range line, intensities)", "dat dbw rit neu", IsDbws, ReadDbws},
        {26, "FullProf", "FullProf powder data (INSTRM 0 free format, INSTRM 10 XYDATA)", "dat", IsFullProf,
         ReadFullProf},

        // Plain two- or three-column text, the last of the formats the import has always read.
        {1, "Text", "Two column text (x y, or x y error)", "txt xy dat xye", IsText, ReadText},

        // Newer formats with an unambiguous magic or a distinctive header. "RAW " (with a blank) and "RAW4.00"
        // differ in their fourth byte from the DIFFRAC-plus "RAW1.01", the DIFFRAC-AT "RAW2" and the STOE "RAW_".
        {11, "RawV1", "Bruker DIFFRAC-AT raw, version 1 (RAW )", "raw", IsRawV1, ReadRawV1},
        {12, "RawV4", "Bruker DIFFRAC.SUITE raw, version 4 (RAW4.00)", "raw", IsRawV4, ReadRawV4},
        {13, "BRML", "Bruker BRML (zip of XML raw data)", "brml", IsBrml, ReadBrml},
        {14, "XRDML", "PANalytical XRDML", "xrdml", IsXrdml, ReadXrdml},
        {15, "RAS", "Rigaku RAS", "ras", IsRas, ReadRas},
        {16, "RASX", "Rigaku RASX (zip)", "rasx", IsRasx, ReadRasx},
        {23, "PhilipsRD", "Philips PC-APD binary scan (V3 RD/SD)", "rd sd", IsPhilipsRd, ReadPhilipsRd},
        {21, "UXD", "Bruker/Siemens DIFFRAC-AT UXD text", "uxd", IsUxd, ReadUxd},
        {22, "RigakuDAT", "Rigaku RINT DAT text (*KEY = value, *BEGIN ... *END groups)", "dat", IsRigakuDat,
         ReadRigakuDat},
        {24, "PowderCIF", "Powder diffraction CIF (pdCIF)", "cif", IsPowderCif, ReadPowderCif},
        {25, "GSAS", "GSAS powder data (BANK lines: STD, ESD, ALT, FXYE)", "gsa gsas raw fxye dat", IsGsas, ReadGsas},
        {27, "XDD", "XFIT / Koalariet XDD powder data", "xdd", IsXdd, ReadXdd},
        {28, "RIET7", "RIET7 / LHPM-Rietica, ILL D1A/D2B and PSI DMC powder data", "dat", IsRiet7, ReadRiet7},
        {30, "CSV", "Comma-, tab- or semicolon-separated columns with a header row", "csv tsv tab", IsCsv, ReadCsv},

        // Tolerant x-y text accepts the most files: it comes last.
        {17, "TolerantText", "x-y(-sigma) text columns with header, comment and blank lines", "xy xye txt dat asc",
         IsTolerantText, ReadTolerantText},
    };
    return table;
}

}  // namespace

std::span<const FormatInfo> format_table() { return Table(); }

const FormatInfo* find_format(int code) {
    for (const FormatInfo& f : Table())
        if (f.code == code) return &f;
    return nullptr;
}

const FormatInfo* find_format(std::string_view name) {
    for (const FormatInfo& f : Table())
        if (f.name.size() == name.size() && strncasecmp(f.name.data(), name.data(), name.size()) == 0) return &f;
    return nullptr;
}

const FormatInfo* detect(Bytes bytes) {
    for (const FormatInfo& f : Table())
        if (f.detect(bytes)) return &f;
    return nullptr;
}

}  // namespace xrddata::formats
