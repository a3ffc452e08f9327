#include "platform/wab/property_copy.h"

#include <cstring>
#include <limits>

namespace kivo::wab {

namespace {

class Copier {
public:
    Copier(Allocator& allocator, void* root) : allocator_(allocator), root_(root) {}

    bool Set(const StoredProperty& from, SPropValue& to) {
        to.ulPropTag = from.tag;
        switch (PropType(from.tag)) {
            case PT_I2:
                to.Value.i = static_cast<int16_t>(from.number);
                return true;
            case PT_LONG:
                to.Value.l = from.number;
                return true;
            case PT_BOOLEAN:
                to.Value.b = from.number != 0;
                return true;
            case PT_STRING8:
                return String(from.bytes, to.Value.lpszA);
            case PT_BINARY:
                return Binary(from.bytes, to.Value.bin);
            case PT_MV_STRING8:
                return Strings(from.values, to.Value.MVszA);
            case PT_MV_BINARY:
                return Binaries(from.values, to.Value.MVbin);
            default:
                to.ulPropTag = PropTag(PT_ERROR, PropId(from.tag));
                to.Value.err = MAPI_E_NO_SUPPORT;
                return true;
        }
    }

private:
    template <typename T>
    T* More(size_t count) {
        if (count > std::numeric_limits<uint32_t>::max() / sizeof(T))
            return nullptr;
        void* p = nullptr;
        if (allocator_.More(static_cast<uint32_t>(count * sizeof(T)), root_, &p) != S_OK)
            return nullptr;
        return static_cast<T*>(p);
    }
    bool String(const std::string& text, char*& to) {
        to = More<char>(text.size() + 1);
        if (to == nullptr)
            return false;
        std::memcpy(to, text.c_str(), text.size() + 1);
        return true;
    }
    bool Binary(const std::string& bytes, SBinary& to) {
        to.cb = static_cast<uint32_t>(bytes.size());
        to.lpb = More<uint8_t>(bytes.size());
        if (to.lpb == nullptr)
            return false;
        std::memcpy(to.lpb, bytes.data(), bytes.size());
        return true;
    }
    bool Strings(const std::vector<std::string>& values, SStringArray& to) {
        to.cValues = static_cast<uint32_t>(values.size());
        to.lppszA = More<char*>(values.size());
        if (to.lppszA == nullptr)
            return false;
        for (size_t i = 0; i < values.size(); ++i)
            if (!String(values[i], to.lppszA[i]))
                return false;
        return true;
    }
    bool Binaries(const std::vector<std::string>& values, SBinaryArray& to) {
        to.cValues = static_cast<uint32_t>(values.size());
        to.lpbin = More<SBinary>(values.size());
        if (to.lpbin == nullptr)
            return false;
        for (size_t i = 0; i < values.size(); ++i)
            if (!Binary(values[i], to.lpbin[i]))
                return false;
        return true;
    }

    Allocator& allocator_;
    void* root_;
};

const StoredProperty* Find(const std::vector<StoredProperty>& props, uint32_t tag) {
    for (const auto& p : props)
        if (p.tag == tag)
            return &p;
    return nullptr;
}

}  // namespace

HRESULT CopyProperties(Allocator& allocator, const std::vector<StoredProperty>& props,
                       const SPropTagArray* tags, uint32_t* count, SPropValue** values) {
    if (count == nullptr || values == nullptr)
        return MAPI_E_INVALID_PARAMETER;
    *count = 0;
    *values = nullptr;
    size_t n = tags ? tags->cValues : props.size();
    if (n > std::numeric_limits<uint32_t>::max() / sizeof(SPropValue))
        return MAPI_E_INVALID_PARAMETER;
    void* root = nullptr;
    if (HRESULT hr = allocator.Allocate(static_cast<uint32_t>(n * sizeof(SPropValue)), &root);
        hr != S_OK)
        return hr;
    auto* out = static_cast<SPropValue*>(root);
    Copier copier(allocator, root);
    HRESULT result = S_OK;
    for (size_t i = 0; i < n; ++i) {
        const StoredProperty* from = tags ? Find(props, tags->aulPropTag[i]) : &props[i];
        if (from == nullptr) {
            out[i].ulPropTag = PropTag(PT_ERROR, PropId(tags->aulPropTag[i]));
            out[i].Value.err = MAPI_E_NOT_FOUND;
            result = MAPI_W_ERRORS_RETURNED;
        } else if (!copier.Set(*from, out[i])) {
            allocator.Free(root);
            return MAPI_E_NOT_ENOUGH_MEMORY;
        }
    }
    *count = static_cast<uint32_t>(n);
    *values = out;
    return result;
}

}  // namespace kivo::wab
