#include "xrddata/pattern/radiation.h"

#include <cmath>
#include <iterator>

#include "xrddata/platform/strutil.h"

namespace {

// K-alpha1 and K-alpha2 wavelengths in angstrom from J. A. Bearden, "X-Ray Wavelengths", Rev. Mod. Phys. 39 (1967)
// 78-124, the values still printed on most diffractometers and in most raw files. The intensity ratio
// K-alpha2 : K-alpha1 is the 1 : 2 population of the 2p1/2 and 2p3/2 levels.
const CRadiation::Target kTargets[] = {
    {"Cu", "Copper", 1.54056, 1.54439, 0.5},     {"Co", "Cobalt", 1.78897, 1.79285, 0.5},
    {"Fe", "Iron", 1.93604, 1.93998, 0.5},       {"Cr", "Chromium", 2.28970, 2.29361, 0.5},
    {"Mo", "Molybdenum", 0.70930, 0.71359, 0.5}, {"Ag", "Silver", 0.55941, 0.56380, 0.5},
    {"Ni", "Nickel", 1.65791, 1.66175, 0.5},     {"Mn", "Manganese", 2.10182, 2.10578, 0.5},
    {"Ti", "Titanium", 2.74851, 2.75216, 0.5},   {"W", "Tungsten", 0.20901, 0.21383, 0.5},
};
constexpr int kTargetCount = static_cast<int>(std::size(kTargets));

// Names some instruments write instead of the usual English element name.
struct Alias {
    const char* alias;
    const char* symbol;
};
const Alias kAliases[] = {{"Wolfram", "W"}, {"Chrome", "Cr"}};

const CRadiation::Target& DefaultTarget() { return kTargets[0]; }

double MeanLambda(const CRadiation::Target& t) { return (t.ka1 + t.ratio * t.ka2) / (1.0 + t.ratio); }

bool Positive(double v) { return std::isfinite(v) && v > 0.0; }

}  // namespace

CRadiation::CRadiation() { SetDefaultTarget(); }

CRadiation::~CRadiation() = default;

bool CRadiation::operator==(const CRadiation& o) const {
    return m_strTarget == o.m_strTarget && m_dKa1 == o.m_dKa1 && m_dKa2 == o.m_dKa2 &&
           m_dKa2Ratio == o.m_dKa2Ratio && m_bValidTarget == o.m_bValidTarget && m_bKa2 == o.m_bKa2;
}

void CRadiation::Select(const Target& t) {
    m_strTarget = t.symbol;
    m_dKa1 = t.ka1;
    m_dKa2 = t.ka2;
    m_dKa2Ratio = t.ratio;
    m_bValidTarget = 1;
}

void CRadiation::SetDefaultTarget() {
    Select(DefaultTarget());
    m_bKa2 = 1;
}

const CRadiation::Target* CRadiation::FindTarget(const CString& name) {
    // Fixed-width text fields of raw files arrive padded with blanks or NULs.
    size_t end = name.size();
    while (end > 0 && (name[end - 1] == '\0')) --end;
    CString key = Trim(name.substr(0, end));
    if (key.empty()) return nullptr;
    for (const Alias& a : kAliases)
        if (CompareNoCase(key, a.alias) == 0) key = a.symbol;
    for (const Target& t : kTargets)
        if (CompareNoCase(key, t.symbol) == 0 || CompareNoCase(key, t.name) == 0) return &t;
    return nullptr;
}

int CRadiation::SetTarget(CString name) {
    const Target* t = FindTarget(name);
    if (!t) return 0;
    Select(*t);
    return 1;
}

int CRadiation::SetTarget(double lambda) {
    if (!Positive(lambda)) return 0;
    for (const Target& t : kTargets) {
        if (std::fabs(lambda - t.ka1) <= LambdaTolerance || std::fabs(lambda - MeanLambda(t)) <= LambdaTolerance) {
            Select(t);
            return 1;
        }
    }
    return 0;
}

void CRadiation::SetLambda(double lambda) {
    m_strTarget.clear();
    m_dKa1 = lambda;
    m_dKa2 = 0.0;
    m_dKa2Ratio = 0.0;
    m_bValidTarget = 0;
}

void CRadiation::SetKa2(int present) { m_bKa2 = present ? 1 : 0; }

double CRadiation::Ka2PositionDegrees(double twoTheta) const {
    if (std::isnan(twoTheta)) return NoPosition;
    if (twoTheta <= 0.0) return twoTheta;
    const double beyond = 180.0 + twoTheta;
    if (!m_bValidTarget || !Positive(m_dKa1) || !Positive(m_dKa2) || twoTheta >= 180.0) return beyond;
    const double deg = 180.0 / 3.14159265358979323846;
    const double s = m_dKa2 / m_dKa1 * std::sin(twoTheta / 2.0 / deg);
    if (!(s <= 1.0)) return beyond;
    const double p = 2.0 * std::asin(s) * deg;
    // Rounding must not put the K-alpha2 line below its K-alpha1 line.
    return p < twoTheta ? twoTheta : p;
}

CString CRadiation::GetTargetFullName() const {
    const Target* t = m_bValidTarget ? FindTarget(m_strTarget) : nullptr;
    return t ? CString(t->name) : CString();
}

double CRadiation::GetMeanLambda() const {
    if (!m_bValidTarget) return m_dKa1;
    return (m_dKa1 + m_dKa2Ratio * m_dKa2) / (1.0 + m_dKa2Ratio);
}

int CRadiation::GetTargetCount() { return kTargetCount; }

const CRadiation::Target* CRadiation::GetKnownTarget(int i) {
    return i >= 0 && i < kTargetCount ? &kTargets[i] : nullptr;
}

// Record, little-endian:
//   uint32 signature 0x49444152 ("RADI")
//   int32  version (1)
//   string target symbol (empty for a free wavelength)
//   double K-alpha1 (or the free wavelength), double K-alpha2, double ratio
//   int32  valid-target flag, int32 K-alpha2 flag
// The wavelengths are stored rather than looked up again, so that a record reads back as it was written even if
// the table of targets changes.
void CRadiation::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << static_cast<std::uint32_t>(Signature) << Version << m_strTarget << m_dKa1 << m_dKa2 << m_dKa2Ratio
           << static_cast<std::int32_t>(m_bValidTarget) << static_cast<std::int32_t>(m_bKa2);
        return;
    }
    std::uint32_t signature = 0;
    ar >> signature;
    if (signature != Signature) throw CArchiveException(CArchiveException::badIndex);
    std::int32_t version = 0;
    ar >> version;
    if (version != Version) throw CArchiveException(CArchiveException::badSchema);

    // Read everything first: a record cut short or malformed leaves the radiation as it was.
    CString target;
    double ka1 = 0.0, ka2 = 0.0, ratio = 0.0;
    std::int32_t valid = 0, ka2Flag = 0;
    ar >> target >> ka1 >> ka2 >> ratio >> valid >> ka2Flag;
    if (valid != 0 && valid != 1) throw CArchiveException(CArchiveException::genericException);
    if (ka2Flag != 0 && ka2Flag != 1) throw CArchiveException(CArchiveException::genericException);
    // A selected target needs usable lines and ratio: stripping divides by them.
    if (valid && (target.empty() || !Positive(ka1) || !Positive(ka2) || !Positive(ratio)))
        throw CArchiveException(CArchiveException::genericException);

    m_strTarget = valid ? target : CString();
    m_dKa1 = ka1;
    m_dKa2 = valid ? ka2 : 0.0;
    m_dKa2Ratio = valid ? ratio : 0.0;
    m_bValidTarget = valid;
    m_bKa2 = ka2Flag;
}
