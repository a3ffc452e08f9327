#pragma once

namespace kivo::acm {

class DriverList;

// Registers the drivers every process starts with, behind any already registered.
void RegisterDefaultDrivers(DriverList& list);

}  // namespace kivo::acm
