// Choosing and calling components: creation failures, "Auto" order, rejections, component failures, and the
// values a component returns turned into a pattern.
#include <gtest/gtest.h>

#include <stdexcept>

#include "plugin_support.h"
#include "xrddata/import/plugincount.h"
#include "support/filedialog_ui.h"
#include "xrddata/pattern/xrddata.h"

using namespace plugin_test;
using testing_support::Message;
using testing_support::RecordingUi;

namespace {

constexpr UINT kBox = MB_OK | MB_ICONEXCLAMATION;

std::vector<std::string> Texts(const RecordingUi& ui) {
    std::vector<std::string> t;
    for (const Message& m : ui.messages) {
        EXPECT_EQ(m.type, kBox) << m.text;
        t.push_back(m.text);
    }
    return t;
}

// The lists for the components 1..n (profile data).
struct Lists {
    std::vector<CString> descriptions{"Auto"}, classIds{""};
    void Add(int n, const std::string& description) {
        descriptions.push_back(description);
        classIds.push_back(TestClassId(n));
    }
};

// ReadWithFormat with fresh outputs, released afterwards.
int Read(const CString& file, int index, const Lists& l) {
    BSTR name = nullptr, info = nullptr, target = nullptr;
    DATE date = 0;
    double wavelength = -1;
    LONG ka2 = 0, flag = 0, count = -1;
    VARIANT x, y;
    VariantInit(&x);
    VariantInit(&y);
    int r = CZIDEzerEzizir::ReadWithFormat(file, 0, index, l.descriptions, l.classIds, &name, &info, &date, &target,
                                           &wavelength, &ka2, &flag, &count, &x, &y);
    SysFreeString(name);
    SysFreeString(info);
    SysFreeString(target);
    VariantClear(&x);
    VariantClear(&y);
    return r;
}

}  // namespace

TEST(PluginRead, CreateFormatFailures) {
    testing_support::RegistrySandbox sandbox;
    testing_support::TempDir dir;
    RecordingUi ui;
    auto create = [](const CString& id) {
        IXRDFormat* f = CZIDEzerEzizir::CreateFormat(id);
        bool made = f != nullptr;
        if (f) f->Release();
        return made;
    };
    EXPECT_FALSE(create("5FB1C728-12B5-11D3-8083-00105A49620E"));  // no braces
    EXPECT_FALSE(create("{5FB1C728-12B5-11D3-8083-00105A49620G}"));
    // Not registered anywhere; a library that is missing; a file that is no shared object; a shared object
    // without DllGetClassObject; a component that does not know the class.
    EXPECT_FALSE(create(TestClassId(20)));
    RegisterServer(TestClassId(21), dir.file("missing.so"));
    EXPECT_FALSE(create(TestClassId(21)));
    testing_support::WriteFile(dir.file("text.so"), "not an ELF file\n");
    RegisterServer(TestClassId(22), dir.file("text.so"));
    EXPECT_FALSE(create(TestClassId(22)));
    RegisterServer(TestClassId(23), XRDDATA_NOENTRY_PLUGIN_PATH);
    EXPECT_FALSE(create(TestClassId(23)));
    RegisterServer(TestClassId(24), XRDDATA_EXAMPLE_PLUGIN_PATH);
    EXPECT_FALSE(create(TestClassId(24)));
    const std::string noFactory = "Can not create the Requested XRD Format class factory";
    EXPECT_EQ(Texts(ui), (std::vector<std::string>{"Can not obtain the requested Format CLSID",
                                                   "Can not obtain the requested Format CLSID", noFactory, noFactory,
                                                   noFactory, noFactory, noFactory}));
    ui.messages.clear();

    // The factory refuses; the factory throws (no message).
    Script refusing;
    refusing.createHr = E_OUTOFMEMORY;
    ScriptedClass c1(1, refusing, nullptr);
    EXPECT_FALSE(create(TestClassId(1)));
    Script throwing;
    throwing.throwInCreate = [] { throw _com_error(E_FAIL); };
    ScriptedClass c2(2, throwing, nullptr);
    EXPECT_FALSE(create(TestClassId(2)));
    Script throwingOther;
    throwingOther.throwInCreate = [] { throw std::runtime_error("boom"); };
    ScriptedClass c3(3, throwingOther, nullptr);
    EXPECT_FALSE(create(TestClassId(3)));
    EXPECT_EQ(Texts(ui), std::vector<std::string>{"Can not create an instance of XRD Format IXRDFormat"});

    ScriptedClass c4(4, Script{}, nullptr);
    EXPECT_TRUE(create(TestClassId(4)));
    EXPECT_EQ(c4.liveObjects, 0);
}

