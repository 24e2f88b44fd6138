// The background-subtracted points written without a copy: the same lines as the subtracted copy gives, in every
// error mode and with a background shorter than the pattern, across the writer's block boundaries.
#include "xrddata/pattern/netpoints.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/formats/writer.h"
#include "xrddata/pattern/xrddata.h"

namespace {

// n points whose background takes some counts below zero, with a NaN count and a NaN background value.
void Fill(CXRDData& d, int n, int backgroundPoints, bool customErrors) {
    d.SetSize(n);
    if (customErrors) d.SetCustomErrors();
    for (int i = 0; i < n; ++i) {
        d.SetAt(CGraphData::X, i, 10.0 + 0.01 * i);
        d.SetAt(CGraphData::Y, i, 100.0 + 50.0 * std::sin(0.05 * i) + (i == 7 ? NAN : 0.0));
        d.SetAt(CGraphData::YError, i, 1.0 + 0.001 * i);
    }
    d.m_Background.SetSize(backgroundPoints);
    double *bx, *by, *be;
    int nb;
    d.m_Background.GetDataRef(bx, by, be, nb);
    for (int i = 0; i < nb; ++i) {
        bx[i] = 10.0 + 0.01 * i;  // the pattern's angles, and beyond them for a longer background
        by[i] = i == 11 ? NAN : 90.0 + 0.003 * i;
        be[i] = 0.0;
    }
}

std::string Streamed(CXRDData& d) {
    const CNetPoints net(d);
    xrddata::formats::StringSink sink;
    WritePointColumns(sink, net.Columns(), ' ');
    return sink.text;
}

}  // namespace

TEST(NetPoints, WriteWhatTheSubtractedCopyHolds) {
    testing_support::RegistrySandbox box;
    for (bool custom : {true, false}) {
        for (int backgroundPoints : {5000, 3000, 6000, 0}) {
            CXRDData d;
            Fill(d, 5000, backgroundPoints, custom);
            CGraphData copy = d.GetBackgroundSubtracted();
            const std::string expected = PointColumns(copy, ' ');
            ASSERT_GT(expected.size(), 1u << 17);  // several of the writer's blocks
            EXPECT_EQ(Streamed(d), expected) << custom << " " << backgroundPoints;
        }
    }

    // The file writer takes the same columns.
    CXRDData d;
    Fill(d, 200, 200, true);
    testing_support::TempDir dir;
    const CNetPoints net(d);
    WriteXyeFile(net.Columns(), dir.file("net.xye"));
    CGraphData copy = d.GetBackgroundSubtracted();
    EXPECT_EQ(testing_support::ReadFile(dir.file("net.xye")), XyeText(copy));
}
