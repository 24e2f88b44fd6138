// Helpers for the import tests: a sandbox (own settings store, recording user interface, temporary folder) and
// writers for small instrument files.
#pragma once

#include <string>
#include <vector>

#include "support/filedialog_ui.h"
#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

namespace import_testing {

// Everything an import test needs around it; the scripted interface records messages and answers dialogs.
struct ImportSandbox {
    testing_support::RegistrySandbox registry;
    testing_support::ScriptedFileDialogUi ui;
    testing_support::TempDir dir;

    // Writes the bytes to a file of the temporary folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::string path = dir.file(name);
        testing_support::WriteFile(path, bytes);
        return path;
    }
    std::vector<std::string> Texts() const { return ui.texts(); }
};

// A CPI file: the ten header lines (start, end, step, anode, wavelength, date, sample), then the lines given.
inline std::string CpiFile(const std::string& data, const std::string& keyword = "SCANDATA",
                           const std::string& anode = "Cu", const std::string& lambda = "1.5406",
                           const std::string& start = "10.0", const std::string& end = "10.1",
                           const std::string& step = "0.02") {
    return "Title line\n" + start + "\n" + end + "\n" + step + "\n" + anode + "\n" + lambda +
           "\n03/25/2004 14:22:05\nunused\nMy sample\n" + keyword + "\n" + data;
}

// A Cranfield file: title, count, start, step, then the intensity lines given.
inline std::string CranfieldFile(const std::string& data, const std::string& count = "3",
                                 const std::string& start = "10", const std::string& step = "0.02") {
    return "Cranfield title   \n" + count + "\n" + start + "\n" + step + "\n" + data;
}

// A UDF file with the usual header (CR LF line ends) and the data lines given after "RawScan".
inline std::string UdfFile(const std::string& data, const std::string& extraHeader = "") {
    return "SampleIdent,Quartz std ,/\r\nTitle1,First,/\r\nTitle2,Second,/\r\nAnode,Cu,/\r\n"
           "LabdaAlpha1, 1.54060,/\r\nMonochromatorUsed,NO  ,/\r\nFileDateTime,15-Mar-1995  9:38,/\r\n" +
           extraHeader + "DataAngleRange,   10.0000,  80.0000,/\r\nScanStepSize,   0.020,/\r\nRawScan\r\n" + data;
}

// The settings key under which the import remembers its choices, and one value of it as a section of a .reg file.
inline const char kReader[] = "HKEY_CURRENT_USER\\Software\\Tarvenic\\File Reader";

inline std::string Section(const std::string& name, const std::string& value) {
    return "[" + std::string(kReader) + "\\" + name + "]\r\n\"" + name + "\"=" + value + "\r\n\r\n";
}

inline std::vector<double> Column(const CGraphData& g, CGraphData::Prop p) {
    std::vector<double> v;
    for (int i = 0; i < g.GetSize(); ++i) v.push_back(g.GetAt(p, i));
    return v;
}

}  // namespace import_testing
