#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

// The name and path of the preset in use and whether it was modified since it was loaded or saved.
// Observers hear about changes of the modified flag only when it actually flips.
class CurrentPreset {
public:
    using Observer = std::function<void(bool modified)>;

    const std::string& getName() const { return name_; }
    const std::string& getPath() const { return path_; }
    bool isModified() const { return modified_; }

    // Returns true when name or path changed.
    bool set(const std::string& name, const std::string& path) {
        if (name == name_ && path == path_) return false;
        name_ = name;
        path_ = path;
        return true;
    }
    // Compares the whole name, or only the first prefixLength characters when prefixLength >= 0.
    bool setName(const std::string& name, int prefixLength = -1) {
        bool same = prefixLength < 0 ? name == name_ : name_.compare(0, prefixLength, name, 0, prefixLength) == 0;
        if (same) return false;
        name_ = name;
        return true;
    }
    // Any thread; observers run on the calling thread and must be light.
    void setModified(bool modified) {
        if (modified_.exchange(modified) == modified) return;
        for (auto& o : observers_) o(modified);
    }
    void addObserver(Observer observer) { observers_.push_back(std::move(observer)); }

private:
    std::string name_;
    std::string path_;
    std::atomic<bool> modified_{false};
    std::vector<Observer> observers_;
};
