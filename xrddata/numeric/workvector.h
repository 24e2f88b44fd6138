// Scope guards for the work storage of the numerical routines: an index-ranged vector or matrix from the
// allocators that is released on every way out of the routine, including a raised numerical error.
#pragma once

#include <type_traits>

#include "xrddata/numeric/alloc.h"

template <class T>
class WorkVector {
public:
    WorkVector(long lo, long hi) : m_lo(lo), m_hi(hi), m_p(Allocate(lo, hi)) {}
    // Takes over a vector already allocated for lo..hi.
    WorkVector(T* p, long lo, long hi) : m_lo(lo), m_hi(hi), m_p(p) {}
    ~WorkVector() { Release(m_p, m_lo, m_hi); }
    WorkVector(const WorkVector&) = delete;
    WorkVector& operator=(const WorkVector&) = delete;

    T& operator[](long i) const { return m_p[i]; }
    T* get() const { return m_p; }

private:
    static T* Allocate(long lo, long hi) {
        if constexpr (std::is_same_v<T, double>) return dvector(lo, hi);
        else if constexpr (std::is_same_v<T, int>) return ivector(lo, hi);
        else if constexpr (std::is_same_v<T, float>) return vector(lo, hi);
        else if constexpr (std::is_same_v<T, unsigned long>) return lvector(lo, hi);
        else return cvector(lo, hi);
    }
    static void Release(T* p, long lo, long hi) {
        if constexpr (std::is_same_v<T, double>) free_dvector(p, lo, hi);
        else if constexpr (std::is_same_v<T, int>) free_ivector(p, lo, hi);
        else if constexpr (std::is_same_v<T, float>) free_vector(p, lo, hi);
        else if constexpr (std::is_same_v<T, unsigned long>) free_lvector(p, lo, hi);
        else free_cvector(p, lo, hi);
    }

    long m_lo, m_hi;
    T* m_p;
};

class WorkMatrix {
public:
    WorkMatrix(long rlo, long rhi, long clo, long chi)
        : m_rlo(rlo), m_rhi(rhi), m_clo(clo), m_chi(chi), m_p(dmatrix(rlo, rhi, clo, chi)) {}
    ~WorkMatrix() { free_dmatrix(m_p, m_rlo, m_rhi, m_clo, m_chi); }
    WorkMatrix(const WorkMatrix&) = delete;
    WorkMatrix& operator=(const WorkMatrix&) = delete;

    double* operator[](long r) const { return m_p[r]; }
    double** get() const { return m_p; }

private:
    long m_rlo, m_rhi, m_clo, m_chi;
    double** m_p;
};
