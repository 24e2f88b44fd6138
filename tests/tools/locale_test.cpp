// The tool reads a file's date the same way under every locale: a CPI date "11/10/2012" is the 10th of November
// whether the user's locale writes dates day first (German, French) or month first.
#include <gtest/gtest.h>

#include "support/locale.h"
#include "tool_support.h"

using tool_test::ParseJson;
using tool_test::Result;
using tool_test::Sandbox;

namespace {

std::string CollectedUnder(const Sandbox& box, const std::string& file) {
    const Result r = box.Tool({"info", "--json", file});
    EXPECT_EQ(r.status, 0) << r.err;
    return ParseJson(r.out)[0]["collected"].s;
}

}  // namespace

TEST(ToolLocale, FileDatesReadTheSameUnderEveryLocale) {
    Sandbox box;
    const std::string cpi = box.file("scan.cpi");
    testing_support::WriteFile(cpi,
                               "SIETRONICS XRD SCAN\r\n3.01\r\n3.05\r\n0.02\r\nCu\r\n1.5406\r\n11/10/2012 14:41:24\r\n"
                               "2.0\r\nSample\r\nSCANDATA\r\n60\r\n50\r\n70\r\n");
    const std::string plain = CollectedUnder(box, cpi);
    EXPECT_EQ(plain.rfind("2012-11-10 14:41:24", 0), 0u) << plain;
    for (const char* name : {"de_DE", "fr_FR"}) {
        XRD_TIME_LOCALE(scope, name);
        EXPECT_EQ(CollectedUnder(box, cpi), plain) << name;
    }
}
