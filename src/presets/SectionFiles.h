#pragma once
#include <functional>
#include <string>

#include "engine/CurrentPreset.h"
#include "presets/SectionCollections.h"

// How section preset files reach an instance's parameters: load a file into (section, instance)
// or write that instance's values to a file, each returning success.
struct SectionFiles {
    using Operation = std::function<bool(int section, int instance, const std::string& path)>;
    Operation load;
    Operation save;

    // Over the product's section collections (which must outlive the result). A successful load
    // marks `current` (the plug-in's current preset) as modified, when given.
    static SectionFiles of(const SectionCollections& sections, CurrentPreset* current = nullptr) {
        SectionFiles files;
        files.load = [&sections, current](int section, int instance, const std::string& path) {
            const bool ok = sections.load(static_cast<SectionCollections::Section>(section), instance, path);
            if (ok && current) current->setModified(true);
            return ok;
        };
        files.save = [&sections](int section, int instance, const std::string& path) {
            return sections.save(static_cast<SectionCollections::Section>(section), instance, path);
        };
        return files;
    }
};
