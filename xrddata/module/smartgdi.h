// SmartGDI and SmartGDIAttribute: small value classes of the graphics helper library whose copy operations this
// library exports. Each holds four 32-bit data words; copying copies the words and gives the copy the class's own
// virtual table; assignment copies the words only (the object keeps its class).
#pragma once

#include <cstdint>

#include "xrddata/platform/types.h"

class XRDDATA_API SmartGDI {
public:
    SmartGDI();
    SmartGDI(const SmartGDI& other);
    SmartGDI& operator=(const SmartGDI& other);
    virtual ~SmartGDI();

    // Selecting the held object into its device context; done by derived classes.
    virtual void Select();
    virtual void Deselect();
    virtual BOOL IsSelected() const;

    std::uint32_t m_data[4];
};

class XRDDATA_API SmartGDIAttribute {
public:
    SmartGDIAttribute();
    SmartGDIAttribute(const SmartGDIAttribute& other);
    SmartGDIAttribute& operator=(const SmartGDIAttribute& other);
    virtual ~SmartGDIAttribute();

    // Setting an attribute of a device context and restoring the earlier one; done by derived classes.
    virtual void Set();
    virtual void Restore();

    std::uint32_t m_data[4];
};
