// Index-ranged vectors and matrices of the numerical library. A vector for lo..hi is one block of hi-lo+2 elements
// (the first a spare) and the returned pointer v is valid at v[lo]..v[hi]; a matrix for rows rlo..rhi and columns
// clo..chi is indexed m[r][c] with one contiguous data block, rows one after another. Each allocator has a free_
// twin that takes the same lower bounds (upper bounds are accepted and ignored). Elements are sized by their type
// (long is 64-bit here). A range that cannot be allocated, including an empty-by-more-than-one range such as
// dvector(5, 2), raises std::bad_alloc.
//
// The returned pointers generally lie outside their block (v[0] before v[lo]). They are formed by integer
// arithmetic on the address (through uintptr_t) rather than by pointer arithmetic, so that no out-of-object pointer
// arithmetic happens; only the indexed elements inside the block are ever accessed.
#pragma once

#include <cstdint>

#include "xrddata/platform/export.h"

XRDDATA_API unsigned char* cvector(long lo, long hi);
XRDDATA_API float* vector(long lo, long hi);
XRDDATA_API int* ivector(long lo, long hi);
XRDDATA_API unsigned long* lvector(long lo, long hi);
XRDDATA_API double* dvector(long lo, long hi);
// Elements of `size` bytes, from malloc; released with free.
XRDDATA_API void* tvector(long lo, long hi, unsigned size);
XRDDATA_API double** dmatrix(long rlo, long rhi, long clo, long chi);
XRDDATA_API float** matrix(long rlo, long rhi, long clo, long chi);
XRDDATA_API int** imatrix(long rlo, long rhi, long clo, long chi);

// Null pointers are accepted and ignored.
XRDDATA_API void free_cvector(unsigned char* v, long lo, long hi);
XRDDATA_API void free_vector(float* v, long lo, long hi);
XRDDATA_API void free_ivector(int* v, long lo, long hi);
XRDDATA_API void free_lvector(unsigned long* v, long lo, long hi);
XRDDATA_API void free_dvector(double* v, long lo, long hi);
XRDDATA_API void free_tvector(void* v, long lo, long hi, unsigned size);
XRDDATA_API void free_dmatrix(double** m, long rlo, long rhi, long clo, long chi);
XRDDATA_API void free_matrix(float** m, long rlo, long rhi, long clo, long chi);
XRDDATA_API void free_imatrix(int** m, long rlo, long rhi, long clo, long chi);

// The pointer p such that p[lo] is *first: how a caller with zero-based storage hands it to a routine indexing from
// lo (OneBased(data) is "the address one before the first value"). Computed on the integer address, so no pointer
// arithmetic leaves the object; indexing p[lo..] then lands inside it again.
template <class T>
inline T* IndexFrom(T* first, long lo) {
    return reinterpret_cast<T*>(reinterpret_cast<std::uintptr_t>(first) -
                                static_cast<std::uintptr_t>(lo) * sizeof(T));
}
template <class T>
inline T* OneBased(T* first) {
    return IndexFrom(first, 1);
}
