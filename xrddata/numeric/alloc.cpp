#include "xrddata/numeric/alloc.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

// Number of elements of the block for lo..hi: hi-lo+1 plus the spare. An inverted range beyond the empty one, or
// one whose length does not fit, cannot be allocated.
std::size_t BlockLength(long lo, long hi) {
    long n;
    if (__builtin_sub_overflow(hi, lo, &n) || n < -1 || __builtin_add_overflow(n, 2L, &n)) throw std::bad_alloc();
    return static_cast<std::size_t>(n);
}

template <class T>
T* NewVector(long lo, long hi) {
    T* block = new T[BlockLength(lo, hi)];
    // v[lo] is block[1]: v sits 1-lo elements after the block start (before it when lo > 1).
    return IndexFrom(block + 1, lo);
}

template <class T>
void DeleteVector(T* v, long lo) {
    if (v) delete[] (&v[lo] - 1);
}

template <class T>
T** NewMatrix(long rlo, long rhi, long clo, long chi) {
    std::size_t nrow = BlockLength(rlo, rhi) - 1, ncol = BlockLength(clo, chi) - 1;
    std::size_t cells;
    if (__builtin_mul_overflow(nrow, ncol, &cells) || cells > PTRDIFF_MAX / sizeof(T) - 1) throw std::bad_alloc();
    // The pointer block always has room for m[rlo], which locates the data block on release, even with no rows.
    std::unique_ptr<T*[]> rows(new T*[(nrow ? nrow : 1) + 1]);
    T* data = new T[cells + 1];
    T** m = IndexFrom(rows.get() + 1, rlo);
    m[rlo] = IndexFrom(data + 1, clo);
    for (std::size_t r = 1; r < nrow; ++r) rows[r + 1] = IndexFrom(data + 1 + r * ncol, clo);
    rows.release();
    return m;
}

template <class T>
void DeleteMatrix(T** m, long rlo, long clo) {
    if (!m) return;
    delete[] (&m[rlo][clo] - 1);
    delete[] (&m[rlo] - 1);
}

}  // namespace

unsigned char* cvector(long lo, long hi) { return NewVector<unsigned char>(lo, hi); }
float* vector(long lo, long hi) { return NewVector<float>(lo, hi); }
int* ivector(long lo, long hi) { return NewVector<int>(lo, hi); }
unsigned long* lvector(long lo, long hi) { return NewVector<unsigned long>(lo, hi); }
double* dvector(long lo, long hi) { return NewVector<double>(lo, hi); }

void* tvector(long lo, long hi, unsigned size) {
    std::size_t n = BlockLength(lo, hi), bytes;
    if (__builtin_mul_overflow(n, static_cast<std::size_t>(size), &bytes)) throw std::bad_alloc();
    void* block = std::malloc(bytes ? bytes : 1);
    if (!block) throw std::bad_alloc();
    // Element lo starts `size` bytes into the block.
    return reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(block) + size -
                                   static_cast<std::uintptr_t>(lo) * size);
}

double** dmatrix(long rlo, long rhi, long clo, long chi) { return NewMatrix<double>(rlo, rhi, clo, chi); }
float** matrix(long rlo, long rhi, long clo, long chi) { return NewMatrix<float>(rlo, rhi, clo, chi); }
int** imatrix(long rlo, long rhi, long clo, long chi) { return NewMatrix<int>(rlo, rhi, clo, chi); }

void free_cvector(unsigned char* v, long lo, long) { DeleteVector(v, lo); }
void free_vector(float* v, long lo, long) { DeleteVector(v, lo); }
void free_ivector(int* v, long lo, long) { DeleteVector(v, lo); }
void free_lvector(unsigned long* v, long lo, long) { DeleteVector(v, lo); }
void free_dvector(double* v, long lo, long) { DeleteVector(v, lo); }

void free_tvector(void* v, long lo, long, unsigned size) {
    if (v)
        std::free(reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(v) +
                                          static_cast<std::uintptr_t>(lo) * size - size));
}

void free_dmatrix(double** m, long rlo, long, long clo, long) { DeleteMatrix(m, rlo, clo); }
void free_matrix(float** m, long rlo, long, long clo, long) { DeleteMatrix(m, rlo, clo); }
void free_imatrix(int** m, long rlo, long, long clo, long) { DeleteMatrix(m, rlo, clo); }
