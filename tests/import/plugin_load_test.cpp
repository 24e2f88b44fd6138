// Which component libraries are loaded: absolute paths to files that only their owner and root can replace; and a
// registration that cannot be loaded leaves the import to the built-in readers.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "import_support.h"
#include "plugin_support.h"
#include "xrddata/import/plugincount.h"

using namespace plugin_test;
using import_testing::ImportSandbox;
namespace fs = std::filesystem;

namespace {

// The class the example component serves.
const std::string kXyeId = "{6E1D2B40-3C57-4F0A-9B21-7D4E5A6C8F10}";

// A copy of the example component at path (folders created 0700), mode as given.
std::string CopyComponent(const std::string& path, mode_t mode = 0755) {
    fs::create_directories(fs::path(path).parent_path());
    fs::copy_file(XRDDATA_EXAMPLE_PLUGIN_PATH, path, fs::copy_options::overwrite_existing);
    ::chmod(path.c_str(), mode);
    return path;
}

// Registers the example class at path and asks for its class object.
HRESULT Load(const std::string& path) {
    RegisterServer(kXyeId, path);
    CLSID clsid;
    CLSIDFromString(kXyeId.c_str(), &clsid);
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory));
    if (factory) factory->Release();
    return hr;
}

}  // namespace

TEST(PluginLoad, OnlyLibrariesThatOnlyTheirOwnerAndRootCanReplace) {
    ImportSandbox box;
    const std::string base = box.dir.path().string();
    ::chmod(base.c_str(), 0700);

    // A relative path is refused, also when the folder the process is in holds such a file.
    CopyComponent(base + "/here/xye.so");
    const fs::path cwd = fs::current_path();
    fs::current_path(base + "/here");
    EXPECT_EQ(Load("xye.so"), E_ACCESSDENIED);
    EXPECT_EQ(Load("./xye.so"), E_ACCESSDENIED);
    fs::current_path(cwd);

    // Writable by others than the owner: the file, its folder.
    const std::string open = CopyComponent(base + "/a/xye.so", 0757);
    EXPECT_EQ(Load(open), E_ACCESSDENIED);
    const std::string group = CopyComponent(base + "/b/xye.so");
    ::chmod((base + "/b").c_str(), 0770);
    EXPECT_EQ(Load(group), E_ACCESSDENIED);
    // A link to a good file, lying in a folder that others may write to.
    const std::string good = CopyComponent(base + "/good/xye.so");
    fs::create_directories(base + "/shared");
    ::chmod((base + "/shared").c_str(), 0777);
    fs::create_symlink(good, base + "/shared/link.so");
    EXPECT_EQ(Load(base + "/shared/link.so"), E_ACCESSDENIED);

    const std::vector<std::string> expected = {
        "The component library xye.so is not loaded: the path is not absolute",
        "The component library ./xye.so is not loaded: the path is not absolute",
        "The component library " + open + " is not loaded: " + open +
            " is writable by users other than its owner",
        "The component library " + group + " is not loaded: the folder " + base +
            "/b is writable by users other than its owner",
        "The component library " + base + "/shared/link.so is not loaded: the folder " + base +
            "/shared is writable by users other than its owner",
    };
    EXPECT_EQ(box.Texts(), expected);

    // Each refusal is shown once per path; the reason stays available to the caller.
    EXPECT_EQ(Load(open), E_ACCESSDENIED);
    EXPECT_EQ(box.Texts().size(), expected.size());
    EXPECT_NE(CoGetClassObjectFailure().find(open), CString::npos);

    // Owned by another user who is not root (only root can make such a file here).
    if (::geteuid() == 0) {
        const std::string theirs = CopyComponent(base + "/c/xye.so");
        ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
        EXPECT_EQ(Load(theirs), E_ACCESSDENIED);
        const std::string inTheirs = CopyComponent(base + "/d/xye.so");
        ASSERT_EQ(::chown((base + "/d").c_str(), 65534, 65534), 0);
        EXPECT_EQ(Load(inTheirs), E_ACCESSDENIED);
        EXPECT_NE(box.Texts().back().find("the folder " + base + "/d belongs to another user (uid 65534)"),
                  std::string::npos);
    }

    // The file itself, by its own path, is loaded.
    box.ui.messages.clear();
    EXPECT_EQ(Load(good), S_OK);
    EXPECT_TRUE(box.Texts().empty());
    EXPECT_EQ(CoGetClassObjectFailure(), "");
}

TEST(PluginLoad, RegistrationsThatCannotBeLoadedLeaveTheImportToTheBuiltInReaders) {
    ImportSandbox box;
    const std::string text = box.Write("scan.xy", "20 5\n21 7\n22 6\n");
    // A library that is missing, and one whose folder others may write to.
    RegisterFormat(TestClassId(41), "Missing", "M (*.m)|*.m|");
    RegisterServer(TestClassId(41), box.dir.file("missing.so"));
    RegisterFormat(TestClassId(42), "Exposed", "E (*.e)|*.e|");
    const std::string exposed = CopyComponent(box.dir.file("open/xye.so"));
    ::chmod(box.dir.file("open").c_str(), 0777);
    RegisterServer(TestClassId(42), exposed);

    EXPECT_EQ(CountPluginFormats(), 0);
    CXRDData d;
    EXPECT_EQ(d.DoReadFile(text.c_str(), CFileImporter::FormatText), 1);
    EXPECT_EQ(d.GetSize(), 3);
    EXPECT_EQ(d.DoReadFile(text.c_str(), CFileImporter::FormatAuto), 1);
    EXPECT_TRUE(box.ui.shown.empty());  // no plug-in dialog
    // Each is reported once, naming the library and the reason.
    const std::vector<std::string> texts = box.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "The plug-in format " + TestClassId(41) + " cannot be loaded: the library " +
                            box.dir.file("missing.so") +
                            " cannot be found (No such file or directory). The built-in readers read the files in "
                            "its place.");
    EXPECT_NE(texts[1].find("The component library " + exposed + " is not loaded"), std::string::npos);
    EXPECT_NE(texts[2].find("The plug-in format " + TestClassId(42) + " cannot be loaded: the library " + exposed),
              std::string::npos);

    // With one usable registration beside them the plug-ins take the import again.
    ScriptedClass usable(43, Script{}, nullptr);
    RegisterFormat(TestClassId(43), "Usable", "U (*.u)|*.u|");
    EXPECT_EQ(CountPluginFormats(), 1);
    EXPECT_EQ(box.Texts().size(), 3u);
}
