#include "xrddata/platform/filetime.h"

#include <sys/stat.h>

#include <ctime>

bool GetFileModifiedTime(const char* path, COleDateTime& out) {
    if (!path) return false;
    struct stat st {};
    if (stat(path, &st) != 0) return false;
    std::time_t t = st.st_mtime;
    std::tm local{};
    if (!localtime_r(&t, &local)) return false;
    COleDateTime value;
    // A leap second (60) is shown as the last second of its minute.
    int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    if (value.SetDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          second) != 0)
        return false;
    out = value;
    return true;
}
