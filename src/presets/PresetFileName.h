#pragma once
#include <string>

// File-name rules shared by the save commands.
namespace PresetFileName {
// Appends "." + extension when the path's file name has no extension of its own, as a save
// dialog does with its default extension ("Lead" becomes "Lead.zxp", "Lead.v2" stays).
inline std::string withDefaultExtension(const std::string& path, const std::string& extension) {
    if (extension.empty()) return path;
    const std::size_t slash = path.rfind('/');
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = file.rfind('.');
    if (file.empty() || (dot != std::string::npos && dot > 0 && dot + 1 < file.size())) return path;
    if (!file.empty() && file.back() == '.') return path + extension;
    return path + "." + extension;
}
}  // namespace PresetFileName
