#pragma once

#include "platform/win/types.h"

#include <cstddef>
#include <cstdint>

// The address-book interfaces as callers of the address-book library see them: property values,
// tables of rows and the objects that hand them out. Every buffer an object returns comes from
// the WAB object's allocator and goes back with its FreeBuffer.

using HRESULT = int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT MAPI_W_ERRORS_RETURNED = 0x00040380;
inline constexpr HRESULT MAPI_E_CALL_FAILED = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT MAPI_E_INTERFACE_NOT_SUPPORTED = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT MAPI_E_NOT_ENOUGH_MEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT MAPI_E_INVALID_PARAMETER = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT MAPI_E_NO_SUPPORT = static_cast<HRESULT>(0x80040102);
inline constexpr HRESULT MAPI_E_UNKNOWN_FLAGS = static_cast<HRESULT>(0x80040106);
inline constexpr HRESULT MAPI_E_INVALID_ENTRYID = static_cast<HRESULT>(0x80040107);
inline constexpr HRESULT MAPI_E_NOT_FOUND = static_cast<HRESULT>(0x8004010F);
inline constexpr HRESULT MAPI_E_DISK_ERROR = static_cast<HRESULT>(0x80040116);
inline constexpr HRESULT MAPI_E_CORRUPT_DATA = static_cast<HRESULT>(0x8004011B);
inline constexpr HRESULT MAPI_E_INVALID_BOOKMARK = static_cast<HRESULT>(0x80040405);

// A property tag: the property id in the high 16 bits, its type in the low 16 bits.
inline constexpr uint32_t PropType(uint32_t tag) {
    return tag & 0xFFFF;
}
inline constexpr uint32_t PropId(uint32_t tag) {
    return tag >> 16;
}
inline constexpr uint32_t PropTag(uint32_t type, uint32_t id) {
    return (id << 16) | type;
}

inline constexpr uint32_t PT_I2 = 0x0002;
inline constexpr uint32_t PT_LONG = 0x0003;
inline constexpr uint32_t PT_R4 = 0x0004;
inline constexpr uint32_t PT_DOUBLE = 0x0005;
inline constexpr uint32_t PT_ERROR = 0x000A;
inline constexpr uint32_t PT_BOOLEAN = 0x000B;
inline constexpr uint32_t PT_STRING8 = 0x001E;
inline constexpr uint32_t PT_UNICODE = 0x001F;
inline constexpr uint32_t PT_BINARY = 0x0102;
inline constexpr uint32_t MV_FLAG = 0x1000;
inline constexpr uint32_t PT_MV_STRING8 = MV_FLAG | PT_STRING8;
inline constexpr uint32_t PT_MV_UNICODE = MV_FLAG | PT_UNICODE;
inline constexpr uint32_t PT_MV_BINARY = MV_FLAG | PT_BINARY;

inline constexpr uint32_t PR_ENTRYID = 0x0FFF0102;
inline constexpr uint32_t PR_OBJECT_TYPE = 0x0FFE0003;
inline constexpr uint32_t PR_DISPLAY_NAME = 0x3001001E;
inline constexpr uint32_t PR_GIVEN_NAME = 0x3A06001E;
inline constexpr uint32_t PR_BUSINESS_TELEPHONE_NUMBER = 0x3A08001E;
inline constexpr uint32_t PR_HOME_TELEPHONE_NUMBER = 0x3A09001E;
inline constexpr uint32_t PR_SURNAME = 0x3A11001E;

// Object types, as OpenEntry and PR_OBJECT_TYPE give them.
inline constexpr uint32_t MAPI_ABCONT = 4;
inline constexpr uint32_t MAPI_MAILUSER = 6;
inline constexpr uint32_t MAPI_DISTLIST = 8;

// Where SeekRow counts from.
inline constexpr uint32_t BOOKMARK_BEGINNING = 0;
inline constexpr uint32_t BOOKMARK_CURRENT = 1;
inline constexpr uint32_t BOOKMARK_END = 2;

struct ENTRYID {
    uint8_t abFlags[4];
    uint8_t ab[1];
};

