// A program outside the project that uses the installed library through the umbrella header alone: builds a
// pattern, writes and reads its archive record in memory, then as a pattern archive file read back through the
// loading of any file, writes its .xye points, and prints what came back. It links against the library only, so
// each of these pieces must be exported by it.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <xrddata/xrddata.h>

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

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
    bool ok = back.GetSize() == 3 && back.m_strSampleName == "consumer";

    char dir[] = "/tmp/xrddata-consumer-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string archive = std::string(dir) + "/p.xrdd", points = std::string(dir) + "/p.xye";
    SavePatternFile(pattern, archive);
    CXRDData loaded(0);
    LoadedFormat format;
    ok = ok && IsPatternFile(archive) && LoadPattern(loaded, archive, format) == 1 && format.code == -1 &&
         loaded.m_strSampleName == "consumer" && loaded.GetSize() == 3;
    WriteXyeFile(loaded, points);
    ok = ok && Contents(points) == "10 100 10\n10.02 400 20\n10.04 100 10\n" && Contents(points) == XyeText(loaded);
    unlink(archive.c_str());
    unlink(points.c_str());
    rmdir(dir);
    return ok ? 0 : 1;
}
