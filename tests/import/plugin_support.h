// Test helpers for the plug-in reader: the store entries of a plug-in format, and scripted components offered
// through the process's class table, whose answers and returned values each test chooses.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/registry_sandbox.h"
#include "xrddata/import/plugin.h"
#include "xrddata/platform/registry.h"

namespace plugin_test {

// Sets one value of HKEY_LOCAL_MACHINE\...\Formats\<classId> (the key is created).
void SetFormatValue(const std::string& classId, const char* name, DWORD type, const void* data, DWORD size);
void SetFormatText(const std::string& classId, const char* name, const std::string& text);
void SetFormatDword(const std::string& classId, const char* name, DWORD value);
// The four values of a complete entry.
void RegisterFormat(const std::string& classId, const std::string& description, const std::string& filter,
                    DWORD canReadProfile = 1, DWORD canReadPeaks = 0);
// HKEY_CLASSES_ROOT\CLSID\<classId>\InprocServer32 = path.
void RegisterServer(const std::string& classId, const std::string& path);

// The class identifier "{00000000-0000-0000-0000-0000000000NN}".
std::string TestClassId(int n);
CLSID TestClsid(int n);

// What a scripted component does.
struct Script {
    HRESULT canReadHr = S_OK;
    LONG canRead = 1;
    HRESULT readHr = S_OK;
    LONG readResult = 1;
    std::string sampleName = "sample", sampleInfo = "info", target;
    DATE date = 0.0;
    double wavelength = -1.0;
    LONG ka2 = 0, count = -1;
    // Fills x and y (default: nothing, the VARIANTs stay as given).
    std::function<void(VARIANT* x, VARIANT* y)> points;
    // Thrown from CanRead / Read / CreateInstance when set.
    std::function<void()> throwInCanRead, throwInRead, throwInCreate;
    HRESULT createHr = S_OK;
};

// A scripted component class registered in the process for its lifetime. log receives "CanRead <n>" and
// "Read <n>" for every call; liveObjects counts objects not yet released.
class ScriptedClass {
public:
    ScriptedClass(int n, Script script, std::vector<std::string>* log);
    ~ScriptedClass();
    ScriptedClass(const ScriptedClass&) = delete;
    ScriptedClass& operator=(const ScriptedClass&) = delete;

    Script script;
    std::vector<std::string>* log;
    int n;
    int liveObjects = 0;
    struct Factory;

private:
    Factory* factory_;
    DWORD cookie_ = 0;
};

// A VARIANT holding a one-dimensional safe array of vt with the given values (converted to the element type).
void MakeArray(VARIANT* v, VARTYPE vt, const std::vector<double>& values);

}  // namespace plugin_test
