#pragma once
// A home folder of its own for tests, so the user's real settings and presets are never touched.
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/PlatformPaths.h"

struct FakeHome {
    FakeHome() {
        char pattern[] = "/tmp/kestrum-home-XXXXXX";
        const char* made = mkdtemp(pattern);
        home = made ? made : "";
        vars = {{"HOME", home}};
    }
    ~FakeHome() {
        std::error_code ec;
        if (!home.empty()) std::filesystem::remove_all(home, ec);
    }
    FakeHome(const FakeHome&) = delete;
    FakeHome& operator=(const FakeHome&) = delete;

    PlatformPaths::Lookup lookup() const {
        return [this](const std::string& name) {
            auto it = vars.find(name);
            return it == vars.end() ? std::string() : it->second;
        };
    }
    std::string home;
    std::map<std::string, std::string> vars;
};
