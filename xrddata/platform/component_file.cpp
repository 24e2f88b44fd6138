#include "xrddata/platform/component_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "xrddata/platform/strutil.h"

namespace {

CString FolderOf(const CString& path) {
    size_t slash = path.find_last_of('/');
    if (slash == CString::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

bool OwnedBySelfOrRoot(const struct stat& st) { return st.st_uid == 0 || st.st_uid == ::geteuid(); }

bool WritableByOthers(const struct stat& st) { return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0; }

// The folder and every folder above it; empty when all qualify, else the reason.
CString CheckFolders(const CString& folder) {
    CString dir = folder;
    for (bool first = true;; first = false) {
        struct stat st;
        if (::stat(dir.c_str(), &st) != 0) return Format("the folder %s cannot be examined (%s)", dir.c_str(),
                                                         std::strerror(errno));
        if (!OwnedBySelfOrRoot(st))
            return Format("the folder %s belongs to another user (uid %u)", dir.c_str(),
                          static_cast<unsigned>(st.st_uid));
        if (WritableByOthers(st) && (first || !(st.st_mode & S_ISVTX)))
            return Format("the folder %s is writable by users other than its owner", dir.c_str());
        if (dir == "/") return CString();
        dir = FolderOf(dir);
    }
}

}  // namespace

ComponentFileCheck CheckComponentFile(const CString& path) {
    ComponentFileCheck check;
    auto refuse = [&](const CString& reason) {
        check.result = ComponentFileCheck::refused;
        check.reason = reason;
        return check;
    };
    if (path.empty() || path[0] != '/') return refuse("the path is not absolute");
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) {
        check.result = ComponentFileCheck::missing;
        check.reason = Format("cannot be found (%s)", std::strerror(errno));
        return check;
    }
    CString real = resolved;
    std::free(resolved);

    struct stat st;
    if (::stat(real.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return refuse(Format("%s is not a regular file", real.c_str()));
    if (!OwnedBySelfOrRoot(st))
        return refuse(Format("%s belongs to another user (uid %u)", real.c_str(), static_cast<unsigned>(st.st_uid)));
    if (WritableByOthers(st)) return refuse(Format("%s is writable by users other than its owner", real.c_str()));
    CString reason = CheckFolders(FolderOf(real));
    if (reason.empty() && FolderOf(path) != FolderOf(real)) reason = CheckFolders(FolderOf(path));
    if (!reason.empty()) return refuse(reason);
    return check;
}
