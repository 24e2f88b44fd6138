// The X-ray radiation of a pattern: the target (anode) with its K-alpha1 and K-alpha2 lines, or a free wavelength,
// and whether the beam carries K-alpha2. Supplies the K-alpha2 ratio and positions for K-alpha2 stripping and writes
// its own versioned record into the pattern archive.
#pragma once

#include "xrddata/platform/archive.h"
#include "xrddata/platform/types.h"

class XRDDATA_API CRadiation {
public:
    // One line of the table of known targets. Wavelengths in angstrom; ratio = I(K-alpha2) / I(K-alpha1).
    struct Target {
        const char* symbol;  // element symbol, "Cu"
        const char* name;    // element name, "Copper"
        double ka1;
        double ka2;
        double ratio;
    };

    // Record signature (bytes 52 41 44 49, "RADI") and the version written.
    static constexpr DWORD Signature = 0x49444152u;
    static constexpr std::int32_t Version = 1;
    // A wavelength within this distance (angstrom) of a target's K-alpha1 or of its weighted K-alpha mean selects
    // the target in SetTarget(double).
    static constexpr double LambdaTolerance = 0.001;
    // Returned by Ka2PositionDegrees for a NaN angle: above every angle a pattern can hold.
    static constexpr double NoPosition = 1.7976931348623157e308;

    // The default target: Cu with K-alpha2 present.
    CRadiation();
    CRadiation(const CRadiation& other) = default;
    CRadiation& operator=(const CRadiation& other) = default;
    virtual ~CRadiation();
    // Stores or loads the radiation's record at the current position of the archive.
    virtual void Serialize(CArchive& ar);

    bool operator==(const CRadiation& other) const;
    bool operator!=(const CRadiation& other) const { return !(*this == other); }

    // Cu with K-alpha2 present.
    void SetDefaultTarget();
    // Selects the known target named by its symbol or full name (case ignored, blanks and NULs around it
    // trimmed). Returns 1, or 0 with the radiation unchanged for an unknown name. The K-alpha2 flag is kept.
    int SetTarget(CString name);
    // Selects the known target whose K-alpha1 or weighted K-alpha mean lies within LambdaTolerance of lambda.
    // Returns 1, or 0 with the radiation unchanged. The K-alpha2 flag is kept.
    int SetTarget(double lambda);
    // A free wavelength: no target is selected afterwards (IsValidTarget 0), no K-alpha2 line is known.
    void SetLambda(double lambda);
    void SetKa2(int present);

    // Nonzero when a target with K-alpha2 data is selected.
    int IsValidTarget() const { return m_bValidTarget; }
    // Nonzero when the beam carries K-alpha2.
    int IsKa2() const { return m_bKa2; }
    // I(K-alpha2) / I(K-alpha1) of the selected target (> 0); 0 with a free wavelength.
    double GetKa2Ratio() const { return m_dKa2Ratio; }
    // The two-theta (degrees) of the K-alpha2 reflection for a K-alpha1 reflection at twoTheta, from Bragg's law:
    // 2 asin(l2/l1 sin(twoTheta/2)). Never below twoTheta, never NaN, rising with twoTheta. Where no K-alpha2
    // reflection exists (the arcsine argument above 1, twoTheta of 180 or more, no target selected) the result is
    // 180 + twoTheta, above every angle of the pattern. At and below 0 the doublet does not split: twoTheta itself.
    double Ka2PositionDegrees(double twoTheta) const;

    // Symbol of the selected target ("Cu"), empty with a free wavelength.
    CString GetTargetName() const { return m_strTarget; }
    // Full element name of the selected target ("Copper"), empty with a free wavelength.
    CString GetTargetFullName() const;
    // K-alpha1 of the target, or the free wavelength.
    double GetLambda() const { return m_dKa1; }
    double GetKa1Lambda() const { return m_dKa1; }
    // K-alpha2 of the target; 0 with a free wavelength.
    double GetKa2Lambda() const { return m_dKa2; }
    // (K-alpha1 + R K-alpha2) / (1 + R) for a target, the free wavelength otherwise.
    double GetMeanLambda() const;

    // The table of known targets.
    static int GetTargetCount();
    // Entry i (0 <= i < GetTargetCount()); null outside.
    static const Target* GetKnownTarget(int i);
    // The entry for a symbol or name as SetTarget(CString) matches it; null when unknown.
    static const Target* FindTarget(const CString& name);

private:
    void Select(const Target& t);

    CString m_strTarget;  // symbol of the selected target, empty for a free wavelength
    double m_dKa1;
    double m_dKa2;
    double m_dKa2Ratio;
    int m_bValidTarget;
    int m_bKa2;
};
