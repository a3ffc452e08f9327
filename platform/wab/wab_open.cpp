#include "platform/wab/addr_book.h"
#include "platform/wab/mapi.h"
#include "platform/wab/wab_object.h"

// Opens the address-book file that the parameter record names. Both objects share the file and
// the allocator; each lives until its Release.
extern "C" __attribute__((visibility("default"))) HRESULT WABOpen(IAddrBook** addrBook,
                                                                  IWABObject** wabObject,
                                                                  WAB_PARAM* params,
                                                                  uint32_t reserved) {
    if (addrBook == nullptr || wabObject == nullptr)
        return MAPI_E_INVALID_PARAMETER;
    *addrBook = nullptr;
    *wabObject = nullptr;
    if (params == nullptr || params->cbSize < sizeof(WAB_PARAM) || reserved != 0)
        return MAPI_E_INVALID_PARAMETER;
    if (params->ulFlags != 0)
        return MAPI_E_UNKNOWN_FLAGS;
    if (params->szFileName == nullptr || *params->szFileName == '\0')
        return MAPI_E_NOT_FOUND;
    auto session = std::make_shared<kivo::wab::Session>();
    if (HRESULT hr = kivo::wab::Book::Load(params->szFileName, session->book); hr != S_OK)
        return hr;
    *addrBook = kivo::wab::NewObject<kivo::wab::AddrBook>(session);
    *wabObject = kivo::wab::NewObject<kivo::wab::WabObject>(session);
    return S_OK;
}
