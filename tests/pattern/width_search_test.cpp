// The width trials in lanes, on one thread and shared out over two, against the loop over whole copies: the same score for every trial, bit
// for bit, and the same width, on patterns that stop early, that run every trial, whose last trials filter
// nothing, whose half-width repeats, with uneven or repeated angles, and with counts that are not numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "support/synthetic.h"
#include "xrddata/arrays/graphdata.h"
#include "xrddata/pattern/widthsearch.h"

namespace {

struct Case {
    const char* name;
    std::vector<double> x, y;
    double wmax;
};

Case FromSynthetic(const char* name, const testing_support::SyntheticPattern& p, double wmax) {
    const testing_support::SyntheticData d = testing_support::MakeSynthetic(p);
    return {name, d.x, d.y, wmax};
}

std::vector<Case> Cases() {
    std::vector<Case> cases;
    testing_support::SyntheticPattern peaks;
    peaks.xFirst = 10.0, peaks.xLast = 70.0, peaks.step = 0.002;
    peaks.peaks = {{18.0, 2000, 0.12}, {29.4, 5000, 0.1}, {41.2, 1500, 0.2, 0.5}, {55.7, 3000, 0.15}};
    peaks.background = {300.0, -2.0};
    peaks.noiseSeed = 7;
    cases.push_back(FromSynthetic("peaks", peaks, 5.0));

    testing_support::SyntheticPattern ramp;  // every trial up to the limit runs
    ramp.xFirst = 10.0, ramp.xLast = 60.0, ramp.step = 0.002;
    ramp.background = {50.0, 3.0, 0.02};
    cases.push_back(FromSynthetic("ramp", ramp, 1.5));

    Case hump{"hump", {}, {}, 5.0};  // a broad glass hump on a falling background: the first trial ends the loop
    for (int i = 0; i < 40000; ++i) {
        hump.x.push_back(5.0 + 0.0025 * i);
        const double d = (hump.x.back() - 24.0) / 4.5;
        hump.y.push_back(150.0 - 0.8 * hump.x.back() + 900.0 / (1.0 + d * d));
    }
    cases.push_back(hump);

    // A narrow scan: the limit is half the range, so the last trials' windows cover the whole scan and filter
    // nothing, scoring what earlier trials left.
    testing_support::SyntheticPattern narrow;
    narrow.xFirst = 20.0, narrow.xLast = 20.0 + 24999 * 0.0001, narrow.step = 0.0001;
    narrow.background = {80.0, 1.0};
    cases.push_back(FromSynthetic("narrow", narrow, 5.0));

    // A coarse step: the width step is half a point and successive trials share a half-width.
    testing_support::SyntheticPattern coarse;
    coarse.xFirst = 0.0, coarse.xLast = 0.05 * 24999, coarse.step = 0.05;
    coarse.background = {400.0, 0.3, 0.001};
    cases.push_back(FromSynthetic("coarse", coarse, 5.0));

    // Uneven, repeated angles and counts that are not numbers.
    Case odd{"uneven", {}, {}, 2.0};
    for (int i = 0; i < 30000; ++i) {
        odd.x.push_back(10.0 + 0.002 * i + 0.0007 * std::sin(i * 1.7));
        odd.y.push_back(100.0 + 4000.0 * std::exp(-std::pow((odd.x.back() - 20.0) / 0.2, 2)) + (i % 7));
    }
    odd.x[600] = odd.x[601];
    odd.y[20000] = std::numeric_limits<double>::quiet_NaN();
    odd.y[29990] = std::numeric_limits<double>::infinity();
    cases.push_back(odd);
    return cases;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(WidthSearch, LanesGiveTheScoresOfWholeCopies) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        CGraphData g(static_cast<int>(c.x.size()), c.x.data(), c.y.data(), nullptr);
        const int n = g.GetSize();
        const double s = g.GetSampling();
        const double wmax = std::fmin(c.wmax, 0.5 * (g.GetMaxX() - g.GetMinX()));
        const double dw = std::fmax(0.01, 0.5 * s);
        // The loop over whole copies, then lanes on one thread and on two; the two threads several times,
        // since they meet in another order each time.
        std::vector<double> whole;
        const double w0 = SearchWidth(c.x.data(), c.y.data(), n, s, dw, wmax, -1.0, 0, &whole);
        for (int threads : {1, 2, 2, 2}) {
            std::vector<double> lanes;
            const double w = SearchWidth(c.x.data(), c.y.data(), n, s, dw, wmax, -1.0, threads, &lanes);
            EXPECT_TRUE(SameBits(w0, w)) << threads << ": " << w0 << " " << w;
            ASSERT_EQ(whole.size(), lanes.size()) << threads;
            for (size_t k = 0; k < whole.size(); ++k)
                ASSERT_TRUE(SameBits(whole[k], lanes[k])) << threads << ", trial " << k << ": " << whole[k] << " "
                                                          << lanes[k];
        }
    }
}

TEST(WidthSearch, OneDetectionAtATimeSharesItsTrialsOut) {
    WidthThreadsClaim first;
    WidthThreadsClaim second;
    EXPECT_LE(first.Threads(), 2);
    EXPECT_EQ(second.Threads(), 1);
}
