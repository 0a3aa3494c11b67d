#pragma once
// Answers the preset commands' dialogs as a test tells it to and records what was asked.
#include <string>
#include <vector>

#include "presets/PresetUserInterface.h"

struct FakePresetUserInterface : PresetUserInterface {
    bool answerYes = true;
    std::string fileAnswer;    // "" = cancel
    std::string folderAnswer;  // "" = cancel
    std::vector<std::string> messages;
    std::vector<std::string> asked;  // each dialog: its kind, then title or folder, then filter or text

    bool askYesNo(const std::string& title, const std::string& text) override {
        asked.insert(asked.end(), {"question", title, text});
        return answerYes;
    }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    std::string chooseSaveFile(const std::string& folder, const std::string& filter,
                               const std::string& defaultExtension) override {
        asked.insert(asked.end(), {"save", folder, filter, defaultExtension});
        return fileAnswer;
    }
    std::string chooseOpenFile(const std::string& folder, const std::string& filter,
                               const std::string& defaultExtension) override {
        asked.insert(asked.end(), {"open", folder, filter, defaultExtension});
        return fileAnswer;
    }
    std::string chooseFolder(const std::string& title, const std::string& start) override {
        asked.insert(asked.end(), {"folder", title, start});
        return folderAnswer;
    }
};
