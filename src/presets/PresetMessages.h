#pragma once

// Texts the editor shows when a preset operation fails.
namespace PresetMessages {
// A preset or section preset file was refused by every loader.
inline constexpr const char* kOpenFailed =
    "The preset file could not be opened. It could be corrupt, from another Zelvatrix plug-in, or it was written "
    "by an incompatible version of this plug-in.";
}  // namespace PresetMessages
