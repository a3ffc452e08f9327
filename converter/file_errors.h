#pragma once

namespace kivo::converter {

// The converter's file messages: an OK box with the exclamation icon, titled with the
// library's name, without owner.
inline constexpr const char* kFailedToOpen = "Failed to open file";
inline constexpr const char* kFailedToLoad = "Failed to load file";
inline constexpr const char* kFailedToCreate = "Failed to create file";
inline constexpr const char* kFailedToSave = "Failed to save file";
inline constexpr const char* kMessageTitle = "sonoform";

void ShowFileError(const char* text);

}  // namespace kivo::converter
