// The plug-in list: counting, the rules for offering a registered component, and the dialog filter.
#include <gtest/gtest.h>

#include "plugin_support.h"

using namespace plugin_test;

namespace {

struct Lists {
    std::vector<CString> descriptions, classIds;
    CString filter;
    int count = 0;
};

Lists Enumerate(int bPeaks) {
    Lists l;
    l.count = CZIDEzerEzizir::EnumerateFormats(l.descriptions, l.classIds, l.filter, bPeaks);
    return l;
}

LONG CountFormats() {
    CZIDEzerEzizir* reader = new CZIDEzerEzizir;
    LONG n = reader->GetNFormats();
    reader->ExternalRelease();
    return n;
}

}  // namespace

TEST(PluginList, NoFormatsKey) {
    testing_support::RegistrySandbox sandbox;
    EXPECT_EQ(CountFormats(), 0);
    Lists l = Enumerate(0);
    EXPECT_EQ(l.count, 1);
    EXPECT_EQ(l.descriptions, std::vector<CString>{"Auto"});
    EXPECT_EQ(l.classIds, std::vector<CString>{""});
    EXPECT_EQ(l.filter, "All Files (*.*)|*.*||");
}

TEST(PluginList, RulesForOfferingAComponent) {
    testing_support::RegistrySandbox sandbox;
    // Subkeys are enumerated in alphabetical order of their names.
    RegisterFormat(TestClassId(1), "XYE", "XYE Files (*.xye)|*.xye|");
    RegisterFormat(TestClassId(2), "XYE again", "XYE Files (*.xye)|*.xye|");     // same filter: added once
    RegisterFormat(TestClassId(3), "Part", "*.xye|");                            // a substring: adds nothing
    RegisterFormat(TestClassId(4), "Peaks only", "Peak Files (*.pks)|*.pks|", 0, 1);
    RegisterFormat(TestClassId(5), "No filter", "");
    SetFormatText(TestClassId(6), "Description", "Incomplete");                  // three values missing
    SetFormatText(TestClassId(6), "Filter", "Bad (*.bad)|*.bad|");
    SetFormatDword(TestClassId(6), "CanReadProfile", 1);
    RegisterFormat(TestClassId(7), "Flag as text", "T (*.t)|*.t|");
    SetFormatText(TestClassId(7), "CanReadProfile", "1");                        // not a REG_DWORD
    RegisterFormat(TestClassId(8), "ignored", "D (*.d)|*.d|");
    SetFormatDword(TestClassId(8), "Description", 5);                            // not a string
    RegisterFormat(TestClassId(9), "Filter as number", "ignored");
    SetFormatDword(TestClassId(9), "Filter", 7);                                 // offered, with no filter
    RegisterFormat(TestClassId(10), "Big", std::string(1100, 'x'));              // values beyond 1024 bytes
    RegisterFormat("Odd", "Odd name", "O (*.o)|*.o|");  // the name is taken as it is ("O" sorts before "{")

    EXPECT_EQ(CountFormats(), 11);  // every subkey counts

    Lists profile = Enumerate(0);
    EXPECT_EQ(profile.descriptions,
              (std::vector<CString>{"Auto", "Odd name", "XYE", "XYE again", "Part", "No filter", "Filter as number"}));
    EXPECT_EQ(profile.classIds, (std::vector<CString>{"", "Odd", TestClassId(1), TestClassId(2), TestClassId(3),
                                                      TestClassId(5), TestClassId(9)}));
    EXPECT_EQ(profile.count, 7);
    EXPECT_EQ(profile.filter, "All Files (*.*)|*.*|O (*.o)|*.o|XYE Files (*.xye)|*.xye||");

    Lists peaks = Enumerate(1);
    EXPECT_EQ(peaks.descriptions, (std::vector<CString>{"Auto", "Peaks only"}));
    EXPECT_EQ(peaks.classIds, (std::vector<CString>{"", TestClassId(4)}));
    EXPECT_EQ(peaks.filter, "All Files (*.*)|*.*|Peak Files (*.pks)|*.pks||");

    // The registrations both lists are built from (and the tool's listing shows): every subkey, with what made
    // the ones left out fail.
    const std::vector<PluginRegistration> regs = CZIDEzerEzizir::ReadRegistrations();
    ASSERT_EQ(regs.size(), 11u);
    const auto find = [&](const std::string& id) -> const PluginRegistration& {
        for (const PluginRegistration& r : regs)
            if (r.classId == id) return r;
        ADD_FAILURE() << "no registration " << id;
        return regs.front();
    };
    EXPECT_EQ(regs.front().classId, "Odd");
    const PluginRegistration& peaksOnly = find(TestClassId(4));
    EXPECT_TRUE(peaksOnly.complete && peaksOnly.hasDescription && peaksOnly.canReadPeaks);
    EXPECT_FALSE(peaksOnly.canReadProfile);
    EXPECT_EQ(peaksOnly.filter, "Peak Files (*.pks)|*.pks|");
    EXPECT_FALSE(find(TestClassId(6)).complete);   // a value missing
    EXPECT_EQ(find(TestClassId(6)).description, "");
    EXPECT_FALSE(find(TestClassId(10)).complete);  // too long to be read together
    EXPECT_TRUE(find(TestClassId(7)).complete);
    EXPECT_FALSE(find(TestClassId(7)).canReadProfile);  // a flag as text is no flag
    EXPECT_FALSE(find(TestClassId(8)).hasDescription);
    EXPECT_EQ(find(TestClassId(9)).filter, "");
    EXPECT_EQ(find(TestClassId(9)).description, "Filter as number");
}

TEST(PluginList, FormatNames) {
    std::vector<CString> d = {"Auto", "Bruker-AXS Raw V3", "xye", "Bruker-AXS Raw V3"};
    EXPECT_EQ(CZIDEzerEzizir::FindFormatIndex(d, "Bruker-AXS Raw V3"), 1);
    EXPECT_EQ(CZIDEzerEzizir::FindFormatIndex(d, "XYE"), 0);  // case counts
    EXPECT_EQ(CZIDEzerEzizir::FindFormatIndex(d, ""), 0);
    const char* names[] = {"Auto", "Two Column Text", "STOE Raw", "Bruker-AXS Raw V3", "Bruker-AXS Raw V2",
                           "Philips UDF", "Diffraction Technology CPI", "MDI Raw", "Cranfield Data"};
    for (int code = 0; code <= 8; ++code) EXPECT_EQ(CZIDEzerEzizir::BuiltInFormatName(code), names[code]);
    EXPECT_EQ(CZIDEzerEzizir::BuiltInFormatName(-1), "");
    EXPECT_EQ(CZIDEzerEzizir::BuiltInFormatName(10), "");
}
