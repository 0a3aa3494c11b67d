#include "platform/PlatformPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

// Drops trailing separators but keeps the root.
std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Base-directory variables only count when they hold an absolute path.
std::string absoluteOrEmpty(const std::string& value) {
    return !value.empty() && value.front() == '/' ? withoutTrailingSlash(value) : std::string();
}

std::string underHome(const PlatformPaths::Lookup& lookup, const char* relative) {
    const std::string home = PlatformPaths::homeFolder(lookup);
    if (home.empty()) return {};
    return home == "/" ? std::string("/") + relative : home + "/" + relative;
}

// Replaces a leading "$HOME" (alone or followed by '/') with the home folder.
std::string expandHome(const std::string& value, const std::string& home) {
    static const std::string kHome = "$HOME";
    if (value.compare(0, kHome.size(), kHome) != 0) return value;
    if (value.size() > kHome.size() && value[kHome.size()] != '/') return value;
    if (home.empty()) return {};
    return withoutTrailingSlash(home) + value.substr(kHome.size());
}

std::string passwordDatabaseHome() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) != 0 || !result || !result->pw_dir) return {};
    return result->pw_dir;
}

std::string environmentValue(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? std::string(value) : std::string();
}

}  // namespace

PlatformPaths::Lookup PlatformPaths::systemLookup() {
    return [](const std::string& name) -> std::string {
        std::string value = environmentValue(name);
        if (!value.empty()) return value;
        if (name == "HOME") return passwordDatabaseHome();
        if (name == "XDG_DOCUMENTS_DIR") {
            const Lookup plain = [](const std::string& other) {
                std::string found = environmentValue(other);
                return found.empty() && other == "HOME" ? passwordDatabaseHome() : found;
            };
            const std::string config = configFolder(plain);
            if (config.empty()) return {};
            std::ifstream file(config + "/user-dirs.dirs");
            if (!file) return {};
            std::ostringstream text;
            text << file.rdbuf();
            return userDirFromConfig(text.str(), name, homeFolder(plain));
        }
        return {};
    };
}

std::string PlatformPaths::homeFolder(const Lookup& lookup) { return absoluteOrEmpty(lookup("HOME")); }

std::string PlatformPaths::configFolder(const Lookup& lookup) {
    const std::string configured = absoluteOrEmpty(lookup("XDG_CONFIG_HOME"));
    return configured.empty() ? underHome(lookup, ".config") : configured;
}

std::string PlatformPaths::documentsFolder(const Lookup& lookup) {
    const std::string configured = absoluteOrEmpty(expandHome(lookup("XDG_DOCUMENTS_DIR"), homeFolder(lookup)));
    return configured.empty() ? underHome(lookup, "Documents") : configured;
}

std::string PlatformPaths::dataFolder(const Lookup& lookup) {
    const std::string configured = absoluteOrEmpty(lookup("XDG_DATA_HOME"));
    return configured.empty() ? underHome(lookup, ".local/share") : configured;
}

std::string PlatformPaths::settingsFile(const Lookup& lookup, const std::string& keyPath) {
    std::string relative;
    std::string part;
    auto takePart = [&]() -> bool {
        if (part == "..") return false;
        if (!part.empty() && part != ".") relative += (relative.empty() ? "" : "/") + part;
        part.clear();
        return true;
    };
    for (char c : keyPath) {
        if (c == '\\' || c == '/') {
            if (!takePart()) return {};
        } else {
            part += c;
        }
    }
    if (!takePart() || relative.empty()) return {};
    const std::string config = configFolder(lookup);
    if (config.empty()) return {};
    return (config == "/" ? config : config + "/") + relative + "/settings.ini";
}

std::string PlatformPaths::userDirFromConfig(const std::string& text, const std::string& key, const std::string& home) {
    std::istringstream lines(text);
    std::string line;
    std::string found;
    while (std::getline(lines, line)) {
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        if (line.compare(start, key.size(), key) != 0) continue;
        std::size_t equals = start + key.size();
        if (equals >= line.size() || line[equals] != '=') continue;
        std::string value = line.substr(equals + 1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r')) value.pop_back();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        // Shell-style escapes: a backslash takes the next character literally.
        std::string unescaped;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) ++i;
            unescaped += value[i];
        }
        // The last assignment wins, as when the file is sourced by a shell.
        found = absoluteOrEmpty(expandHome(unescaped, home));
    }
    return found;
}
