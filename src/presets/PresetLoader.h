#pragma once
#include <string>

#include "engine/GenericPlugin.h"
#include "parameters/AbstractPluginParameter.h"
#include "platform/BinaryDataReader.h"

// Base of the loaders of preset and state files: a header (magic, version), a value count N and N
// float32 values, value i for position i of the loader. load() checks magic and version before it
// touches anything, applies the values inside one update batch of the plug-in, and gives defaults
// to the positions the file does not cover. Subclasses map positions to parameters.
class PresetLoader {
public:
    explicit PresetLoader(GenericPlugin& plugin) : plugin_(plugin), magic_(plugin.getPluginId()) {}
    virtual ~PresetLoader() = default;
    PresetLoader(const PresetLoader&) = delete;
    PresetLoader& operator=(const PresetLoader&) = delete;

    virtual void endLoad(int /*version*/) {}
    // Number of positions the loader expects.
    virtual int getNumValues() = 0;
    virtual std::string getMagic(int /*version*/) { return magic_; }
    virtual void beginLoad(int /*version*/) {}
    // Consulted only when load() is asked for no particular version (-1).
    virtual bool acceptsVersion(int /*version*/) { return true; }
    // The file has no value for this position.
    virtual void setMissing(int position) = 0;
    virtual void setValue(int position, float value) = 0;

    // Reads one file. expectedVersion -1 lets acceptsVersion() decide; a non-empty magicOverride
    // replaces getMagic(). Returns false, with nothing changed, for a wrong magic or version; a
    // file cut short keeps the values read so far, gives the rest their defaults and returns false.
    bool load(BinaryDataReader& reader, int expectedVersion, const std::string& magicOverride);

    GenericPlugin& plugin() { return plugin_; }

protected:
    // Applies a stored value, or the default when the value is not a finite number: a damaged
    // file must never put NaN or infinity into a parameter.
    static void applyStored(AbstractPluginParameter* parameter, float value);
    static void applyDefault(AbstractPluginParameter* parameter);

    GenericPlugin& plugin_;
    std::string magic_;
};
