// The point set's text import: one point per line, "x y [error]" read as "%lf %lf %lf" (white space separates, a
// comma does not), the lines as a text-mode read into a 256-byte line buffer gives them (platform/linepieces.h).
//
// The file is read in large blocks and its lines are scanned where they lie; the points go straight into columns
// that the set then takes over (GrowColumn), and an error column exists only once a line gives an error of its own
// (without one the set takes counting statistics, which keep no error column).
#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "xrddata/arrays/columns.h"
#include "xrddata/arrays/graphdata.h"
#include "xrddata/platform/file.h"
#include "xrddata/platform/linepieces.h"
#include "xrddata/platform/scanline.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 18;

double CountingError(double y) { return y > 0 ? std::sqrt(y) : DBL_MIN; }

// The columns being read: x, y and, once a line has its own error, the errors. std::bad_alloc when the set cannot
// hold another point.
class ImportColumns {
public:
    std::size_t size() const { return x_.size(); }
    bool ownErrors() const { return ownErrors_; }

    // Appends a point of n (2 or 3) values.
    void add(const double* v, int n) {
        if (n == 3 && !ownErrors_) {
            // The points so far get the errors their two-number lines stand for.
            ownErrors_ = true;
            e_.reserve(y_.capacity());
            for (double y : y_) e_.push_back(CountingError(y));
        }
        x_.push_back(v[0]);
        y_.push_back(v[1]);
        if (ownErrors_) e_.push_back(n == 3 ? v[2] : CountingError(v[1]));
    }

    // Room for at least n points.
    void reserve(std::size_t n) {
        x_.reserve(n);
        y_.reserve(n);
    }

    // The points into g, whose columns are empty: the buffers change hands.
    void moveInto(CGraphData& g) {
        CGraphDataColumns::Adopt(CGraphDataColumns::Column(g, CGraphData::X), x_);
        CGraphDataColumns::Adopt(CGraphDataColumns::Column(g, CGraphData::Y), y_);
        if (ownErrors_) CGraphDataColumns::Adopt(CGraphDataColumns::Column(g, CGraphData::YError), e_);
    }

private:
    GrowColumn x_, y_, e_;
    bool ownErrors_ = false;
};

}  // namespace

int CGraphData::DoImportFile(const char* path) {
    if (!path) return 0;
    CFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeRead | CFile::typeBinary, &error)) {
        error.ReportError();
        return 0;
    }
    // The points are read aside and replace the set only when the whole file was good, so a bad line leaves the
    // set as it was.
    ImportColumns points;
    try {
        std::vector<char> block(kBlock);
        bool estimated = false;
        std::size_t held = 0;  // bytes at the start of block: the unfinished line of the previous read
        for (;;) {
            const UINT got = file.Read(block.data() + held, static_cast<UINT>(block.size() - held));
            if (got == 0) break;  // what is left has no line feed: no line
            // Room for the whole file's points, estimated from the first block (and bounded by the file's size).
            if (!estimated) points.reserve(xrddata::platform::EstimatePoints(block.data(), got, file.GetLength()));
            estimated = true;
            held += got;
            xrddata::platform::LineEndPieces lines(block.data(), held);
            const char* first;
            const char* last;
            while (lines.next(first, last)) {
                double v[3];
                const int n = xrddata::platform::ScanLineDoubles(first, last, v, 3);
                if (n != 2 && n != 3) {
                    AfxMessageBox("Bad x,y (error) values", MB_ICONEXCLAMATION | MB_OK);
                    return 0;
                }
                points.add(v, n);
            }
            std::size_t rest = held - lines.offset();
            if (rest == block.size()) {
                // A line longer than the block: its pieces before the last do not count, so whole pieces of
                // 255 characters (it has no line feed, so every byte is one character) go, some 256 stay.
                rest -= (rest - 256) / xrddata::platform::LineEndPieces::kPiece *
                        xrddata::platform::LineEndPieces::kPiece;
            }
            std::memmove(block.data(), block.data() + held - rest, rest);
            held = rest;
        }
    } catch (const CFileException& e) {
        e.ReportError();
        return 0;
    } catch (const std::bad_alloc& e) {
        ReportException(e);
        return 0;
    }
    RemoveAll();
    if (points.size() == 0) return 1;
    if (points.ownErrors()) SetCustomErrors();
    else SetCountingStatistics();
    points.moveInto(*this);
    Sort();
    return 1;
}
