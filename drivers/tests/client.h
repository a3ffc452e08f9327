#pragma once

#include "drivers/tests/driver_api.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A small PC side of the player's commands over either driver, as the link drives them:
// claim (parallel port only), open "LPT1", set the timeout, the command byte, the fields.
namespace kivo::px::testing {

// 0, 19 (short write), 20 (short read) or the driver's last error.
using Status = uint32_t;

struct ListedFile {
    uint8_t index;
    uint8_t type;
    uint32_t size;
    std::string name;
    uint8_t bitRate;
};

struct Download {
    Status status = 0;
    uint32_t size = 0;
    std::vector<uint8_t> data;
    bool refused = false;  // the player sent valid code 24
};

class Client {
public:
    explicit Client(const DriverApi& api) : api_(api) {}

    Status Open(uint8_t command, uint32_t timeoutMs);
    void Close();
    Status Write(std::span<const uint8_t> bytes);
    Status Read(std::span<uint8_t> bytes);
    // One USB read with the continuation flag as given, not split into packets.
    Status ReadFlagged(std::span<uint8_t> bytes, uint32_t flag);

    // Upload: the new index (0 when refused) or a failure. `stopAfter` sends cancel code 1
    // after that block.
    Status Upload(uint8_t memory, uint8_t type, const std::string& name,
                  std::span<const uint8_t> data, uint8_t& index,
                  std::optional<uint32_t> stopAfter = std::nullopt, uint8_t command = 1,
                  std::optional<uint16_t> blockCount = std::nullopt);
    Download Get(uint8_t index);
    Status List(std::vector<ListedFile>& files);
    Status Figures(uint16_t (&counts)[4]);
    Status Simple(uint8_t command, uint8_t argument, uint8_t& answer);
    Status Version(std::vector<uint8_t>& reply);
    Status Status10(uint8_t& answer);
    Status CardCodes(uint8_t& maker, uint8_t& device);
    Status Erase(uint8_t& answer);
    Status Image(std::span<const uint8_t> image, uint8_t& answer);

private:
    bool Usb() const { return api_.which == Which::kPxapi; }
    Status Fail() { return api_.GetLastError(); }

    const DriverApi& api_;
    PxHandle handle_ = kPxInvalidHandle;
};

}  // namespace kivo::px::testing
