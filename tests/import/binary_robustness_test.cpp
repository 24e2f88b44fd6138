// Every truncated prefix of a valid file, and a few thousand randomly damaged copies, for each binary format (and
// MDI): each read returns 0 or 1 and never holds more points than the file has bytes for.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "binary_fixture.h"
#include "support/diffracat_writer.h"
#include "support/diffracplus_writer.h"
#include "support/mdi_writer.h"
#include "support/stoe_writer.h"

using binary_testing::ReaderTest;

namespace {

using Reader = int (CFileImporter::*)(const CString&);

class Robustness : public ReaderTest {
protected:
    void Check(const std::string& bytes, Reader read, int maxPoints, const std::string& what) {
        const std::string path = Put(bytes);
        target.CGraphData::RemoveAll();
        const int r = (imp.*read)(path);
        ASSERT_TRUE(r == 0 || r == 1) << what;
        ASSERT_LE(target.GetSize(), maxPoints) << what;
        ui.messages.clear();
    }

    // Every prefix, then `rounds` copies with 1 to 8 bytes replaced (or, one time in four, a whole random 32-bit
    // word written at one of the offsets that count or locate data).
    void Torture(const std::string& valid, Reader read, const std::vector<size_t>& hotSpots, int rounds) {
        for (size_t n = 0; n <= valid.size(); ++n) Check(valid.substr(0, n), read, static_cast<int>(n), "prefix");
        std::mt19937 rng(12345);
        for (int round = 0; round < rounds; ++round) {
            std::string bytes = valid;
            if (rng() % 4 == 0 && !hotSpots.empty()) {
                const size_t at = hotSpots[rng() % hotSpots.size()];
                const std::uint32_t v = rng() % 2 ? rng() : 0x7FFF0000u | (rng() & 0xFFFF);
                for (int k = 0; k < 4 && at + k < bytes.size(); ++k) bytes[at + k] = static_cast<char>(v >> (8 * k));
            } else {
                for (int k = 1 + rng() % 8; k > 0; --k) bytes[rng() % bytes.size()] = static_cast<char>(rng());
            }
            Check(bytes, read, static_cast<int>(bytes.size()), "mutation " + std::to_string(round));
        }
    }
};

std::vector<float> Floats(int n) {
    std::vector<float> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<float>(i * 3 % 17));
    return v;
}

}  // namespace

TEST_F(Robustness, DiffracPlus) {
    testing_support::DiffracPlusFile f;
    f.sample = "sample";
    testing_support::DiffracPlusRange r;
    r.counts = Floats(40);
    r.supplementary = std::string(40, 'S');
    f.ranges = {r, r};
    const std::string valid = testing_support::WriteDiffracPlus(f);
    ASSERT_EQ(imp.ReadDiffracPlusFile(Put(valid)), 1);
    ASSERT_EQ(target.GetSize(), 40);
    Torture(valid, &CFileImporter::ReadDiffracPlusFile, {12, 712, 716, 712 + 256}, 2500);
}

TEST_F(Robustness, DiffracAt) {
    testing_support::DiffracAtFile f;
    testing_support::DiffracAtRange r;
    r.counts = Floats(40);
    f.ranges = {r, r};
    const std::string valid = testing_support::WriteDiffracAt(f);
    ASSERT_EQ(imp.ReadDiffracAtFile(Put(valid)), 1);
    ASSERT_EQ(target.GetSize(), 40);
    Torture(valid, &CFileImporter::ReadDiffracAtFile, {4, 256, 258}, 2500);
}

TEST_F(Robustness, Stoe) {
    testing_support::StoeFile f;
    f.magic = "RAW_1.02";  // takes the repair paths too
    testing_support::StoeRange shorts, longs;
    shorts.dataType = 1;
    longs.dataType = 2;
    for (int i = 0; i < 300; ++i) shorts.counts.push_back(i), longs.counts.push_back(i * 1000);
    f.ranges = {shorts, longs};
    const std::string valid = testing_support::WriteStoe(f);
    ASSERT_EQ(imp.ReadStoeFile(Put(valid)), 1);
    ASSERT_EQ(target.GetSize(), 300);
    Torture(valid, &CFileImporter::ReadStoeFile, {308, 378, 466, 480, 512 + 34, 512 + 38, 512 + 40}, 2500);
    // Range 2 as well, through the range reader.
    f.ranges = {longs, shorts};
    Torture(testing_support::WriteStoe(f), &CFileImporter::ReadStoeFile, {480, 512 + 34, 512 + 38}, 500);
}

TEST_F(Robustness, Mdi) {
    testing_support::MdiFile f;
    for (int i = 0; i < 30; ++i) f.counts.push_back(i * 7);
    const std::string valid = testing_support::WriteMdi(f);
    ASSERT_EQ(imp.ReadMdiFile(Put(valid)), 1);
    Torture(valid, &CFileImporter::ReadMdiFile, {}, 1500);
}
