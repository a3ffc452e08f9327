#include "addressbridge/tests/scripted_wab.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

void Log(const std::string& call) {
    WabScript().calls.push_back(call);
}

template <typename Interface>
class Scripted : public Interface {
public:
    explicit Scripted(std::string name) : name_(std::move(name)) { ++WabScript().liveObjects; }
    virtual ~Scripted() { --WabScript().liveObjects; }
    uint32_t Release() override {
        Log("Release " + name_);
        delete this;
        return 0;
    }

private:
    std::string name_;
};

template <typename T, typename... Args>
T* Make(Args&&... args) {
    return std::make_unique<T>(std::forward<Args>(args)...).release();
}

HRESULT Allocate(uint32_t size, void** out) {
    return WabScript().allocator.Allocate(size, out);
}

char* CopyString(const std::string& s, void* root) {
    void* p = nullptr;
    WabScript().allocator.More(static_cast<uint32_t>(s.size() + 1), root, &p);
    std::memcpy(p, s.c_str(), s.size() + 1);
    return static_cast<char*>(p);
}

// Identifiers are four bytes: 0 for the personal address book, n for the n-th contact.
uint32_t IdOf(uint32_t size, const ENTRYID* id) {
    if (size != 4 || id == nullptr)
        return ~0u;
    uint32_t v;
    std::memcpy(&v, id, 4);
    return v;
}

class User : public Scripted<IMailUser> {
public:
    explicit User(const ScriptedContact& c) : Scripted("MailUser"), contact_(c) {}
    HRESULT GetProps(const SPropTagArray* tags, uint32_t flags, uint32_t* count,
                     SPropValue** props) override {
        Log("GetProps " + std::string(tags ? "tags" : "all") + " " + std::to_string(flags));
        void* root = nullptr;
        Allocate(static_cast<uint32_t>(sizeof(SPropValue) * (contact_.strings.size() + 1)), &root);
        auto* out = static_cast<SPropValue*>(root);
        for (size_t i = 0; i < contact_.strings.size(); ++i) {
            out[i].ulPropTag = contact_.strings[i].first;
            out[i].Value.lpszA = CopyString(contact_.strings[i].second, root);
        }
        *count = static_cast<uint32_t>(contact_.strings.size());
        *props = out;
        return S_OK;
    }

private:
    ScriptedContact contact_;
};

class Table : public Scripted<IMAPITable> {
public:
    Table() : Scripted("Table") {}
    HRESULT SetColumns(const SPropTagArray* tags, uint32_t flags) override {
        std::string call = "SetColumns";
        for (uint32_t i = 0; i < tags->cValues; ++i)
            call += " " + Hex(tags->aulPropTag[i]);
        Log(call + " " + std::to_string(flags));
        return WabScript().setColumnsResult;
    }
    HRESULT SeekRow(uint32_t bookmark, int32_t rowCount, int32_t* sought) override {
        Log("SeekRow " + std::to_string(bookmark) + " " + std::to_string(rowCount) +
            (sought ? " count" : " none"));
        return WabScript().seekResult;
    }
    HRESULT QueryRows(int32_t rowCount, uint32_t flags, SRowSet** rows) override {
        Log("QueryRows " + std::to_string(rowCount) + " " + std::to_string(flags));
        auto& script = WabScript();
        if (static_cast<int>(next_) == script.queryFailsAtRow)
            return MAPI_E_CALL_FAILED;
        uint32_t n = next_ < script.contacts.size() ? 1 : 0;
        void* set = nullptr;
        Allocate(static_cast<uint32_t>(RowSetSize(n)), &set);
        auto* rowSet = static_cast<SRowSet*>(set);
        rowSet->cRows = n;
        if (n == 1) {
            void* root = nullptr;
            Allocate(3 * sizeof(SPropValue), &root);
            auto* props = static_cast<SPropValue*>(root);
            props[0].ulPropTag = PR_DISPLAY_NAME;
            props[0].Value.lpszA = CopyString("shown", root);
            uint32_t id = static_cast<uint32_t>(next_ + 1);
            props[1].ulPropTag = PR_ENTRYID;
            props[1].Value.bin.cb = 4;
            void* bytes = nullptr;
            if (!script.contacts[next_].entryIdWithoutBytes) {
                script.allocator.More(4, root, &bytes);
                std::memcpy(bytes, &id, 4);
            }
            props[1].Value.bin.lpb = static_cast<uint8_t*>(bytes);
            props[2].ulPropTag = PR_OBJECT_TYPE;
            props[2].Value.l = static_cast<int32_t>(script.contacts[next_].objectType);
            rowSet->aRow[0].cValues = 3;
            rowSet->aRow[0].lpProps = props;
            ++next_;
        }
        *rows = rowSet;
        return S_OK;
    }

private:
    size_t next_ = 0;
};

