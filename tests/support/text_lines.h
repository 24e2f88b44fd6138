// Texts that exercise the line rules of the import's text readers: CR LF, lone CRs, lines about 255 characters long
// and longer, NUL bytes, tabs, two or three values, the odd numeric forms the C library reads, bad lines and a last
// line without a line end; a fixed list and seeded random ones.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace testing_support {

inline std::vector<std::string> TrickyTexts() {
    const std::string pad254(254, ' '), pad255(255, ' ');
    return {
        "",
        "1 4\n2 9 3\n3 16\n",
        "3 9\r\n1 4\r\n2 -1\r\n",
        "1 1\n2 2\n3 3",
        "1 2\r3 4\n",             // a lone CR is part of the line
        "1 2\r\r\n5 6\r\n\r",     // CR CR LF; a last lone CR
        pad254 + "7 8\n",         // over 255 characters: only the final piece counts
        pad255 + "\n",            // the final piece is the bare line feed
        std::string(252, ' ') + "1 2\r\n",  // the line feed is character 256
        std::string(253, ' ') + "1 2\n",
        std::string(600, 'x') + "9 81\n",
        std::string("1 2\n\0\0\0\n", 8),
        std::string("1 2\n3\0 4\n5 6\n", 13),
        std::string(300, ' ') + std::string("\0", 1) + "4 5\n",  // the NUL lies in a piece before the last
        "1\t2\t3\n\t4 \t 5\t\n",
        "0x1p1\t-inf 1e-3 extra words\n",
        "1e 2\n", "0x 3\n", "inf nan\n", "+1 +2\n", "-.5 5.\n", "1e400 1e-400\n", "1.5e3 2E-2 -0\n",
        "12345678901234567890 0.12345678901234567890123\n", "9007199254740993 1.0000000000000000000001\n",
        "1 2\n2 3\n\n4 5\n",      // a blank line in the middle
        "1 2\n2 3\n\n\n",         // blank lines at the end
        "1 2\nx y\n3 4\n",
        "1,2\n", "1\n", "two-theta counts\n1 2\n",
        "1 2 3 4 5\n", "1 2 ,3\n", "1 2#\n", "1-2 3\n", "1..2 3\n", "--1 2\n",
    };
}

// A random text of about `lines` lines made of the forms above.
inline std::string RandomText(std::mt19937& rng, int lines) {
    static const char* const numbers[] = {"0",     "1",     "-1",    "2.5",     "5.0010",  "1234",   "-0",
                                          ".5",    "5.",    "1e3",   "1E-2",    "+7",      "0x1A",   "0x",
                                          "1e",    "inf",   "-nan",  "1e400",   "1e-400",  "3.14159265358979323846",
                                          "12345678901234567890",   "9007199254740993", "0.1", "100.000", "1,5"};
    static const char* const blanks[] = {" ", "\t", "  ", " \t", "\v", "\f"};
    static const char* const ends[] = {"\n", "\r\n", "\r\n", "\n", "\r\r\n", "\r"};
    std::uniform_int_distribution<int> pick(0, 1 << 20);
    std::string text;
    for (int i = 0; i < lines; ++i) {
        if (pick(rng) % 40 == 0) text.append(static_cast<std::size_t>(pick(rng) % 520), ' ');
        if (pick(rng) % 200 == 0) text.push_back('\0');
        const int count = 1 + pick(rng) % 3 + (pick(rng) % 30 == 0);
        for (int k = 0; k < count; ++k) {
            if (k > 0 || pick(rng) % 5 == 0) text += blanks[pick(rng) % 6];
            text += pick(rng) % 3 ? numbers[pick(rng) % 5] : numbers[pick(rng) % 25];
        }
        if (pick(rng) % 10 == 0) text += blanks[pick(rng) % 6];
        if (i + 1 < lines || pick(rng) % 2) text += ends[pick(rng) % 6];
    }
    return text;
}

}  // namespace testing_support
