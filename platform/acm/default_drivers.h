#pragma once

namespace acm {

class DriverList;

// Registers the drivers every process starts with, behind any already registered.
void RegisterDefaultDrivers(DriverList& list);

}  // namespace acm
