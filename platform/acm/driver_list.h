#pragma once

// The manager's process-wide state: registered drivers and the handles open on them.

#include "platform/acm/acm.h"
#include "platform/acm/driver.h"

#include <map>
#include <memory>
#include <vector>

namespace kivo::acm {

struct DriverId : HACMDRIVERID__ {
    std::shared_ptr<AcmDriver> driver;
};

struct OpenDriver : HACMDRIVER__ {
    DriverId* id = nullptr;
    std::shared_ptr<AcmDriver> driver;
    int streams = 0;
};

struct PreparedBuffers {
    uint8_t* source;
    uint32_t sourceLength;
    uint8_t* destination;
    uint32_t destinationLength;
};

struct OpenStream : HACMSTREAM__ {
    OpenDriver* owner = nullptr;
    std::unique_ptr<AcmStream> stream;
    std::map<const ACMSTREAMHEADER*, PreparedBuffers> prepared;
};

class DriverList {
public:
    static DriverList& Instance();
    DriverList();

    HACMDRIVERID Add(std::unique_ptr<AcmDriver> driver, AcmPlacement placement);
    bool Remove(HACMDRIVERID id);
    void Clear();

    // The registered identifiers, in enumeration order.
    std::vector<DriverId*> Snapshot() const;
    DriverId* FindId(HACMDRIVERID id) const;
    OpenDriver* FindDriver(HACMDRIVER driver) const;
    OpenStream* FindStream(HACMSTREAM stream) const;
    // A driver identifier or an open driver, for calls that take either.
    std::shared_ptr<AcmDriver> DriverOf(HACMOBJ object) const;

    OpenDriver* Open(DriverId* id);
    void Close(OpenDriver* driver);
    OpenStream* AddStream(OpenDriver* owner, std::unique_ptr<AcmStream> stream);
    void CloseStream(OpenStream* stream);

private:
    std::vector<std::unique_ptr<DriverId>> registered_;
    // Identifiers taken out stay allocated, so that a stale one never names a new driver.
    std::vector<std::unique_ptr<DriverId>> retired_;
    std::map<HACMDRIVER, std::unique_ptr<OpenDriver>> drivers_;
    std::map<HACMSTREAM, std::unique_ptr<OpenStream>> streams_;
};

}  // namespace kivo::acm
