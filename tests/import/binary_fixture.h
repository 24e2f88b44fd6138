// Shared set-up of the binary reader tests: a sandboxed settings store, a recording user interface, a temporary
// folder, and one importer on one target pattern that the tests read files into.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

namespace binary_testing {

class ReaderTest : public ::testing::Test {
protected:
    // Writes bytes to a file of the temporary folder and returns its path. An old file of the name is removed
    // first rather than truncated: truncating a file makes some file systems flush it, which is slow in a loop.
    std::string Put(const std::string& bytes, const std::string& name = "data.raw") {
        const std::string path = box.dir.file(name);
        std::filesystem::remove(path);
        testing_support::WriteFile(path, bytes);
        return path;
    }
    std::vector<std::string> Texts() const { return ui.texts(); }
    std::vector<double> Column(CGraphData::Prop p) {
        std::vector<double> v;
        for (int i = 0; i < target.GetSize(); ++i) v.push_back(target.GetAt(p, i));
        return v;
    }

    testing_support::RegistrySandbox box;
    testing_support::RecordingUi ui;
    CXRDData target;
    CFileImporter imp{&target};
};

}  // namespace binary_testing
