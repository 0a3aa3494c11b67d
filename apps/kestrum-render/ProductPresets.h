#pragma once
#include <string>

class GenericPlugin;

// Full presets for the renderer by path or by name. A name is looked up in the user's preset tree
// (the main preset manager, as the plug-in's menu shows it) and then in the factory library, which
// is read straight out of the archive the program carries, so rendering with a factory preset
// needs nothing installed and writes nothing. An exact name wins over one that differs only in
// letter case; the user's tree wins over the factory library.
//
// Call after the first plug-in instance exists (it builds the preset managers), never on the
// audio thread.
namespace ProductPresets {

// Loads a preset file (when `nameOrPath` names a folder or an existing file) or a preset by name.
// False with a one-line message when nothing could be loaded.
bool load(GenericPlugin& plugin, const std::string& nameOrPath, std::string& error);

// The user's presets with their "(bank/program)" labels in menu order, then the factory presets
// that are not installed, under a heading that says how to install them.
std::string listing(GenericPlugin& plugin);

// Installs the factory content into the user's folders without replacing files the user has;
// true with a line saying where, or false with the product's message.
bool installFactory(GenericPlugin& plugin, std::string& message);

}  // namespace ProductPresets
