#pragma once
#include <string>

// The exact texts of the preset menus, dialogs and message boxes.
namespace PresetMessages {
// A preset or section preset file was refused by every loader.
inline constexpr const char* kOpenFailed =
    "The preset file could not be opened. It could be corrupt, from another Zelvatrix plug-in, or it was written "
    "by an incompatible version of this plug-in.";
// A preset file could not be written (our own text: the save is not reported as done).
inline constexpr const char* kSaveFailed =
    "The preset file could not be saved. Please make sure that the folder exists and is not read-only.";

// Menu items.
inline constexpr const char* kNoPresets = "(No Presets)";
inline constexpr const char* kSave = "Save";
inline constexpr const char* kSaveAs = "Save As...";
inline constexpr const char* kOptions = "Options";
inline constexpr const char* kEnableProgramChanges = "Enable MIDI Program Changes";
inline constexpr const char* kSaveAsDefault = "Save As Default";
inline constexpr const char* kOpenOther = "Open Other Preset...";
inline constexpr const char* kChangeFolder = "Change Preset Folder...";
inline constexpr const char* kRestoreFactory = "Restore Factory Presets";

// Dialogs.
inline constexpr const char* kSaveFilter = "Zelvatrix Preset (*.zxp)|*.zxp|Any File (*.*)|*.*";
inline constexpr const char* kOpenFilter = "Zelvatrix Presets (*.zxp)|*.zxp|All Files (*.*)|*.*";
inline constexpr const char* kPresetExtension = "zxp";
inline constexpr const char* kChooseFolderTitle = "Select a folder to store your presets";
inline constexpr const char* kRestoreTitle = "Restore Factory Presets";
inline constexpr const char* kRestoreQuestion =
    "Are you sure you want to restore the factory presets?\n\nIf you have overwritten any factory presets or the "
    "default preset, your changes will be undone.";
inline constexpr const char* kRestoreFailed =
    "Error: Unable to restore all factory presets.\n\nPlease make sure that your current preset folder path is "
    "valid and that your preset folder is not read-only.";

// The save dialog filter of a section preset kind, for its extension (".xlfo").
inline std::string componentFilter(const std::string& extension) {
    return "Zelvatrix Component Presets (*" + extension + ")|*" + extension + "|All Files (*.*)|*.*";
}
// The folder label of the previous major version's preset folder ("V1 Preset Folder").
inline std::string previousVersionFolderLabel(int majorVersion) {
    return std::string("V").append(std::to_string(majorVersion)).append(" Preset Folder");
}
}  // namespace PresetMessages
