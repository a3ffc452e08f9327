#include "platform/acm/driver_list.h"

#include "platform/acm/default_drivers.h"

#include <algorithm>

namespace kivo::acm {

DriverList& DriverList::Instance() {
    static DriverList instance;
    return instance;
}

DriverList::DriverList() {
    RegisterDefaultDrivers(*this);
}

HACMDRIVERID DriverList::Add(std::unique_ptr<AcmDriver> driver, AcmPlacement placement) {
    if (!driver)
        return nullptr;
    auto id = std::make_unique<DriverId>();
    id->driver = std::move(driver);
    DriverId* raw = id.get();
    if (placement == AcmPlacement::First) {
        registered_.insert(registered_.begin(), std::move(id));
    } else {
        registered_.push_back(std::move(id));
    }
    return raw;
}

bool DriverList::Remove(HACMDRIVERID id) {
    auto it = std::find_if(registered_.begin(), registered_.end(),
                           [id](const auto& entry) { return entry.get() == id; });
    if (it == registered_.end())
        return false;
    retired_.push_back(std::move(*it));
    registered_.erase(it);
    return true;
}

void DriverList::Clear() {
    for (auto& entry : registered_)
        retired_.push_back(std::move(entry));
    registered_.clear();
}

std::vector<DriverId*> DriverList::Snapshot() const {
    std::vector<DriverId*> ids;
    for (const auto& entry : registered_)
        ids.push_back(entry.get());
    return ids;
}

DriverId* DriverList::FindId(HACMDRIVERID id) const {
    for (const auto& entry : registered_) {
        if (entry.get() == id)
            return entry.get();
    }
    return nullptr;
}

OpenDriver* DriverList::FindDriver(HACMDRIVER driver) const {
    auto it = drivers_.find(driver);
    return it == drivers_.end() ? nullptr : it->second.get();
}

OpenStream* DriverList::FindStream(HACMSTREAM stream) const {
    auto it = streams_.find(stream);
    return it == streams_.end() ? nullptr : it->second.get();
}

std::shared_ptr<AcmDriver> DriverList::DriverOf(HACMOBJ object) const {
    for (const auto& entry : registered_) {
        if (static_cast<HACMOBJ>(entry.get()) == object)
            return entry->driver;
    }
    for (const auto& [handle, open] : drivers_) {
        if (static_cast<HACMOBJ>(handle) == object)
            return open->driver;
    }
    return nullptr;
}

OpenDriver* DriverList::Open(DriverId* id) {
    auto open = std::make_unique<OpenDriver>();
    open->id = id;
    open->driver = id->driver;
    OpenDriver* raw = open.get();
    drivers_.emplace(raw, std::move(open));
    return raw;
}

void DriverList::Close(OpenDriver* driver) {
    drivers_.erase(driver);
}

OpenStream* DriverList::AddStream(OpenDriver* owner, std::unique_ptr<AcmStream> stream) {
    auto open = std::make_unique<OpenStream>();
    open->owner = owner;
    open->stream = std::move(stream);
    OpenStream* raw = open.get();
    ++owner->streams;
    streams_.emplace(raw, std::move(open));
    return raw;
}

void DriverList::CloseStream(OpenStream* stream) {
    --stream->owner->streams;
    streams_.erase(stream);
}

}  // namespace kivo::acm

HACMDRIVERID RegisterAcmDriver(std::unique_ptr<AcmDriver> driver, AcmPlacement placement) {
    return kivo::acm::DriverList::Instance().Add(std::move(driver), placement);
}

bool UnregisterAcmDriver(HACMDRIVERID id) {
    return kivo::acm::DriverList::Instance().Remove(id);
}

void ClearAcmDrivers() {
    kivo::acm::DriverList::Instance().Clear();
}

void ResetAcmDrivers() {
    kivo::acm::DriverList& list = kivo::acm::DriverList::Instance();
    list.Clear();
    kivo::acm::RegisterDefaultDrivers(list);
}
