// CXRDData: the diffraction pattern. A point set (x = two-theta in degrees, y = counts, error = standard deviation)
// with its sample header and radiation, the stored background, the processing settings (user defaults kept in the
// settings store), the two-theta zero error, a type flag recording the processing steps applied and a copy of the
// points as they were before the first of them.
//
// The operations live in several files: xrddata.cpp (construction, copying, header, type flag), settings.cpp
// (factory values and the settings store), xrddata_archive.cpp (archive record), ka2.cpp (K-alpha2 stripping),
// errors.cpp (errors, zero error, feature width), background_ops.cpp (background), the import driver (file
// reading) and the two dialogs.
#pragma once

#include "xrddata/arrays/graphdata.h"
#include "xrddata/calc/background.h"
#include "xrddata/pattern/radiation.h"
#include "xrddata/platform/archive.h"
#include "xrddata/platform/carray.h"
#include "xrddata/platform/datetime.h"
#include "xrddata/platform/types.h"

class CBackgroundCalculation;

class XRDDATA_API CXRDData : public CGraphData {
    // The import driver fills patterns and keeps its remembered choices through the settings-store operations.
    friend class CFileImporter;

public:
    // Values and bits of the type flag.
    enum TypeFlag { OriginalData = 1, Ka2StrippedBit = 2, BackgroundSubtractedBit = 4 };

    // Construction and destruction. Every constructor resets the header (HeaderInit), which reads the settings.
    explicit CXRDData(int bCustomErrors = 0);
    CXRDData(int n, const double* x, const double* y, const double* err);
    CXRDData(const CArray<double, double>& x, const CArray<double, double>& y);
    CXRDData(const CArray<double, double>& x, const CArray<double, double>& y, const CArray<double, double>& err);
    // A new pattern assigned from src: peak flag, "AutoWidth" and zero error are this pattern's own.
    CXRDData(const CXRDData& src);

    // Virtual operations, in the slots of the point set.
    ~CXRDData() override;
    void Serialize(CArchive& ar) override;
    // Empties the points (the error mode is kept) and resets the header.
    void RemoveAll() override;

    // Copying. CopyHeader takes everything of the header except the peak flag, "AutoWidth" and the zero error.
    void CopyHeader(const CXRDData& src);
    void Copy(const CXRDData& src);
    CXRDData& operator=(const CXRDData& src);
    // Appends src's points; the header stays.
    CXRDData& operator+=(const CXRDData& src);

    // Header access.
    CString GetSampleName();
    CString GetSampleInfo();
    COleDateTime GetCollectionDate();
    double GetZeroError() const;
    int BackgroundExists();
    int IsKa2Stripped() const;
    int IsBackgroundSubtracted() const;

    // Puts the points kept before the first processing step back, sets the flag to 1 and empties the copy.
    void RestoreOriginalData();

    // The processing history as the Sample Information dialog shows it: "No data present" without points,
    // otherwise "K-alpha2 stripped", "Background subtracted" or "Original data", each line ending in CR LF.
    CString GetProcessingHistory() const;

    // K-alpha2 stripping.
    void StripKa2();
    CXRDData GetKa2Stripped() const;
    int GetKa2Stripped(double*& x, double*& y, double*& err, int& n);

    // Errors, zero error and feature width.
    void GenerateErrors();
    void SetZeroError(double dZero);
    void SetUVW(double U, double V, double W);
    void GetUVW(double& U, double& V, double& W) const;
    double CalculateFeatureWidth(double twoTheta);
    double DetectFeatureWidth(double dMaxWidth, int bTruncate);

    // Background.
    void CalculateBackground(int* pFlag, HWND hWnd, UINT nBeginMessage, UINT nProgressMessage, UINT nEndMessage);
    void StoreBackground(CBackgroundCalculation& calc);
    CGraphData GetBackgroundSubtracted();

    // The eleven settings, in the order "BackgroundLength", "BackgroundScale", "AutoWidth", "WidthType",
    // "FixedWidth", "U", "V", "W", "CountType", "ScaleFactor", "Esds".
    // Factory values.
    void ReadFactory(double& dBackgroundLength, double& dBackgroundScale, int& bAutoWidth, int& nWidthType,
                     double& dFixedWidth, double& dU, double& dV, double& dW, int& nCountType, double& dScaleFactor,
                     double& dEsds);
    // The user's stored defaults; a setting not stored (or unreadable) gets this pattern's member value. Without
    // the "Data Settings" key the arguments stay as they are.
    void ReadRegistry(double& dBackgroundLength, double& dBackgroundScale, int& bAutoWidth, int& nWidthType,
                      double& dFixedWidth, double& dU, double& dV, double& dW, int& nCountType,
                      double& dScaleFactor, double& dEsds);
    // Stores the values as the user's defaults (silently nothing when the key cannot be opened).
    void WriteRegistry(double dBackgroundLength, double dBackgroundScale, int bAutoWidth, int nWidthType,
                       double dFixedWidth, double dU, double dV, double dW, int nCountType, double dScaleFactor,
                       double dEsds);

