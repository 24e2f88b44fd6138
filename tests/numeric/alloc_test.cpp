// Index-ranged vectors and matrices: every index of the range is usable with elements of the allocator's type
// (the sanitizer build catches any access outside the block); impossible ranges raise the memory exception.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <new>
#include <tuple>

#include "xrddata/numeric/alloc.h"

namespace {

template <class T>
void Fill(T* v, long lo, long hi) {
    for (long i = lo; i <= hi; ++i) std::memset(&v[i], 0xA5, sizeof(T));  // every byte of every element
    for (long i = lo; i <= hi; ++i) v[i] = static_cast<T>(i - lo + 1);
    for (long i = lo; i <= hi; ++i) EXPECT_EQ(v[i], static_cast<T>(i - lo + 1)) << lo << ".." << hi << " at " << i;
}

}  // namespace

TEST(Alloc, VectorsAndMatricesCoverTheirRanges) {
    for (auto [lo, hi] : {std::pair{1L, 3L}, {0L, 2L}, {-5L, 5L}, {7L, 9L}, {4L, 3L}}) {
        double* d = dvector(lo, hi);
        float* f = vector(lo, hi);
        int* i = ivector(lo, hi);
        unsigned char* c = cvector(lo, hi);
        unsigned long* l = lvector(lo, hi);
        double* t = static_cast<double*>(tvector(lo, hi, sizeof(double)));
        Fill(d, lo, hi), Fill(f, lo, hi), Fill(i, lo, hi), Fill(c, lo, hi), Fill(l, lo, hi), Fill(t, lo, hi);
        if (hi > lo) {
            l[hi] = ~0UL;  // 64-bit elements really are 64 bits wide
            EXPECT_EQ(l[hi], ~0UL);
            EXPECT_EQ(l[hi - 1], static_cast<unsigned long>(hi - lo));
        }
        free_dvector(d, lo, hi), free_vector(f, lo, hi), free_ivector(i, lo, hi), free_cvector(c, lo, hi);
        free_lvector(l, lo, hi), free_tvector(t, lo, hi, sizeof(double));
    }
    for (auto [rlo, rhi, clo, chi] : {std::tuple{1L, 3L, 1L, 4L}, {0L, 2L, -1L, 1L}, {1L, 0L, 1L, 3L}}) {
        double** m = dmatrix(rlo, rhi, clo, chi);
        int** im = imatrix(rlo, rhi, clo, chi);
        for (long r = rlo; r <= rhi; ++r) {
            Fill(m[r], clo, chi), Fill(im[r], clo, chi);
            if (r > rlo) {
                EXPECT_EQ(&m[r][clo], &m[r - 1][clo] + (chi - clo + 1));  // rows one after another
            }
        }
        free_dmatrix(m, rlo, rhi, clo, chi);
        free_imatrix(im, rlo, rhi, clo, chi);
    }
    float** fm = matrix(5, 6, 3, 3);
    fm[6][3] = 2.5f;
    EXPECT_EQ(fm[6][3], 2.5f);
    free_matrix(fm, 5, 6, 3, 3);
}

TEST(Alloc, ImpossibleRangesRaiseTheMemoryExceptionAndNullIsIgnored) {
    EXPECT_THROW(dvector(5, 2), std::bad_alloc);
    EXPECT_THROW(dvector(0, LONG_MAX), std::bad_alloc);
    EXPECT_THROW(dvector(LONG_MIN, LONG_MAX), std::bad_alloc);
    EXPECT_THROW(tvector(1, LONG_MAX / 4, 64), std::bad_alloc);
    EXPECT_THROW(dmatrix(1, 1L << 31, 1, 1L << 31), std::bad_alloc);
    EXPECT_THROW(dmatrix(1, 3, 4, 1), std::bad_alloc);
    free_dvector(nullptr, 1, 3);
    free_dmatrix(nullptr, 1, 3, 1, 3);
    free_tvector(nullptr, 1, 3, 8);
    double z[3] = {1.5, 2.5, 3.5};
    EXPECT_EQ(OneBased(z)[1], 1.5);
    EXPECT_EQ(&IndexFrom(z, -1)[-1], &z[0]);
}
