#pragma once
#include <array>
#include <memory>

#include "engine/PluginChannel.h"
#include "engine/mixing/EffectMixer.h"
#include "engine/mixing/Router.h"
#include "engine/mixing/VolumeFilter.h"
#include "filters/DelayLine.h"
#include "filters/FilterRouting.h"
#include "filters/MultiDesignFilter.h"
#include "parameters/ModulationNumbering.h"

class KestrumPlugin;

// One audio channel of the product:
//   input [-> input-side router: L/R or mid/side] -> input gain -> filter routing (four design
//   filters, each followed by its delay line) -> output gain [-> output-side router] -> effect mixer
//   (dry = main input) -> audition router (mix, main input or side chain) = the channel's output.
// Modulated values come from the matrix's target controllers (or the level/pan targets in stereo).
// parameterChanged runs on the audio thread and only switches between stages that exist.
class KestrumChannel : public GenericPlugin::Channel {
public:
    static constexpr int kFilters = ModulationNumbering::kNumFilters;

    // Built after the plug-in's init() and its shared stages, on its environment.
    KestrumChannel(KestrumPlugin& plugin, int index);
    ~KestrumChannel() override;

    void parameterChanged(int index) override;

    int getIndex() const { return index_; }
    KestrumPlugin& getKestrumPlugin() const { return plugin_; }
    VolumeFilter& inputGain() { return inputGain_; }
    VolumeFilter& outputGain() { return outputGain_; }
    FilterRouting& routing() { return routing_; }
    MultiDesignFilter& filter(int k) { return *filters_[static_cast<size_t>(k)]; }
    DelayLine& delay(int k) { return *delays_[static_cast<size_t>(k)]; }
    EffectMixer& mixer() { return mixer_; }
    Router& audition() { return audition_; }

private:
    bool isStereo() const;
    // Stereo only: chooses each filter's frequency source for the routing mode.
    void assignFrequencySources(int routingMode);
    void updateElements(int effective, int routingMode);

    KestrumPlugin& plugin_;
    int index_;
    VolumeFilter inputGain_;
    VolumeFilter outputGain_;
    std::unique_ptr<Router> inputSide_;
    std::unique_ptr<Router> outputSide_;
    FilterRouting routing_;
    std::array<std::unique_ptr<MultiDesignFilter>, kFilters> filters_;
    std::array<std::unique_ptr<DelayLine>, kFilters> delays_;
    EffectMixer mixer_;
    Router audition_;
};