    // File import.
    int DoReadFile(const char* fileName, int format);
    int DoReadPeakFile(const char* fileName, int format);

    // The two dialogs.
    int EditDataInfo();
    int EditSampleInfo();

    // Sample header.
    CString m_strFileName;
    CString m_strSampleName;
    CString m_strSampleInfo;
    COleDateTime m_CollectionDate;
    CRadiation m_Radiation;
    CBackground m_Background;
    int m_bPeakData;
    // Processing settings (V is kept before U, as the archive writes them).
    double m_dBackgroundScale;
    double m_dBackgroundLength;
    int m_bAutoWidth;
    double m_dDetectedWidth;
    int m_nWidthType;
    double m_dFixedWidth;
    double m_dV;
    double m_dU;
    double m_dW;
    double m_dZeroError;
    int m_nCountType;
    double m_dScaleFactor;
    double m_dEsds;
    // Processing record.
    int m_nTypeFlag;
    CGraphData m_OriginalData;

    // After new data (import, K-alpha2 stripping): detects the feature width, copies it to the fixed width when
    // "AutoWidth" is on and a width was found, and with "WidthType" 0 expresses the fixed width through U, V and W.
    // Throws what DetectFeatureWidth throws.
    void RefreshFeatureWidth();

protected:
    // StripKa2 with a given intensity ratio R = I(K-alpha2) / I(K-alpha1), for a pattern whose radiation has
    // K-alpha2 (the caller checks); the pattern's own ratio is what StripKa2 passes.
    void StripKa2WithRatio(double R);
    void HeaderInit();

    void ClearTypeFlag();
    void SetOriginalFlag();
    void SetKa2Stripped();
    void SetBackgroundSubtracted();

    double WidthCorr(CGraphData& smooth, CGraphData& deriv, double dWidth, double dStep, int n);
    void LoadVersionZero(CArchive& ar);
    void LoadCurrentVersion(CArchive& ar);

    // The three settings operations on this pattern's own members.
    void ReadFactory();
    void ReadRegistry();
    void WriteRegistry();

    // The settings store: the key Software\Tarvenic\Data Settings of the current user (the caller closes it), and
    // the values kept each in a sub-key of the value's own name.
    static HKEY GetRegistryKey();
    static HKEY GetSectionKey(HKEY hKey, const char* name);
    static UINT GetProfileInt(HKEY hKey, const char* name, int nDefault);
    static CString GetProfileString(HKEY hKey, const char* name, const char* sDefault);
    static double GetProfileReal(HKEY hKey, const char* name, double dDefault);
    static int WriteProfileInt(HKEY hKey, const char* name, int value);
    static int WriteProfileString(HKEY hKey, const char* name, const char* value);
    static int WriteProfileReal(HKEY hKey, const char* name, double value);

private:
    // Reads fields 3 to 25 of the archive record; version 0 has no "AutoWidth".
    void LoadFields(CArchive& ar, bool withAutoWidth);

    // Copy's steps, each point column handed over by transfer(column member).
    template <class Transfer>
    void AssignFrom(const CXRDData& src, Transfer transfer);
    // What Copy(src) gives, with the point columns swapped out of src instead of copied (src keeps this
    // pattern's old points and is to be discarded): a pattern read into a temporary becomes this one.
    void TakeOver(CXRDData& src);
    // DoReadFile's and DoReadPeakFile's read (ReadDataFile with bPeaks): into a temporary pattern that this one
    // takes over, with the file's name and the peak flag, only when the read succeeds. Nonzero on success.
    int ReadAndTakeOver(const char* fileName, int format, int bPeaks);

    // DetectFeatureWidth; with switchErrors false, angles in ascending order leave the error mode as it is (no
    // error column is made for the detection; angles out of order switch it as DetectFeatureWidth does).
    double DetectWidth(double dMaxWidth, int bTruncate, bool switchErrors);
    // RefreshFeatureWidth after the detection: the detected width w set as it sets it.
    void SetRefreshedWidth(double w);
    // StoreBackground after its check: the fit's knots stored, the curve drawn at this pattern's x values.
    void StoreKnots(const CBackgroundCalculation& calc);
};
