#pragma once

#include "platform/wab/allocator.h"
#include "platform/wab/mapi.h"

#include <string>
#include <utility>
#include <vector>

// A scripted address-book library for the bridge's tests: it serves the contacts it is given,
// fails the steps it is told to fail and records every call, object and buffer.
struct ScriptedContact {
    uint32_t objectType = MAPI_MAILUSER;
    std::vector<std::pair<uint32_t, std::string>> strings{};
    bool openFails = false;
    // The row's identifier claims bytes but points at none.
    bool entryIdWithoutBytes = false;
};

struct ScriptedWab {
    HRESULT openResult = S_OK;
    HRESULT getPabResult = S_OK;
    HRESULT openPabResult = S_OK;
    uint32_t pabObjectType = MAPI_ABCONT;
    HRESULT contentsResult = S_OK;
    HRESULT setColumnsResult = S_OK;
    HRESULT seekResult = S_OK;
    int queryFailsAtRow = -1;
    // The n-th AllocateMore call (counting from 0) fails.
    int failAllocateMoreAt = -1;
    std::vector<ScriptedContact> contacts;

    std::vector<std::string> calls;
    std::string openedFile;
    uint32_t paramSize = 0;
    int liveObjects = 0;
    int allocateMoreCalls = 0;
    std::vector<void*> foreignFrees;
    kivo::wab::Allocator allocator;

    void Reset() { *this = ScriptedWab(); }
};

__attribute__((visibility("default"))) ScriptedWab& WabScript();
