#pragma once
#include <string>

// The identities of the bundle's plug-ins and of the values they keep in a host's state. They are
// published in docs/lv2.md and stored in users' projects, so they never change.
namespace lv2uris {

inline constexpr const char* kStereo = "urn:zelvatrix:kestrum:stereo";
inline constexpr const char* kMono = "urn:zelvatrix:kestrum:mono";
inline constexpr const char* kMonoToStereo = "urn:zelvatrix:kestrum:mono-to-stereo";
// State keys: the complete state in the preset format, and the current preset's name.
inline constexpr const char* kStateKey = "urn:zelvatrix:kestrum:state";
inline constexpr const char* kPresetNameKey = "urn:zelvatrix:kestrum:preset-name";
// Prefix of the factory presets' URIs (followed by the preset's path in the factory tree).
inline constexpr const char* kPresetPrefix = "urn:zelvatrix:kestrum:preset:";

}  // namespace lv2uris
