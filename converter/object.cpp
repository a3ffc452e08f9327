#include "converter/object.h"

#include <map>
#include <string>

namespace kivo::converter {

namespace {

std::map<std::string, const CRuntimeClass*, std::less<>>& Classes() {
    static std::map<std::string, const CRuntimeClass*, std::less<>> classes;
    return classes;
}

}  // namespace

void RegisterRuntimeClass(const CRuntimeClass* record) {
    Classes().emplace(record->m_lpszClassName, record);
}

const CRuntimeClass* FindRuntimeClass(std::string_view name) {
    auto it = Classes().find(name);
    return it == Classes().end() ? nullptr : it->second;
}

}  // namespace kivo::converter
