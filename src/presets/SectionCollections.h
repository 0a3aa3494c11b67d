#pragma once
#include <array>
#include <string>
#include <vector>

#include "presets/ParameterCollection.h"
#include "presets/PresetLayout.h"

// The section presets ("component presets") of the product: the filters with their routing, one
// XLFO, one envelope generator, one envelope follower, one MIDI source, and the modulation slots.
// Each section has one collection per instance (six XLFOs, and so on); all collections of a
// section hold the same members in the same order, so a file saved from instance k loads into any
// instance j. Section files carry the plug-in id as magic and version 1.
class SectionCollections {
public:
    enum Section { kFilters, kXLFO, kEG, kEF, kMidi, kSlots, kNumSections };
    static constexpr int kVersion = 1;

    // Builds every collection from the layout (whose lists must outlive this object).
    explicit SectionCollections(const PresetLayout& layout);

    // File extension (".xlfo") and menu name ("XLFO") of a section; empty for an unknown one.
    static std::string extension(Section section);
    static std::string name(Section section);

    int getNumInstances(Section section) const;
    // The collection of one instance, nullptr for an unknown section or instance.
    const ParameterCollection* get(Section section, int instance) const;

    // Writes the instance's values to a section file; false when it could not be written
    // completely or the section or instance is unknown.
    bool save(Section section, int instance, const std::string& path) const;
    // Loads a section file into the instance; false for a file of another kind, a damaged file, or
    // an unknown section or instance.
    bool load(Section section, int instance, const std::string& path) const;

private:
    std::array<std::vector<ParameterCollection>, kNumSections> collections_;
};
