// The shared pieces of the format core: line pieces as a 256-byte text-mode buffer receives them, whole lines,
// locale-free numbers, dates as files write them, the error's text, and whole-file loading.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/lines.h"
#include "xrddata/formats/read.h"

using namespace xrddata::formats;

namespace {

std::span<const std::byte> B(const std::string& s) { return {reinterpret_cast<const std::byte*>(s.data()), s.size()}; }

std::vector<std::string> Pieces(const std::string& text) {
    PieceReader r(B(text));
    std::vector<std::string> out;
    char buf[PieceReader::kPiece];
    while (r.next(buf)) out.emplace_back(buf);
    return out;
}

}  // namespace

TEST(FormatCore, PiecesLikeATextModeLineBuffer) {
    EXPECT_EQ(Pieces("a b\r\nc\n\nlast"), (std::vector<std::string>{"a b\n", "c\n", "\n", "last"}));
    // A lone CR stays, also at the very end; CR LF split only by the end of the bytes cannot happen in memory.
    EXPECT_EQ(Pieces("x\ry\r"), (std::vector<std::string>{"x\ry\r"}));
    // A long line arrives in pieces of 255 characters.
    const std::string longLine(600, 'z');
    const auto p = Pieces(longLine + "\n");
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].size(), 255u);
    EXPECT_EQ(p[1].size(), 255u);
    EXPECT_EQ(p[2], std::string(90, 'z') + "\n");
    // A CR LF exactly at the piece boundary still reads as one LF.
    const auto q = Pieces(std::string(254, 'a') + "\r\nb");
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0], std::string(254, 'a') + "\n");
    EXPECT_EQ(q[1], "b");

    const std::string lines = "one\r\ntwo\nthree";  // outlives the reader, which keeps a view of it
    PieceReader r(B(lines));
    std::string line;
    ASSERT_TRUE(r.next_line(line));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(r.next_line(line));
    ASSERT_TRUE(r.next_line(line));
    EXPECT_EQ(line, "three");
    EXPECT_FALSE(r.next_line(line));
    EXPECT_EQ(r.lines_ended(), 2u);
}

TEST(FormatCore, LinesAndNumbers) {
    LineSplitter s(std::string_view("\xEF\xBB\xBF" "a\r\nb\rc\n\nd"));
    std::vector<std::string> lines;
    std::string_view l;
    while (s.next(l)) lines.emplace_back(l);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "", "d"}));
    EXPECT_EQ(s.number(), 5u);

    double v = 0;
    EXPECT_TRUE(ParseDouble(" +1.5e3 ", v));
    EXPECT_EQ(v, 1500.0);
    EXPECT_TRUE(ParseDouble("-0.25", v));
    EXPECT_EQ(v, -0.25);
    for (const char* bad : {"", " ", "1,5", "1.5x", "inf", "nan", "1e999", "--1", "+-1", "0x10"})
        EXPECT_FALSE(ParseDouble(bad, v)) << bad;
    std::string_view t = "  12.5\t7 x";
    EXPECT_TRUE(TakeDouble(t, v));
    EXPECT_EQ(v, 12.5);
    EXPECT_TRUE(TakeDouble(t, v));
    EXPECT_EQ(v, 7.0);
    EXPECT_FALSE(TakeDouble(t, v));
    EXPECT_EQ(t, " x");
}

TEST(FormatCore, DatesAsFilesWriteThem) {
    auto d = ParseDate("2025-02-26T10:47:52.87+00:00");
    ASSERT_TRUE(d);
    EXPECT_EQ(FormatDate(*d), "2025-02-26 10:47:52Z");
    EXPECT_NEAR(d->second, 52.87, 1e-12);
    EXPECT_EQ(FormatDate(*ParseDate("2022-11-10T17:20:52Z")), "2022-11-10 17:20:52Z");
    EXPECT_EQ(FormatDate(*ParseDate("07/11/2018 15:55:31")), "2018-07-11 15:55:31");
    EXPECT_EQ(FormatDate(*ParseDate("07/11/2018 15:55:31", DateOrder::day_month)), "2018-11-07 15:55:31");
    EXPECT_EQ(FormatDate(*ParseDate("14/03/88")), "1988-03-14 00:00:00");  // 14 cannot be a month
    EXPECT_EQ(FormatDate(*ParseDate("11/01/12 12:55:51")), "2012-11-01 12:55:51");
    EXPECT_EQ(FormatDate(*ParseDate("27-Apr-1994 13:36:30")), "1994-04-27 13:36:30");
    EXPECT_EQ(FormatDate(*ParseDate("21-janv-2002 09:16:36")), "2002-01-21 09:16:36");
    EXPECT_EQ(FormatDate(*ParseDate("04-Mar-92 16:34")), "1992-03-04 16:34:00");
    EXPECT_EQ(FormatDate(*ParseDate("26.02.2025 10:47")), "2025-02-26 10:47:00");
    EXPECT_EQ(FormatDate(*ParseDate("1/2/2003 1:05:00 PM")), "2003-01-02 13:05:00");
    EXPECT_EQ(FormatDate(*ParseDate("2021-06-01 08:00:00 -05:30")), "2021-06-01 08:00:00-05:30");
    for (const char* bad : {"", "   ", "13/13/2000", "31/04/2001", "2001-02-29", "12:00", "Sample 1", "5/6",
                            "2020-01-01 25:00", "2020-01-01 10:00 trailing"})
        EXPECT_FALSE(ParseDate(bad)) << bad;
}

TEST(FormatCore, ErrorsNameTheFileAndThePlace) {
    ReadError e(Problem::inconsistent, "range 2 claims 1000000 points but the file ends after 3104 bytes");
    e.at_offset(3104).in_file("a.raw");
    EXPECT_STREQ(e.what(), "a.raw: byte 3104: range 2 claims 1000000 points but the file ends after 3104 bytes");
    e.in_file("other");  // the first name given stays
    e.at_line(7);
    EXPECT_STREQ(e.what(), "a.raw: line 7: range 2 claims 1000000 points but the file ends after 3104 bytes");
    EXPECT_EQ(e.problem(), Problem::inconsistent);
}

TEST(FormatCore, LoadsRegularFilesOnlyAndNeverBlocks) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("xrd-core-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "a.txt").string();
    std::ofstream(file) << "1 2\n3 4\n";
    const FileBytes f = load_file(file);
    EXPECT_EQ(f.bytes().size(), 8u);
    EXPECT_TRUE(f.modified().has_value());

    auto problemOf = [](const std::string& path) {
        try {
            load_file(path);
        } catch (const ReadError& e) {
            return std::make_pair(e.problem(), e.error_number());
        }
        return std::make_pair(Problem::unrecognised, 0);
    };
    EXPECT_EQ(problemOf((dir / "missing").string()), std::make_pair(Problem::file, ENOENT));
    EXPECT_EQ(problemOf(dir.string()), std::make_pair(Problem::file, EISDIR));
    // A FIFO without a writer: refused at once instead of waiting for one.
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(problemOf(fifo).first, Problem::file);
    EXPECT_EQ(problemOf("/dev/zero").first, Problem::file);

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "5 6\n", 4), 4);
    close(fds[1]);
    const FileBytes s = load_stream(fds[0], "<stdin>");
    close(fds[0]);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.bytes().data()), s.bytes().size()), "5 6\n");
    std::filesystem::remove_all(dir);
}
