// Writing a whole buffer to a descriptor, retrying short writes and interruptions.
#pragma once

#include <string_view>

namespace tool {

// Writes every byte of bytes to fd: 0, or the errno of the failure (EIO when a write makes no progress).
int WriteAll(int fd, std::string_view bytes);

}  // namespace tool
