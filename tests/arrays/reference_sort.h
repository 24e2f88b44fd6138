// A straightforward transcription of the sorting steps, on a vector of points with one-based positions, used as
// the reference for the order in which equal keys end.
#pragma once

#include <vector>

struct RefPoint {
    double x, y, e;
};

inline void ReferenceSort(std::vector<RefPoint>& pts) {
    int n = static_cast<int>(pts.size());
    if (n <= 2) {
        bool again = true;
        while (again) {
            again = false;
            for (int j = 0; j + 1 < n; ++j)
                if (pts[j + 1].x < pts[j].x) {
                    RefPoint t = pts[j];
                    pts[j] = pts[j + 1];
                    pts[j + 1] = t;
                    again = true;
                }
        }
        return;
    }
    std::vector<RefPoint> a(n + 1);
    for (int p = 1; p <= n; ++p) a[p] = pts[p - 1];
    for (int j = 2; j <= n; ++j) {
        RefPoint v = a[j];
        int i = j;
        while (i > 1 && a[i / 2].x < v.x) {
            a[i] = a[i / 2];
            i = i / 2;
        }
        a[i] = v;
    }
    for (int m = n; m >= 2; --m) {
        RefPoint v = a[m];
        a[m] = a[1];
        int i = 1, c = 2;
        if (m > 3 && a[2].x < a[3].x) c = 3;
        if (m == 2) {
            a[1] = v;
            continue;
        }
        while (v.x < a[c].x) {
            a[i] = a[c];
            i = c;
            c = 2 * c;
            if (c + 1 <= m - 1 && a[c + 1].x > a[c].x) c = c + 1;
            if (c >= m) break;
        }
        a[i] = v;
    }
    for (int p = 1; p <= n; ++p) pts[p - 1] = a[p];
}
