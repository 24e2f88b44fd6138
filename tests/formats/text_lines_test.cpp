// The in-place line finding and number scanning of the text readers against the piece-by-piece reading they
// replace: the same lines, values, counts, line numbers and offsets.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "support/text_lines.h"
#include "xrddata/formats/pieces.h"
#include "xrddata/platform/linepieces.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/scanline.h"

namespace {

namespace fmt = xrddata::formats;

// One data line as read: scan result, the values it converted (as bits), line feeds consumed, offset after it.
std::vector<std::string> ByPieces(const std::string& text) {
    std::vector<std::string> out;
    fmt::PieceReader r(std::as_bytes(std::span(text.data(), text.size())));
    fmt::Piece piece;
    while (r.next(piece)) {
        if (!fmt::IsDataLine(piece)) continue;
        double v[3] = {0, 0, 0};
        const int n = ScanDoubles(piece, v, 3);
        std::string row = std::to_string(n) + "@" + std::to_string(r.lines_ended()) + ":" + std::to_string(r.offset());
        for (int i = 0; i < n; ++i) row += " " + std::to_string(std::bit_cast<std::uint64_t>(v[i]));
        out.push_back(row);
    }
    return out;
}

std::vector<std::string> InPlace(const std::string& text) {
    std::vector<std::string> out;
    xrddata::platform::LineEndPieces r(text.data(), text.size());
    const char* first;
    const char* last;
    while (r.next(first, last)) {
        double v[3] = {0, 0, 0};
        const int n = xrddata::platform::ScanLineDoubles(first, last, v, 3);
        std::string row = std::to_string(n) + "@" + std::to_string(r.lines()) + ":" + std::to_string(r.offset());
        for (int i = 0; i < n; ++i) row += " " + std::to_string(std::bit_cast<std::uint64_t>(v[i]));
        out.push_back(row);
    }
    return out;
}

}  // namespace

TEST(TextLines, InPlaceReadingMatchesThePieces) {
    for (const std::string& text : testing_support::TrickyTexts()) EXPECT_EQ(InPlace(text), ByPieces(text)) << text;
    std::mt19937 rng(20261210);
    for (int i = 0; i < 300; ++i) {
        const std::string text = testing_support::RandomText(rng, 1 + i % 40);
        ASSERT_EQ(InPlace(text), ByPieces(text)) << "random text " << i;
    }
}

TEST(TextLines, ShortDecimalsAreReadAsFromChars) {
    // Decimals the exact short path takes, and their neighbours that go to std::from_chars.
    std::mt19937_64 rng(7);
    char text[64];
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t whole = rng() >> (rng() % 64);
        const int point = static_cast<int>(rng() % 24);
        std::string digits = std::to_string(whole);
        if (point > 0) digits.insert(digits.size() > static_cast<std::size_t>(point) ? digits.size() - point : 0, ".");
        if (rng() % 2) digits.insert(0, "-");
        std::snprintf(text, sizeof text, "%s", digits.c_str());
        double expected = 0, got = 0;
        std::from_chars(text, text + std::strlen(text), expected);
        ASSERT_EQ(xrddata::platform::ScanLineDoubles(text, text + std::strlen(text), &got, 1), 1) << text;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(expected)) << text;
    }
}
