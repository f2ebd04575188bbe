#pragma once

// Run-time class records and the root class of the framework.

#include <win32/Types.h>

class CObject;

// One record per dynamic class. The base is reached through a function, so
// that records of different translation units need no order of
// initialisation.
struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema; // 0xFFFF: not serialisable
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* (*m_pfnGetBaseClass)();

    const CRuntimeClass* GetBaseClass() const {
        return m_pfnGetBaseClass ? m_pfnGetBaseClass() : nullptr;
    }
    // A class is derived from itself.
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
    // Null when the class has no creation function.
    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
};

class CObject {
public:
    virtual ~CObject() = default;

    static const CRuntimeClass classCObject;
    static const CRuntimeClass* GetThisClass();
    virtual const CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_DYNAMIC(class_name)                                                                \
public:                                                                                            \
    static const CRuntimeClass class##class_name;                                                  \
    static const CRuntimeClass* GetThisClass();                                                    \
    const CRuntimeClass* GetRuntimeClass() const override;

// A dynamic class that cannot be created from its record: no creation
// function, schema 0xFFFF.
#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                             \
    const CRuntimeClass class_name::class##class_name = {                                          \
        #class_name, static_cast<int>(sizeof(class_name)), 0xFFFF, nullptr,                        \
        &base_class_name::GetThisClass};                                                           \
    const CRuntimeClass* class_name::GetThisClass() {                                              \
        return &class_name::class##class_name;                                                     \
    }                                                                                              \
    const CRuntimeClass* class_name::GetRuntimeClass() const {                                     \
        return &class_name::class##class_name;                                                     \
    }
