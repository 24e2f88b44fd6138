// Whether a shared object named in the settings store may be loaded into this process as a component. Loading
// runs its code with the rights of the process (root's, for a program run by root), so only a file that nobody
// but its owner and root can replace qualifies:
// - the path is absolute (a relative one would be found from whatever folder the process happens to be in);
// - the file, after symbolic links, is a regular file owned by root or by the user the process runs as, and not
//   writable by its group or by others;
// - its folder (that of the path as named, and that of the file the links lead to) likewise;
// - every folder above those is owned by root or that user and, when its group or others may write to it,
//   has the sticky bit (so that they cannot rename what lies in it).
#pragma once

#include "xrddata/platform/types.h"

struct ComponentFileCheck {
    enum Result { allowed, missing, refused };
    Result result = allowed;
    CString reason;  // missing: why ("cannot be found (...)"); refused: what is wrong, naming the file or folder
};

XRDDATA_API ComponentFileCheck CheckComponentFile(const CString& path);
