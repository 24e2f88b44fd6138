// The in-place ascending sort of the array of doubles and the point set. Its exact steps fix the order in which
// equal keys end, which stored results depend on, so they are kept as they always were: exchange passes for two or
// fewer elements, otherwise a heap sort on positions 1..n. Every move of a key moves the companion values of the
// same point (y, error) with it.
#pragma once

#include <cstddef>
#include <utility>

namespace xrd_detail {

// Sorts keys[0..n) ascending and applies every move to the `companions` parallel arrays (each may be null).
template <int NC>
void HeapSortWith(double* keys, int n, double* const (&companions)[NC]) {
    if (n <= 0) return;
    // Strictly ascending keys are already in the one order any of the steps below can produce.
    int ascending = 1;
    while (ascending < n && keys[ascending - 1] < keys[ascending]) ++ascending;
    if (ascending >= n) return;
    if (n <= 2) {
        bool swapped = true;
        while (swapped) {
            swapped = false;
            for (int j = 0; j + 1 < n; ++j) {
                if (keys[j + 1] < keys[j]) {
                    std::swap(keys[j], keys[j + 1]);
                    for (int c = 0; c < NC; ++c)
                        if (companions[c]) std::swap(companions[c][j], companions[c][j + 1]);
                    swapped = true;
                }
            }
        }
        return;
    }
    // One-based views: position p is element p-1.
    double* k = keys - 1;
    double* comp[NC > 0 ? NC : 1];
    for (int c = 0; c < NC; ++c) comp[c] = companions[c] ? companions[c] - 1 : nullptr;
    double vc[NC > 0 ? NC : 1];

    auto take = [&](int p, double& v) {
        v = k[p];
        for (int c = 0; c < NC; ++c)
            if (comp[c]) vc[c] = comp[c][p];
    };
    auto move = [&](int from, int to) {
        k[to] = k[from];
        for (int c = 0; c < NC; ++c)
            if (comp[c]) comp[c][to] = comp[c][from];
    };
    auto put = [&](int p, double v) {
        k[p] = v;
        for (int c = 0; c < NC; ++c)
            if (comp[c]) comp[c][p] = vc[c];
    };

    // Build the heap by sifting each new element up.
    for (int j = 2; j <= n; ++j) {
        double v;
        take(j, v);
        int i = j;
        while (i > 1 && k[i / 2] < v) {
            move(i / 2, i);
            i /= 2;
        }
        put(i, v);
    }
    // Extract: the root goes to the end, the former last element sinks from the root.
    for (int m = n; m >= 2; --m) {
        double v;
        take(m, v);
        move(1, m);
        int i = 1;
        int c = 2;
        if (m > 3 && k[2] < k[3]) c = 3;
        if (m == 2) {
            put(1, v);
            continue;
        }
        while (v < k[c]) {
            move(c, i);
            i = c;
            c = 2 * c;
            if (c + 1 <= m - 1 && k[c + 1] > k[c]) c = c + 1;
            if (c >= m) break;
        }
        put(i, v);
    }
}

}  // namespace xrd_detail
