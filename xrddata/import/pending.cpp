// Weak stand-ins for operations defined elsewhere in the library (the binary-format readers, the error and width
// derivation) while those are being added: their real definitions replace these at link time. Each stand-in
// behaves as "not this format" or "nothing derived".
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

#define XRD_PENDING __attribute__((weak))

XRD_PENDING int CFileImporter::IsMdiFile(const CString&) { return 0; }
XRD_PENDING int CFileImporter::ReadMdiFile(const CString&) { return 0; }
XRD_PENDING int CFileImporter::IsStoeFile(const CString&) { return 0; }
XRD_PENDING int CFileImporter::ReadStoeFile(const CString&) { return 0; }
XRD_PENDING int CFileImporter::IsDiffracPlusFile(const CString&) { return 0; }
XRD_PENDING int CFileImporter::ReadDiffracPlusFile(const CString&) { return 0; }
XRD_PENDING int CFileImporter::IsDiffracAtFile(const CString&) { return 0; }
XRD_PENDING int CFileImporter::ReadDiffracAtFile(const CString&) { return 0; }
XRD_PENDING void CXRDData::GenerateErrors() {}
XRD_PENDING double CXRDData::DetectFeatureWidth(double, int) { return -1.0; }
