#include "xrddata/formats/measurement.h"

namespace xrddata::formats {

const std::string* find_property(const Properties& properties, std::string_view key) {
    for (const auto& [k, v] : properties)
        if (k == key) return &v;
    return nullptr;
}

}  // namespace xrddata::formats
