#pragma once
#include <functional>
#include <string>

// The per-user folders of a Linux desktop. Every function takes the environment as a lookup so the
// rules can be checked without touching the real environment; systemLookup() reads the real one.
// Folders come back without a trailing '/', and empty when no home folder is known at all (callers
// then have nowhere sensible to write and must not fall back to the file system root).
class PlatformPaths {
public:
    // Returns a variable's value, or an empty string when it is not set.
    using Lookup = std::function<std::string(const std::string& name)>;

    // getenv, with two fallbacks: HOME from the password database when it is unset, and
    // XDG_DOCUMENTS_DIR from the user-dirs.dirs file of the configuration folder when it is unset.
    static Lookup systemLookup();

    static std::string homeFolder(const Lookup& lookup);
    // $XDG_CONFIG_HOME, else $HOME/.config.
    static std::string configFolder(const Lookup& lookup);
    // $XDG_DOCUMENTS_DIR (a leading $HOME is expanded), else $HOME/Documents.
    static std::string documentsFolder(const Lookup& lookup);
    // $XDG_DATA_HOME, else $HOME/.local/share.
    static std::string dataFolder(const Lookup& lookup);
    // The settings file for a settings key path written with '\' separators
    // ("Software\Maker\Product" -> <config>/Software/Maker/Product/settings.ini). Empty for a key
    // path that is empty or tries to leave the configuration folder with "..".
    static std::string settingsFile(const Lookup& lookup, const std::string& keyPath);

    // Reads one entry (e.g. "XDG_DOCUMENTS_DIR") from the text of a user-dirs.dirs file: lines of
    // the form KEY="$HOME/Folder" or KEY="/absolute/folder". Empty when missing or not usable.
    static std::string userDirFromConfig(const std::string& text, const std::string& key, const std::string& home);
};
