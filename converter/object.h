#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace kivo::converter {

class CArchive;
class CObject;

// What an archive needs to make an object from the class name it stored.
struct CRuntimeClass {
    const char* m_lpszClassName;
    uint32_t m_wSchema;
    std::unique_ptr<CObject> (*m_pfnCreateObject)();
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const = 0;
    virtual void Serialize(CArchive& archive) = 0;
};

// Class records by name; registering a name again keeps the first record.
void RegisterRuntimeClass(const CRuntimeClass* record);
const CRuntimeClass* FindRuntimeClass(std::string_view name);

}  // namespace kivo::converter
