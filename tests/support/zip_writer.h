// Zip archives built in memory with libzip, for the tests of the zip-based formats (BRML, RASX), and the two
// forgeries the readers must refuse: a member whose directory entries state another inflated size, and a member
// whose stored data are damaged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct ZipMember {
    std::string name;
    std::string content;
    bool deflate = true;  // else stored
};

// The archive's bytes, members in the given order.
std::string ZipBytes(const std::vector<ZipMember>& members);

// Sets the inflated size the member's local header and central directory entry state.
void SetDeclaredSize(std::string& zip, const std::string& member, std::uint32_t size);

}  // namespace testing_support
