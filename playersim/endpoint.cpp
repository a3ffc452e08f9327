#include "playersim/endpoint.h"

#include "platform/win/home.h"

#include <filesystem>
#include <iostream>
#include <string_view>

namespace kivo::playersim {
namespace {

class DeviceEndpoint : public Endpoint {
public:
    explicit DeviceEndpoint(std::unique_ptr<Device> device) : device_(std::move(device)) {
        if (!device_->player.StoreProblem().empty()) {
            std::cerr << "kivo: " << device_->player.StoreProblem() << '\n';
        }
    }
    Error Open(Dialect dialect, uint32_t) override {
        channel_ = std::make_unique<Channel>(*device_, dialect);
        return Error::kNone;
    }
    IoResult Write(std::span<const uint8_t> bytes, const IoCall& call) override {
        return channel_->Write(bytes, call);
    }
    IoResult Read(std::span<uint8_t> bytes, const IoCall& call) override {
        return channel_->Read(bytes, call);
    }
    void Close(bool clean) override {
        if (channel_) {
            channel_->Close(clean);
        }
        channel_.reset();
    }
    ControlReply Control(const std::string& line) override {
        device_->player.Refresh();
        return kivo::playersim::Control(*device_, line);
    }
    uint8_t PutFile(uint8_t memory, uint8_t type, std::span<const uint8_t> name,
                    std::span<const uint8_t> content) override {
        device_->player.Refresh();
        return PutDeviceFile(*device_, memory, type, name, content);
    }
    std::optional<std::vector<uint8_t>> GetFile(uint8_t index) override {
        device_->player.Refresh();
        if (device_->player.Find(index) == nullptr) {
            return std::nullopt;
        }
        return device_->player.Content(index);
    }
    std::string LockFolder() const override { return device_->player.LockFolder(); }

private:
    std::unique_ptr<Device> device_;
    std::unique_ptr<Channel> channel_;
};

class NoPlayer : public Endpoint {
public:
    Error Open(Dialect, uint32_t) override { return Error::kNoPlayer; }
    IoResult Write(std::span<const uint8_t>, const IoCall&) override {
        return {false, 0, Error::kNoPlayer, 0};
    }
    IoResult Read(std::span<uint8_t>, const IoCall&) override {
        return {false, 0, Error::kNoPlayer, 0};
    }
    void Close(bool) override {}
    ControlReply Control(const std::string&) override { return {false, "no player"}; }
    uint8_t PutFile(uint8_t, uint8_t, std::span<const uint8_t>, std::span<const uint8_t>) override {
        return 0;
    }
    std::optional<std::vector<uint8_t>> GetFile(uint8_t) override { return std::nullopt; }
};

std::filesystem::path DefaultStore() {
    return win::XdgFolder("XDG_DATA_HOME", ".local/share") / "kivo" / "player";
}

std::unique_ptr<Endpoint> StoreEndpoint(const std::filesystem::path& folder) {
    return MakeDeviceEndpoint(std::make_unique<Device>(MakeFolderStore(folder)));
}

}  // namespace

uint8_t PutDeviceFile(Device& device, uint8_t memory, uint8_t type, std::span<const uint8_t> name,
                      std::span<const uint8_t> content) {
    if (memory > 1 || name.size() > kNameBytes) {
        return 0;
    }
    return device.player.AddFile(static_cast<Memory>(memory), type, name,
                                 {content.begin(), content.end()});
}

std::unique_ptr<Endpoint> MakeDeviceEndpoint(std::unique_ptr<Device> device) {
    return std::make_unique<DeviceEndpoint>(std::move(device));
}

std::unique_ptr<Endpoint> MakeEndpoint(const char* setting) {
    const std::string_view value = setting == nullptr ? "sim" : setting;
    if (value.empty() || value == "sim") {
        return StoreEndpoint(DefaultStore());
    }
    if (value.starts_with("sim:") && value.size() > 4) {
        return StoreEndpoint(std::filesystem::path(value.substr(4)));
    }
    if (value == "mem") {
        auto device = std::make_unique<Device>(MakeMemoryStore());
        device->bytesPerSecond = 0;
        return MakeDeviceEndpoint(std::move(device));
    }
    if (value.starts_with("unix:") && value.size() > 5) {
        return MakeSocketEndpoint(std::string(value.substr(5)));
    }
    if (value != "none") {
        std::cerr << "kivo: KIVO_PLAYER=" << value
                  << " is not sim, sim:DIR, mem, unix:PATH or none; no player is connected\n";
    }
    return std::make_unique<NoPlayer>();
}

}  // namespace kivo::playersim
