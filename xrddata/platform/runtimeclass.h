// CObject and CRuntimeClass: the framework's run-time class information, so that an object can be created from its
// class description (dynamic creation, e.g. the worker-thread classes handed to AfxBeginThread) and asked for its
// class by name. Only single inheritance and the class name, base and creation function are modelled.
#pragma once

#include "xrddata/platform/types.h"

class CObject;

struct XRDDATA_API CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    CObject* (*m_pfnCreateObject)();  // null when the class is not dynamically creatable
    const CRuntimeClass* m_pBaseClass;

    // A new object of the class, or null when the class cannot be created dynamically (or memory ran out).
    CObject* CreateObject() const;
    // True when this class is pBaseClass or derives from it.
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

class XRDDATA_API CObject {
public:
    virtual ~CObject();
    virtual const CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                 \
public:                                             \
    static const CRuntimeClass class##class_name;   \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define XRD_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, pfnNew)                                      \
    const CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), \
                                                         pfnNew, RUNTIME_CLASS(base_class_name)};            \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    XRD_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                       \
    CObject* class_name::CreateObject() { return new class_name; }              \
    XRD_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, class_name::CreateObject)
