#include "xrddata/pattern/xrddfile.h"

#include <cstdio>
#include <cstring>

#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/archive.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/file.h"

namespace {
constexpr unsigned char kMagic[4] = {0x40, 0x18, 0x24, 0x37};  // 0x37241840, little-endian
}

void SavePatternFile(CXRDData& pattern, const CString& path) {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    SavePatternFile(pattern, file);
    file.Close();
}

void SavePatternFile(CXRDData& pattern, CFile& file) {
    CArchive ar(&file, CArchive::store);
    pattern.Serialize(ar);
    ar.Close();
}

void LoadPatternFile(CXRDData& pattern, const CString& path) {
    CFile file(path.c_str(), CFile::modeRead | CFile::typeBinary);
    // Loading replaces members one by one; read into a fresh pattern so that a bad file changes nothing.
    CXRDData loaded(0);
    CArchive ar(&file, CArchive::load);
    loaded.Serialize(ar);
    ar.Close();
    pattern = loaded;
    // The assignment keeps the target's own zero error, peak flag and automatic width; the file's count.
    pattern.m_dZeroError = loaded.m_dZeroError;
    pattern.m_bPeakData = loaded.m_bPeakData;
    pattern.m_bAutoWidth = loaded.m_bAutoWidth;
}

int IsPatternFile(const CString& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    unsigned char head[4] = {0, 0, 0, 0};
    const size_t n = std::fread(head, 1, 4, f);
    std::fclose(f);
    return StartsWithPatternMagic(head, n);
}

bool StartsWithPatternMagic(const void* data, size_t size) {
    return size >= sizeof kMagic && std::memcmp(data, kMagic, sizeof kMagic) == 0;
}