struct SBinary {
    uint32_t cb;
    uint8_t* lpb;
};

struct SStringArray {
    uint32_t cValues;
    char** lppszA;
};

struct SBinaryArray {
    uint32_t cValues;
    SBinary* lpbin;
};

union PropValueUnion {
    int16_t i;
    int32_t l;
    uint16_t b;
    float flt;
    double dbl;
    char* lpszA;
    SBinary bin;
    SStringArray MVszA;
    SBinaryArray MVbin;
    HRESULT err;
};

struct SPropValue {
    uint32_t ulPropTag;
    uint32_t dwAlignPad;
    PropValueUnion Value;
};

struct SPropTagArray {
    uint32_t cValues;
    uint32_t aulPropTag[1];
};

// A tag list of a fixed size, laid out as SPropTagArray.
template <size_t N>
struct SizedPropTagArray {
    uint32_t cValues = N;
    uint32_t aulPropTag[N];
    const SPropTagArray* get() const { return reinterpret_cast<const SPropTagArray*>(this); }
};

struct SRow {
    uint32_t ulAdrEntryPad;
    uint32_t cValues;
    SPropValue* lpProps;
};

// Allocated for as many rows as cRows says.
struct SRowSet {
    uint32_t cRows;
    SRow aRow[1];
};

inline constexpr size_t RowSetSize(uint32_t rows) {
    return offsetof(SRowSet, aRow) + sizeof(SRow) * (rows == 0 ? 1 : rows);
}

// Every object lives until its last Release.
class IUnknown {
public:
    virtual uint32_t Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

// An object with properties. With no tag list GetProps returns every property; string values
// come as 8-bit strings in the ANSI code page.
class IMAPIProp : public IUnknown {
public:
    virtual HRESULT GetProps(const SPropTagArray* tags, uint32_t flags, uint32_t* count,
                             SPropValue** props) = 0;
};

// Rows of properties, read from a cursor.
class IMAPITable : public IUnknown {
public:
    virtual HRESULT SetColumns(const SPropTagArray* tags, uint32_t flags) = 0;
    virtual HRESULT SeekRow(uint32_t bookmark, int32_t rowCount, int32_t* rowsSought) = 0;
    // Up to rowCount rows from the cursor; none at the end. Each row's property array is a buffer
    // of its own, freed before the row set.
    virtual HRESULT QueryRows(int32_t rowCount, uint32_t flags, SRowSet** rows) = 0;
};

class IMailUser : public IMAPIProp {};
class IDistList : public IMAPIProp {};

class IABContainer : public IMAPIProp {
public:
    virtual HRESULT GetContentsTable(uint32_t flags, IMAPITable** table) = 0;
};

class IAddrBook : public IUnknown {
public:
    // The personal address book's entry identifier, in a buffer of the allocator.
    virtual HRESULT GetPAB(uint32_t* size, ENTRYID** entryId) = 0;
    // A container, mail user or distribution list by entry identifier; objectType tells which.
    // No interface identifier is known, so interfaceId must be null.
    virtual HRESULT OpenEntry(uint32_t size, const ENTRYID* entryId, const void* interfaceId,
                              uint32_t flags, uint32_t* objectType, IUnknown** object) = 0;
};

// The allocator of everything the address book hands out. A buffer from AllocateMore is chained
// to the buffer it names and freed with it.
class IWABObject : public IUnknown {
public:
    virtual HRESULT AllocateBuffer(uint32_t size, void** buffer) = 0;
    virtual HRESULT AllocateMore(uint32_t size, void* linkTo, void** buffer) = 0;
    virtual HRESULT FreeBuffer(void* buffer) = 0;
};

// What WABOpen is told: the record's own size, the parent window and the address-book file.
struct WAB_PARAM {
    uint32_t cbSize;
    HWND hwnd;
    char* szFileName;
    uint32_t ulFlags;
};

// The library's entry point, found by the name "WABOpen".
using WABOpenFunction = HRESULT (*)(IAddrBook** addrBook, IWABObject** wabObject, WAB_PARAM* params,
                                    uint32_t reserved);