TEST(PluginRead, AutoAsksTheLastRegisteredFirst) {
    RecordingUi ui;
    std::vector<std::string> log;
    Script no;
    no.canRead = 0;
    Script failing;
    failing.canReadHr = E_FAIL;  // success with a nonzero answer is needed
    Script throwing;
    throwing.throwInCanRead = [] { throw _com_error(E_UNEXPECTED); };
    ScriptedClass first(1, no, &log), second(2, failing, &log), third(3, throwing, &log);
    Lists l;
    l.Add(1, "first");
    l.Add(2, "second");
    l.Add(3, "third");
    EXPECT_EQ(Read("/data/a.xye", 0, l), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"CanRead 3", "CanRead 2", "CanRead 1"}));
    EXPECT_EQ(Texts(ui), std::vector<std::string>{"No XRD Format found for File:\n/data/a.xye"});
    EXPECT_EQ(first.liveObjects + second.liveObjects + third.liveObjects, 0);

    // The first to accept is asked again and reads; those below it are not asked.
    log.clear();
    ui.messages.clear();
    second.script = Script{};
    second.script.readResult = 7;
    EXPECT_EQ(Read("/data/a.xye", 0, l), 7);
    EXPECT_EQ(log, (std::vector<std::string>{"CanRead 3", "CanRead 2", "CanRead 2", "Read 2"}));
    EXPECT_TRUE(ui.messages.empty());

    // A component that fails to load shows its message during the search, and the search goes on.
    log.clear();
    l.Add(9, "unregistered");
    EXPECT_EQ(Read("/data/a.xye", 0, l), 7);
    EXPECT_EQ(Texts(ui), std::vector<std::string>{"Can not create the Requested XRD Format class factory"});
    EXPECT_EQ(second.liveObjects, 0);
}

TEST(PluginRead, ChosenComponentFailures) {
    RecordingUi ui;
    std::vector<std::string> log;
    Script rejecting;
    rejecting.canRead = 0;
    ScriptedClass c1(1, rejecting, &log);
    Script comError;
    comError.throwInRead = [] { throw _com_error(E_FAIL, "disk on fire"); };
    ScriptedClass c2(2, comError, &log);
    Script otherError;
    otherError.throwInRead = [] { throw std::runtime_error("bad line 3"); };
    ScriptedClass c3(3, otherError, &log);
    Script readFails;
    readFails.readHr = E_FAIL;
    ScriptedClass c4(4, readFails, &log);
    Script readZero;
    readZero.readResult = 0;
    ScriptedClass c5(5, readZero, &log);
    Lists l;
    for (int n = 1; n <= 5; ++n) l.Add(n, "F" + std::to_string(n));

    EXPECT_EQ(Read("/d/x.dat", 1, l), 0);
    EXPECT_EQ(Read("/d/x.dat", 2, l), 0);
    EXPECT_EQ(Read("/d/x.dat", 3, l), 0);
    EXPECT_EQ(Read("/d/x.dat", 4, l), 0);
    EXPECT_EQ(Read("/d/x.dat", 5, l), 0);
    EXPECT_EQ(Read("/d/x.dat", 6, l), 0);   // past the list
    EXPECT_EQ(Read("/d/x.dat", -1, l), 0);
    EXPECT_EQ(Read("", 1, l), 0);           // no file: nothing is asked
    EXPECT_EQ(Texts(ui), (std::vector<std::string>{"/d/x.dat\nis not of Format type: F1",
                                                   "COM Error: 0x80004005\ndisk on fire",
                                                   "COM Error: 0x80004005\nbad line 3"}));
    EXPECT_EQ(log, (std::vector<std::string>{"CanRead 1", "CanRead 2", "Read 2", "CanRead 3", "Read 3", "CanRead 4",
                                             "Read 4", "CanRead 5", "Read 5"}));
    EXPECT_EQ(c1.liveObjects + c2.liveObjects + c3.liveObjects + c4.liveObjects + c5.liveObjects, 0);
}

