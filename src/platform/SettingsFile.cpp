#include "platform/SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace {

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

bool unescape(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i == s.size()) return false;
        if (s[i] == '\\') out += '\\';
        else if (s[i] == 'n') out += '\n';
        else if (s[i] == 'r') out += '\r';
        else return false;
    }
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseValue(const std::string& type, const std::string& text, SettingsFile::Value& value) {
    if (type == "dword") {
        if (text.empty() || text.size() > 11) return false;
        size_t i = text[0] == '-' ? 1 : 0;
        if (i == text.size()) return false;
        for (; i < text.size(); ++i)
            if (text[i] < '0' || text[i] > '9') return false;
        const long long v = std::stoll(text);
        if (v < -2147483648LL || v > 2147483647LL) return false;
        value = {SettingsFile::Type::Dword, text};
        return true;
    }
    if (type == "sz") {
        value.type = SettingsFile::Type::String;
        return unescape(text, value.text);
    }
    if (type == "hex") {
        if (text.size() % 2 != 0) return false;
        value.type = SettingsFile::Type::Binary;
        value.text.clear();
        for (size_t i = 0; i < text.size(); i += 2) {
            const int hi = hexDigit(text[i]), lo = hexDigit(text[i + 1]);
            if (hi < 0 || lo < 0) return false;
            value.text += static_cast<char>(hi * 16 + lo);
        }
        return true;
    }
    return false;
}

}  // namespace

bool SettingsFile::validName(const std::string& name) {
    if (name.empty()) return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == '=' || c == 0x7f) return false;
    return true;
}

SettingsFile SettingsFile::parse(const std::string& text) {
    SettingsFile file;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // A line cut short by a crash has no newline; lines that fail to parse are skipped.
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string name = line.substr(0, eq);
        const size_t colon = line.find(':', eq + 1);
        if (!validName(name) || colon == std::string::npos) continue;
        Value value;
        if (parseValue(line.substr(eq + 1, colon - eq - 1), line.substr(colon + 1), value)) file.values_[name] = value;
    }
    return file;
}

SettingsFile SettingsFile::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str());
}

std::string SettingsFile::format() const {
    static const char* const kHex = "0123456789abcdef";
    std::string out;
    for (const auto& [name, value] : values_) {
        if (!validName(name)) continue;
        out += name;
        switch (value.type) {
            case Type::Dword: out += "=dword:" + value.text; break;
            case Type::String: out += "=sz:" + escape(value.text); break;
            case Type::Binary:
                out += "=hex:";
                for (unsigned char c : value.text) {
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                }
                break;
        }
        out += '\n';
    }
    return out;
}

bool SettingsFile::save(const std::string& path) const {
    if (path.empty()) return false;
    std::error_code ec;
    const std::filesystem::path target(path);
    std::filesystem::create_directories(target.parent_path(), ec);
    static std::atomic<unsigned> serial{0};
    const std::string temporary = path + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(serial++);
    const std::string text = format();
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    const bool ok = written == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

const SettingsFile::Value* SettingsFile::find(const std::string& name) const {
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
}
