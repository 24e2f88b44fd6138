// The real samples read by our readers and by the peer library xylib: the same x and y values. Our text readers
// drop a last line without a line end, which xylib keeps; the comparison covers the points both read.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <xylib/xylib.h>

#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

using testing_support::SamplesDir;

namespace {

struct Case {
    const char* file;
    int format;           // our format code
    const char* xyFormat;  // xylib's name for it
    int droppedLast;      // 1 when the file's last value has no line end (xylib has one point more)
};

void Compare(const Case& c) {
    SCOPED_TRACE(c.file);
    testing_support::RegistrySandbox registry;
    testing_support::RecordingUi ui;
    const std::string path = SamplesDir() + "/" + c.file;
    // The reader's values, before the driver derives errors from the chosen error model.
    CXRDData d;
    CFileImporter importer(&d);
    ASSERT_EQ(importer.ReadDataFile(path, c.format, 0), 1);

    std::unique_ptr<xylib::DataSet> ds(xylib::load_file(path, c.xyFormat));
    ASSERT_GE(ds->get_block_count(), 1);
    const xylib::Block* b = ds->get_block(0);
    const xylib::Column& xc = b->get_column(1);
    const xylib::Column& yc = b->get_column(2);
    ASSERT_EQ(b->get_point_count(), d.GetSize() + c.droppedLast);
    // x: text values are parsed alike and must agree exactly; angles built from start and step agree far below
    // the printed precision (the step is accumulated here, multiplied there). y: read from the same text.
    for (int i = 0; i < d.GetSize(); ++i) {
        ASSERT_NEAR(d.GetAt(CGraphData::X, i), xc.get_value(i), 1e-9) << "point " << i;
        ASSERT_EQ(d.GetAt(CGraphData::Y, i), yc.get_value(i)) << "point " << i;
    }
    if (b->get_column_count() > 2 && d.IsCustomErrors()) {
        const xylib::Column& ec = b->get_column(3);
        for (int i = 0; i < d.GetSize(); ++i) ASSERT_EQ(d.GetAt(CGraphData::YError, i), ec.get_value(i));
    }
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace

TEST(XylibComparison, UdfFiles) {
    XRD_REQUIRE_SAMPLES();
    for (const char* f : {"udf/ZEOLITE.UDF", "udf/01R1_73.UDF", "udf/sample1_convert.udf", "udf/sample2.udf",
                          "udf/PbCrF1.udf"})
        Compare({f, CFileImporter::FormatUdf, "philips_udf", 0});
}

TEST(XylibComparison, CpiFile) {
    XRD_REQUIRE_SAMPLES();
    Compare({"cpi/pyxrd_test_cpi_parser_embedded.cpi", CFileImporter::FormatCpi, "cpi", 1});
}

TEST(XylibComparison, TextFiles) {
    XRD_REQUIRE_SAMPLES();
    for (const char* f : {"xy/xy_text.txt", "xy/with_sigma.txt", "xy/nacl01.dat", "xy/qtzquin.asc",
                          "xy/corklz20.asc", "xy/Tutorial_4.xye"})
        Compare({f, CFileImporter::FormatText, "text", 0});
}
