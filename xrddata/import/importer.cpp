// The import driver: remembered choices under HKEY_CURRENT_USER\Software\Tarvenic\File Reader, the choice between
// plug-in and built-in readers, content detection in a fixed order, and the import file dialog.
#include "xrddata/import/importer.h"

#include "xrddata/formats/cranfield.h"
#include "xrddata/formats/table.h"
#include "xrddata/import/fill.h"
#include "xrddata/import/importdialog.h"
#include "xrddata/import/importfile.h"
#include "xrddata/import/readers/builtin.h"
#include "xrddata/import/plugincount.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/registry.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/ui.h"

#include <cstdint>
#include <cstring>
#include <exception>

const char* const DiffracPlusKey = "RAW1.01";
const char* const DiffracAtKey = "RAW2";

namespace {

constexpr REGSAM kKeyAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;

// Opens (creating where missing) Software\Tarvenic\File Reader of the current user, one level at a time; null
// when any level fails. The caller closes the key.
HKEY OpenFileReaderKey() {
    HKEY hSoftware = nullptr, hCompany = nullptr, hReader = nullptr;
    DWORD disposition;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, "Software", 0, nullptr, REG_OPTION_NON_VOLATILE, kKeyAccess, nullptr,
                       &hSoftware, &disposition) == ERROR_SUCCESS &&
        RegCreateKeyEx(hSoftware, "Tarvenic", 0, nullptr, REG_OPTION_NON_VOLATILE, kKeyAccess, nullptr, &hCompany,
                       &disposition) == ERROR_SUCCESS) {
        if (RegCreateKeyEx(hCompany, "File Reader", 0, nullptr, REG_OPTION_NON_VOLATILE, kKeyAccess, nullptr,
                           &hReader, &disposition) != ERROR_SUCCESS)
            hReader = nullptr;
    }
    if (hSoftware) RegCloseKey(hSoftware);
    if (hCompany) RegCloseKey(hCompany);
    return hReader;
}

// The remembered choices as this thread last wrote them, with the content of the store that write left: while
// the store still has that content, it holds exactly these three values, so reading them again would give the
// same and writing the same values again would change nothing (an import in a loop costs no store look-up).
struct RememberedChoices {
    std::uint64_t serial = 0;  // 0: nothing kept
    CString directory;         // as the store gives it back: up to a first zero character
    int dataFormat = 0;
    int peakDataFormat = 0;
};
thread_local RememberedChoices t_remembered;

}  // namespace

CFileImporter::CFileImporter(CXRDData* target)
    : m_pTarget(target), m_nDataFormat(FormatAuto), m_nPeakDataFormat(FormatText) {
    CRegistryReadScope scope;
    const RememberedChoices& kept = t_remembered;
    if (kept.serial != 0 && RegistryUserContentSerial() == kept.serial) {
        m_strDataDirectory = kept.directory;
        m_nDataFormat = kept.dataFormat;
        m_nPeakDataFormat = kept.peakDataFormat;
        return;
    }
    HKEY hKey = OpenFileReaderKey();
    if (!hKey) return;
    m_strDataDirectory = CXRDData::GetProfileString(hKey, "DataDirectory", "");
    m_nDataFormat = static_cast<int>(CXRDData::GetProfileInt(hKey, "DataFormat", FormatAuto));
    m_nPeakDataFormat = static_cast<int>(CXRDData::GetProfileInt(hKey, "PeakDataFormat", FormatText));
    RegCloseKey(hKey);
}

// The remembered values are written back whatever became of the import, as one replace of the store file (none
// when nothing changed), so that a concurrent writer of other values loses nothing.
CFileImporter::~CFileImporter() {
    RememberedChoices& kept = t_remembered;
    const char* directory = m_strDataDirectory.c_str();  // the text the store takes
    if (kept.serial != 0 && kept.dataFormat == m_nDataFormat && kept.peakDataFormat == m_nPeakDataFormat &&
        kept.directory == directory && RegistryUserContentSerial() == kept.serial)
        return;
    kept.serial = 0;
    CRegistryTransaction change(CRegistryTransaction::LockAtFirstChange);
    HKEY hKey = OpenFileReaderKey();
    if (!hKey) return;
    // Each is written whatever became of the one before.
    int written = CXRDData::WriteProfileString(hKey, "DataDirectory", directory);
    written &= CXRDData::WriteProfileInt(hKey, "DataFormat", m_nDataFormat);
    written &= CXRDData::WriteProfileInt(hKey, "PeakDataFormat", m_nPeakDataFormat);
    RegCloseKey(hKey);
    if (change.Commit() != ERROR_SUCCESS || !written) return;
    // 0 while a transaction of the caller's holds the lock: its content may still change or be dropped.
    if (const std::uint64_t serial = RegistryUserContentSerial()) {
        kept.directory = directory;
        kept.dataFormat = m_nDataFormat;
        kept.peakDataFormat = m_nPeakDataFormat;
        kept.serial = serial;
    }
}

