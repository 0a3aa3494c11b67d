#pragma once
#include <string>

// The dialogs and message boxes the preset commands need. The editor implements it with its
// toolkit; every call is made on the editor's thread and blocks until the user answered.
class PresetUserInterface {
public:
    virtual ~PresetUserInterface() = default;
    // A question box with Yes and No; true for Yes.
    virtual bool askYesNo(const std::string& title, const std::string& text) = 0;
    // A message box with an OK button.
    virtual void showMessage(const std::string& text) = 0;
    // File dialogs starting in `folder`. `filter` lists "description|pattern" pairs joined by '|';
    // `defaultExtension` has no dot. They return the chosen path, or an empty string on cancel.
    virtual std::string chooseSaveFile(const std::string& folder, const std::string& filter,
                                       const std::string& defaultExtension) = 0;
    virtual std::string chooseOpenFile(const std::string& folder, const std::string& filter,
                                       const std::string& defaultExtension) = 0;
    // A folder dialog; the chosen folder, or an empty string on cancel.
    virtual std::string chooseFolder(const std::string& title, const std::string& start) = 0;
};