namespace {

// A pattern with one point and a header, to see whether a read changed it.
void Prefill(CXRDData& p) {
    p.Add(1.0, 2.0);
    p.m_strSampleName = "old";
}

struct PatternRead {
    int result;
    int size;
};

// ReadPluginFile with the dialog cancelled, reading file with component 1 ("One").
PatternRead ReadInto(CXRDData& p, const Script& script, const CString& file = "/d/f.dat") {
    ScriptedClass c(1, script, nullptr);
    RegisterFormat(TestClassId(1), "One", "One (*.one)|*.one|");
    CString name = file;
    int peaks = 0;
    CZIDEzerEzizir* reader = new CZIDEzerEzizir;
    int r = reader->ReadPluginFile(name, &peaks, 0, &p);
    reader->ExternalRelease();
    EXPECT_EQ(c.liveObjects, 0);
    return {r, p.GetSize()};
}

std::vector<double> Column(CXRDData& p, CGraphData::Prop prop) {
    std::vector<double> v;
    for (int i = 0; i < p.GetSize(); ++i) v.push_back(p.GetAt(prop, i));
    return v;
}

}  // namespace

TEST(PluginRead, ValuesIntoThePattern) {
    testing_support::RegistrySandbox sandbox;
    testing_support::ScriptedFileDialogUi ui;  // no answers: every dialog is cancelled

    Script s;
    s.sampleName = "Quartz";
    s.sampleInfo = "line 1\r\nline 2";
    s.target = "Co";
    s.wavelength = 1.5406;
    s.ka2 = 1;
    s.date = 36526.5;
    s.count = 3;
    s.points = [](VARIANT* x, VARIANT* y) {
        MakeArray(x, VT_R8, {10.0, 10.5, 11.25});
        MakeArray(y, VT_R8, {100.0, 250.5, 90.0});
    };
    CXRDData p;
    Prefill(p);
    PatternRead r = ReadInto(p, s);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(Column(p, CGraphData::X), (std::vector<double>{10.0, 10.5, 11.25}));
    EXPECT_EQ(Column(p, CGraphData::Y), (std::vector<double>{100.0, 250.5, 90.0}));
    EXPECT_EQ(p.m_strSampleName, "Quartz");
    EXPECT_EQ(p.m_strSampleInfo, "line 1\r\nline 2");
    EXPECT_EQ(p.m_CollectionDate.m_dt, 36526.5);
    EXPECT_EQ(p.m_CollectionDate.GetStatus(), COleDateTime::valid);
    EXPECT_EQ(p.m_Radiation.GetTargetName(), "Co");  // the name wins over the wavelength
    EXPECT_EQ(p.m_Radiation.IsKa2(), 1);
    // The dialog was shown once, titled for raw data, with the plug-in filter.
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].title, "Import Raw Data");

    // An unknown name with a known wavelength selects by wavelength; with an unknown one, a free wavelength.
    s.target = "Unobtainium";
    s.ka2 = 0;
    CXRDData q;
    ReadInto(q, s);
    EXPECT_EQ(q.m_Radiation.GetTargetName(), "Cu");
    EXPECT_EQ(q.m_Radiation.IsKa2(), 0);
    s.wavelength = 0.7093 + 0.3;
    CXRDData f;
    ReadInto(f, s);
    EXPECT_EQ(f.m_Radiation.IsValidTarget(), 0);
    EXPECT_EQ(f.m_Radiation.GetLambda(), 0.7093 + 0.3);
    // No wavelength and an unknown name: the radiation stays as the emptied pattern has it, only the K-alpha2
    // flag is taken.
    s.wavelength = -1.0;
    CXRDData u;
    CRadiation before = u.m_Radiation;
    before.SetKa2(0);
    ReadInto(u, s);
    EXPECT_EQ(u.m_Radiation, before);
}

