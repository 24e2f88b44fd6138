#include "xrddata/module/smartgdi.h"

#include <cstring>

namespace {
// The one assignment routine of both classes: the four data words.
void CopyWords(std::uint32_t* to, const std::uint32_t* from) { std::memcpy(to, from, 4 * sizeof(std::uint32_t)); }
}  // namespace

SmartGDI::SmartGDI() : m_data{} {}
SmartGDI::SmartGDI(const SmartGDI& other) { CopyWords(m_data, other.m_data); }
SmartGDI& SmartGDI::operator=(const SmartGDI& other) {
    CopyWords(m_data, other.m_data);
    return *this;
}
SmartGDI::~SmartGDI() = default;
void SmartGDI::Select() {}
void SmartGDI::Deselect() {}
BOOL SmartGDI::IsSelected() const { return FALSE; }

SmartGDIAttribute::SmartGDIAttribute() : m_data{} {}
SmartGDIAttribute::SmartGDIAttribute(const SmartGDIAttribute& other) { CopyWords(m_data, other.m_data); }
SmartGDIAttribute& SmartGDIAttribute::operator=(const SmartGDIAttribute& other) {
    CopyWords(m_data, other.m_data);
    return *this;
}
SmartGDIAttribute::~SmartGDIAttribute() = default;
void SmartGDIAttribute::Set() {}
void SmartGDIAttribute::Restore() {}
