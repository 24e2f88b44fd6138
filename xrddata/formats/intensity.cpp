#include "xrddata/formats/intensity.h"

#include <strings.h>

#include <string>

#include "xrddata/formats/lines.h"

namespace xrddata::formats {

bool IsRateUnit(std::string_view unit) {
    const std::string u(TrimBlanks(unit));
    for (const char* rate : {"cps", "counts/s", "counts/sec", "counts per second", "count/s", "1/s", "c/s"})
        if (strcasecmp(u.c_str(), rate) == 0) return true;
    return false;
}

bool RateToCounts(Scan& scan) {
    if (scan.time_per_point.size() == scan.counts.size() && !scan.counts.empty()) {
        for (std::size_t i = 0; i < scan.counts.size(); ++i) scan.counts[i] *= scan.time_per_point[i];
        return true;
    }
    if (!scan.step_time) return false;
    for (double& c : scan.counts) c *= *scan.step_time;
    return true;
}

void NoteRateConversion(Metadata& meta, std::string_view unit) {
    if (find_property(meta.properties, "intensity")) return;
    meta.properties.emplace_back("intensity", "counts: the file stores counts per second (" + std::string(unit) +
                                                  "), multiplied by the counting time of each point");
}

}  // namespace xrddata::formats
