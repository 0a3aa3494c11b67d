#pragma once
#include <string>
#include <vector>

class KestrumPlugin;

// The modulation sources and targets of the product by number and by the names the slot
// parameters take ("Slot 1 Source=XLFO 1", "Slot 1 Target=Filter 1 Freq"), for printing and for
// the user documentation. Everything is read from the product itself: the slot menus, the source
// lists with their "Num Active" parameters, the target parameters registered for each target and
// the matrix's own-target table, so the listing cannot disagree with what the product does.
//
// Threads: built on a non-audio thread from a plug-in that is not being reconfigured; it keeps
// copies, not references, so it stays valid after the plug-in is gone.
class ModulationListing {
public:
    struct Source {
        int index = -1;            // matrix source number, 0..33
        std::string name;          // the slot menu's name: "XY 1 Hor", "XLFO 1", "MIDI 10"
        std::string item;          // the parameter set that configures it: "XY Controller 1", "XLFO 1"
        std::string activeCount;   // the parameter that makes it available: "Num Active XLFOs"
        int itemNumber = 0;        // available while activeCount is at least this
    };

    struct Target {
        int index = -1;            // matrix target number, 0..112
        std::string name;          // the slot menu's name: "Filter 1 Freq", "XLFO 1 Freq"
        std::string parameter;     // the parameter it moves: "Filter 1 Freq", "XLFO 1 Frequency"
        std::string range;         // that parameter's range as shown: "4.811 Hz .. 75616 Hz"
        std::string owner;         // whose own parameter it is ("XLFO 1", "Slot 3"), empty for none;
                                   // the owner's output may not modulate it
    };

    explicit ModulationListing(KestrumPlugin& plugin);

    // In matrix order.
    const std::vector<Source>& sources() const { return sources_; }
    const std::vector<Target>& targets() const { return targets_; }

    // One line per entry, fields separated by tabs:
    //   sources: number, name, item, "Num Active ... >= n"
    //   targets: number, name, parameter, range, owner (may be empty)
    std::string sourcesText() const;
    std::string targetsText() const;
    // The same lists as markdown tables (the user documentation carries them verbatim).
    std::string sourcesMarkdown() const;
    std::string targetsMarkdown() const;

private:
    std::vector<Source> sources_;
    std::vector<Target> targets_;
};
