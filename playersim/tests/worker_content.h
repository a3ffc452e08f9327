#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kivo::playersim::testing {

// What the store worker uploads under `name`: sizes and bytes differ from name to name, so a
// file saved over by another shows.
inline std::vector<uint8_t> WorkerContent(const std::string& name) {
    std::vector<uint8_t> data(700 + (name.size() + static_cast<uint8_t>(name.back())) * 37 % 900);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] =
            static_cast<uint8_t>(i * 13 + static_cast<uint8_t>(name.front()) * 7 + name.back());
    }
    return data;
}

}  // namespace kivo::playersim::testing
