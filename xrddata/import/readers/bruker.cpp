// Bruker DIFFRAC-plus (code 3) and DIFFRAC-AT (code 4) raw files, read by the format core (formats/diffracplus.h,
// formats/diffracat.h). Both import alike: range 1 fills the pattern, and its comments say so when the file header
// counts more ranges. Only the DIFFRAC-AT header records whether Ka2 is present.
#include <cstdlib>

#include "xrddata/formats/diffracat.h"
#include "xrddata/formats/diffracplus.h"
#include "xrddata/import/fill.h"
#include "xrddata/import/importer.h"
#include "xrddata/import/readers/builtin.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/ui.h"

namespace fmt = xrddata::formats;

namespace {

struct BrukerRaw {
    const char* name;  // as the refusal names the format
    bool (*test)(fmt::Bytes);
    fmt::Measurement (*read)(const fmt::Source&);
    bool ka2;  // the header's Ka2 flag sets the radiation's
};

int ReadBrukerRaw(CXRDData* target, const ImportFile& file, const BrukerRaw& format) {
    if (!target) return 0;
    if (!builtin::Test(file, format.test)) return builtin::NotOfFormat(file, format.name, MB_ICONEXCLAMATION);
    return builtin::Guarded([&] {
        fmt::Measurement m = format.read(file.source());
        file.ReleaseBytes();
        builtin::FillRawRangeOne(*target, m);
        if (format.ka2) target->m_Radiation.SetKa2(m.meta.ka2_present.value_or(false) ? 1 : 0);
        if (builtin::MoreRangesDeclared(m)) target->m_strSampleInfo += kFirstRangeNote;
        return 1;
    });
}

}  // namespace

bool builtin::MoreRangesDeclared(const fmt::Measurement& m) {
    const std::string* ranges = fmt::find_property(m.meta.properties, "ranges");
    return ranges && std::atol(ranges->c_str()) > 1;
}

int builtin::ReadDiffracPlus(CXRDData* target, const ImportFile& file) {
    return ReadBrukerRaw(target, file, {"DiffracPlus", fmt::IsDiffracPlus, fmt::ReadDiffracPlus, false});
}

int builtin::ReadDiffracAt(CXRDData* target, const ImportFile& file) {
    return ReadBrukerRaw(target, file, {"DiffracAt", fmt::IsDiffracAt, fmt::ReadDiffracAt, true});
}

int CFileImporter::IsDiffracPlusFile(const CString& fileName) {
    return builtin::Test(LoadImportFile(fileName), fmt::IsDiffracPlus);
}

int CFileImporter::ReadDiffracPlusFile(const CString& fileName) {
    return builtin::ReadDiffracPlus(m_pTarget, LoadImportFile(fileName));
}

int CFileImporter::IsDiffracAtFile(const CString& fileName) {
    return builtin::Test(LoadImportFile(fileName), fmt::IsDiffracAt);
}

int CFileImporter::ReadDiffracAtFile(const CString& fileName) {
    return builtin::ReadDiffracAt(m_pTarget, LoadImportFile(fileName));
}