int CFileImporter::ReadDataFile(CString fileName, int format, int bPeaks) {
    m_strFileName.clear();

    // Registered plug-in formats take the whole read, dialog included.
    if (CountPluginFormats() >= 1) {
        int ok = ReadPluginFile(fileName, &bPeaks, format, m_pTarget);
        if (ok) m_strFileName = fileName;
        return ok;
    }

    if (!m_pTarget) return 0;
    bool detected = format == FormatAuto;
    if (fileName.empty()) {
        RunImportDialog(fileName, format, bPeaks);
        // "Auto" chosen in the dialog: the dialog has run the built-in detection.
        detected = (bPeaks ? m_nPeakDataFormat : m_nDataFormat) == FormatAuto && format == FormatUnknown;
    }
    if (fileName.empty()) return 0;

    // The file is loaded once: detection and the reader see the same bytes.
    const ImportFile file = LoadImportFile(fileName);
    if (format == FormatAuto) format = DetectLoaded(file);
    const int ok = ReadLoaded(format, file, detected);
    if (ok) m_strFileName = fileName;
    return ok;
}

namespace {

// The built-in formats (codes 1..8) in the order the format table tries them; the table holds the newer formats
// after and between them, which built-in detection passes over.
bool IsBuiltIn(int code) { return code >= CFileImporter::FormatText && code <= CFileImporter::FormatCranfield; }

}  // namespace

int CFileImporter::DetectLoaded(const ImportFile& file) {
    if (!file.loaded()) {
        // Each of the eight tests opens the file and shows its error.
        for (int i = FormatText; i <= FormatCranfield; ++i) file.ReportError();
        return FormatUnknown;
    }
    // A file that passes the Cranfield test but has no line after its header (a plain four-line x-y file) is
    // offered to the later tests; Cranfield takes it, with its own message, only when none of them does.
    int fallback = FormatUnknown;
    for (const xrddata::formats::FormatInfo& f : xrddata::formats::format_table()) {
        if (!IsBuiltIn(f.code) || fallback == f.code || !f.detect(file.bytes())) continue;
        if (f.code == FormatCranfield && !xrddata::formats::CranfieldHoldsData(file.bytes())) {
            fallback = f.code;
            continue;
        }
        return f.code;
    }
    return fallback;
}

int CFileImporter::ReadLoaded(int format, const ImportFile& file, bool detected) {
    if (builtin::Reader read = builtin::ReaderFor(format)) return read(m_pTarget, file);
    // The newer formats of the core: named by their code, or recognised when no built-in test knew the file.
    const xrddata::formats::FormatInfo* f = nullptr;
    if (format > UseLastFormat)
        f = xrddata::formats::find_format(format);
    else if (detected && format == FormatUnknown && file.loaded())
        f = xrddata::formats::detect(file.bytes());
    if (!f || IsBuiltIn(f->code)) {
        AfxMessageBox("Cannot determine file format", MB_ICONEXCLAMATION | MB_OK);
        return 0;
    }
    if (!file.loaded()) {
        file.ReportError();
        return 0;
    }
    try {
        // Recognised by content: a format that accepts the bytes but reads no point yields to the next.
        xrddata::formats::Measurement m =
            xrddata::formats::read_source(file.source(), format == FormatUnknown ? 0 : f->code);
        file.ReleaseBytes();
        for (const std::string& w : m.warnings) AfxMessageBox(w, MB_ICONINFORMATION | MB_OK);
        FillFromNewerFormat(*m_pTarget, m);
        return 1;
    } catch (const xrddata::formats::ReadError& e) {
        AfxMessageBox(e.what(), MB_ICONEXCLAMATION | MB_OK);
        return 0;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

// The binary formats with their magics first, then the keyed and headed text formats, plain text last: a later
// test would accept many files of an earlier format.
int CFileImporter::DetectFormat(const CString& fileName) { return DetectLoaded(LoadImportFile(fileName)); }

int CFileImporter::RunImportDialog(CString& fileName, int& format, int bPeaks) {
    CImportFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                          "All Files (*.*)|*.*|Raw Files (*.raw)|*.raw|Udf Files (*.udf)|*.udf|Udx Files "
                          "(*.udx)|*.udx|Cpi Files (*.cpi)|*.cpi|Mdi Files (*.mdi)|*.mdi|Data Files (*.dat)|*.dat|"
                          "Text Files (*.txt)|*.txt||",
                          nullptr, nullptr);
    dlg.m_ofn.lpstrTitle = bPeaks ? "Import Peak Data" : "Import Raw Data";
    dlg.SetTemplate(CImportFileDialog::IDD, CImportFileDialog::FormatTemplate());
    if (!m_strDataDirectory.empty()) dlg.m_ofn.lpstrInitialDir = m_strDataDirectory;
    dlg.m_nFormat = format == UseLastFormat ? (bPeaks ? m_nPeakDataFormat : m_nDataFormat) : format;
    dlg.m_bPeaks = bPeaks;

    const int result = dlg.DoModal();
    CommDlgExtendedError();  // a dialog that could not be shown ends like a cancel
    const CString path = dlg.GetPathName();
    if (result != IDOK || path.empty()) return 0;

    fileName = path;
    format = dlg.m_nFormat == FormatAuto ? DetectFormat(path) : dlg.m_nFormat;
    // The choice is remembered as made: "Auto" stays 0 whatever was detected.
    if (bPeaks)
        m_nPeakDataFormat = dlg.m_nFormat;
    else
        m_nDataFormat = dlg.m_nFormat;
    // The folder: the path up to its last separator, unless that separator is the first character.
    const size_t slash = path.find_last_of('/');
    m_strDataDirectory = slash == CString::npos || slash == 0 ? path : path.substr(0, slash);
    return 1;
}