TEST(PluginRead, ConversionsAndCounts) {
    testing_support::RegistrySandbox sandbox;
    testing_support::ScriptedFileDialogUi ui;
    auto with = [](VARTYPE vx, std::vector<double> x, VARTYPE vy, std::vector<double> y) {
        Script s;
        s.count = static_cast<LONG>(x.size());
        s.points = [=](VARIANT* px, VARIANT* py) {
            MakeArray(px, vx, x);
            MakeArray(py, vy, y);
        };
        return s;
    };
    {
        CXRDData p;
        ReadInto(p, with(VT_I2, {1, -2, 3}, VT_I4, {100000, -5, 7}));
        EXPECT_EQ(Column(p, CGraphData::X), (std::vector<double>{-2, 1, 3}));  // kept sorted
        EXPECT_EQ(Column(p, CGraphData::Y), (std::vector<double>{-5, 100000, 7}));
    }
    {
        CXRDData p;
        ReadInto(p, with(VT_R4, {0.5, 1.25}, VT_UI1, {255, 3}));
        EXPECT_EQ(Column(p, CGraphData::X), (std::vector<double>{0.5, 1.25}));
        EXPECT_EQ(Column(p, CGraphData::Y), (std::vector<double>{255, 3}));
    }
    {
        // Text elements, and VARIANT_BOOL elements (whose code masks to the 32-bit one), give 0.0.
        CXRDData p;
        ReadInto(p, with(VT_R8, {1, 2}, VT_BSTR, {5, 6}));
        EXPECT_EQ(Column(p, CGraphData::Y), (std::vector<double>{0, 0}));
        CXRDData q;
        ReadInto(q, with(VT_R8, {1, 2, 3}, VT_BOOL, {1, 0, 1}));
        EXPECT_EQ(Column(q, CGraphData::Y), (std::vector<double>{0, 0, 0}));
    }
    {
        std::vector<double> x(100), y(90);
        for (int i = 0; i < 100; ++i) x[i] = i;
        for (int i = 0; i < 90; ++i) y[i] = 2 * i;
        CXRDData p;
        PatternRead r = ReadInto(p, with(VT_R8, x, VT_R8, y));
        EXPECT_EQ(r.size, 90);
        EXPECT_EQ(p.GetAt(CGraphData::Y, 89), 178.0);
    }
    {
        // Success with a count of 0: the pattern is untouched and the read counts as successful.
        Script s = with(VT_R8, {1, 2}, VT_R8, {3, 4});
        s.count = 0;
        CXRDData p;
        Prefill(p);
        EXPECT_EQ(ReadInto(p, s).result, 1);
        EXPECT_EQ(p.GetSize(), 1);
        EXPECT_EQ(p.m_strSampleName, "old");
    }
    {
        // A failed read leaves the pattern as it was.
        Script s = with(VT_R8, {1, 2}, VT_R8, {3, 4});
        s.readResult = 0;
        CXRDData p;
        Prefill(p);
        EXPECT_EQ(ReadInto(p, s).result, 0);
        EXPECT_EQ(p.GetSize(), 1);
    }
    {
        // No arrays at all: the header is taken, the pattern has no points, the result stands.
        Script s;
        s.count = 5;
        CXRDData p;
        Prefill(p);
        EXPECT_EQ(ReadInto(p, s).result, 1);
        EXPECT_EQ(p.GetSize(), 0);
        EXPECT_EQ(p.m_strSampleName, "sample");
    }
    {
        // A component returning its own positive result value: passed on.
        Script s = with(VT_R8, {1}, VT_R8, {3});
        s.readResult = 42;
        CXRDData p;
        EXPECT_EQ(ReadInto(p, s).result, 42);
    }
    CString none;
    int peaks = 0;
    EXPECT_EQ(ReadPluginFile(none, &peaks, 0, nullptr), 0);
}

TEST(PluginRead, ExampleComponentReadsXyeFiles) {
    testing_support::RegistrySandbox sandbox;
    testing_support::ScriptedFileDialogUi ui;
    const std::string id = "{6E1D2B40-3C57-4F0A-9B21-7D4E5A6C8F10}";
    RegisterFormat(id, "XYE text", "XYE Files (*.xye)|*.xye|");
    RegisterServer(id, XRDDATA_EXAMPLE_PLUGIN_PATH);
    testing_support::TempDir dir;
    std::string file = dir.file("run.xye");
    testing_support::WriteFile(file, "# Corundum\r\n# standard\r\n# wavelength: 1.5406\r\n"
                                     "20.0 15 3.9\r\n20.02 17.5 4.2\r\n20.04 1e3 31.6\r\n");
    CXRDData p;
    CString name = file;
    int peaks = 0;
    EXPECT_EQ(ReadPluginFile(name, &peaks, 0, &p), 1);
    EXPECT_EQ(name, file);
    EXPECT_EQ(Column(p, CGraphData::X), (std::vector<double>{20.0, 20.02, 20.04}));
    EXPECT_EQ(Column(p, CGraphData::Y), (std::vector<double>{15, 17.5, 1000}));
    EXPECT_EQ(p.m_strSampleName, "Corundum");
    EXPECT_EQ(p.m_strSampleInfo, "standard");
    EXPECT_EQ(p.m_Radiation.GetTargetName(), "Cu");

    // Not its format: "Auto" finds nothing; chosen by the driver's code it is rejected.
    testing_support::RecordingUi messages;
    std::string other = dir.file("run.txt");
    testing_support::WriteFile(other, "20 15\n");
    CString otherName = other;
    EXPECT_EQ(ReadPluginFile(otherName, &peaks, 0, &p), 0);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "No XRD Format found for File:\n" + other);
    EXPECT_EQ(p.GetSize(), 3);
}
