// A program outside the project that uses the installed library: builds a pattern, writes and reads its archive
// record in memory, and prints what came back.
#include <cstdio>

#include <xrddata/pattern/xrddata.h>
#include <xrddata/platform/archive.h>
#include <xrddata/platform/memfile.h>

int main() {
    const double x[] = {10.0, 10.02, 10.04};
    const double y[] = {100.0, 400.0, 100.0};
    const double e[] = {10.0, 20.0, 10.0};
    CXRDData pattern(3, x, y, e);
    pattern.m_strSampleName = "consumer";
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        pattern.Serialize(ar);
        ar.Close();
    }
    file.SeekToBegin();
    CXRDData back(0);
    CArchive ar(&file, CArchive::load);
    back.Serialize(ar);
    std::printf("%s %d %g\n", back.m_strSampleName.c_str(), back.GetSize(), back.GetMaxY());
    return back.GetSize() == 3 && back.m_strSampleName == "consumer" ? 0 : 1;
}
