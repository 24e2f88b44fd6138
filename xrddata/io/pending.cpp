// Weak stand-ins for pattern operations defined elsewhere in the library (K-alpha2 stripping, zero error, the
// background fit and subtraction) while those are being added: the real definitions replace these at link time.
// Each stand-in refuses the work, so that a caller never takes an unprocessed pattern for a processed one.
#include <stdexcept>

#include "xrddata/pattern/xrddata.h"

#define XRD_PENDING __attribute__((weak))

namespace {
[[noreturn]] void NotAvailable(const char* what) {
    throw std::logic_error(std::string(what) + " is not available in this build");
}
}  // namespace

XRD_PENDING void CXRDData::StripKa2() { NotAvailable("K-alpha2 stripping"); }
XRD_PENDING void CXRDData::SetZeroError(double) { NotAvailable("zero-error correction"); }
XRD_PENDING void CXRDData::CalculateBackground(int*, HWND, UINT, UINT, UINT) { NotAvailable("background fitting"); }
XRD_PENDING CGraphData CXRDData::GetBackgroundSubtracted() { NotAvailable("background subtraction"); }
