#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "presets/ParameterCollection.h"

// Preset and state files of a parameter collection: magic, version, count, then getValue() of
// each parameter in collection order.

// The bytes of such a file; empty when the collection has no usable magic.
std::vector<std::uint8_t> collectionBytes(const ParameterCollection& collection, int version);

// Writes the file through a temporary file in the same folder that is renamed into place, so a
// failed write never leaves a damaged file where a good one was. Returns whether the file was
// written completely.
bool writeCollection(const ParameterCollection& collection, const std::string& path, int version);

// Loads a file written by writeCollection with exactly that version and the collection's magic.
bool loadCollection(const ParameterCollection& collection, const std::string& path, int version);

// The generic full-state load for products without older layouts of their own: the current
// version maps every parameter in id order, older versions go through the preset maps.
bool loadPluginState(GenericPlugin& plugin, const std::string& path, int latestVersion);