class Container : public Scripted<IABContainer> {
public:
    Container() : Scripted("Container") {}
    HRESULT GetProps(const SPropTagArray*, uint32_t, uint32_t*, SPropValue**) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetContentsTable(uint32_t flags, IMAPITable** table) override {
        Log("GetContentsTable " + std::to_string(flags));
        if (WabScript().contentsResult < 0)
            return WabScript().contentsResult;
        *table = Make<Table>();
        return S_OK;
    }
};

class Book : public Scripted<IAddrBook> {
public:
    Book() : Scripted("AddrBook") {}
    HRESULT GetPAB(uint32_t* size, ENTRYID** id) override {
        Log("GetPAB");
        if (WabScript().getPabResult < 0)
            return WabScript().getPabResult;
        void* p = nullptr;
        Allocate(4, &p);
        *size = 4;
        *id = static_cast<ENTRYID*>(p);
        return S_OK;
    }
    HRESULT OpenEntry(uint32_t size, const ENTRYID* id, const void* iface, uint32_t flags,
                      uint32_t* type, IUnknown** object) override {
        auto& script = WabScript();
        uint32_t which = IdOf(size, id);
        Log("OpenEntry " + std::to_string(which) + (iface ? " iface " : " ") +
            std::to_string(flags));
        if (which == 0) {
            if (script.openPabResult < 0)
                return script.openPabResult;
            *type = script.pabObjectType;
            *object = Make<Container>();
            return S_OK;
        }
        if (which > script.contacts.size() || script.contacts[which - 1].openFails)
            return MAPI_E_NOT_FOUND;
        *type = script.contacts[which - 1].objectType;
        *object = Make<User>(script.contacts[which - 1]);
        return S_OK;
    }
};

class WabObject : public Scripted<IWABObject> {
public:
    WabObject() : Scripted("WabObject") {}
    HRESULT AllocateBuffer(uint32_t size, void** buffer) override {
        Log("AllocateBuffer " + std::to_string(size));
        return Allocate(size, buffer);
    }
    HRESULT AllocateMore(uint32_t size, void* link, void** buffer) override {
        auto& script = WabScript();
        Log("AllocateMore " + std::to_string(size));
        if (script.allocateMoreCalls++ == script.failAllocateMoreAt) {
            *buffer = nullptr;
            return MAPI_E_NOT_ENOUGH_MEMORY;
        }
        return script.allocator.More(size, link, buffer);
    }
    HRESULT FreeBuffer(void* buffer) override {
        HRESULT hr = WabScript().allocator.Free(buffer);
        if (hr != S_OK)
            WabScript().foreignFrees.push_back(buffer);
        return hr;
    }
};

}  // namespace

ScriptedWab& WabScript() {
    static ScriptedWab script;
    return script;
}

extern "C" __attribute__((visibility("default"))) HRESULT WABOpen(IAddrBook** book,
                                                                  IWABObject** wab,
                                                                  WAB_PARAM* params,
                                                                  uint32_t reserved) {
    auto& script = WabScript();
    Log("WABOpen " + std::to_string(reserved));
    script.paramSize = params->cbSize;
    script.openedFile = params->szFileName ? params->szFileName : "<null>";
    if (script.openResult != S_OK)
        return script.openResult;
    *book = Make<Book>();
    *wab = Make<WabObject>();
    return S_OK;
}
