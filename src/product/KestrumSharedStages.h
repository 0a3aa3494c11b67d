#pragma once
#include <array>
#include <memory>

#include "engine/mixing/MidSideConverter.h"
#include "engine/mixing/Mixer.h"
#include "filters/FilterAnalyzer.h"
#include "filters/MultiDesignFilter.h"
#include "parameters/ModulationNumbering.h"
#include "modulation/LevelDecibels.h"
#include "modulation/LevelPanTarget.h"
#include "modulation/XYSource.h"

class KestrumPlugin;
class KestrumChannel;

// The plug-in-wide stages every channel shares: the mid/side converters (stereo), the peak
// detectors over the main and side-chain inputs with their conversions to dB for the envelope
// followers (converted once per block, however many followers read them), the self-oscillation analyzer, the four parallel
// filter units, the level/pan targets and the XY sources. Built once after the framework's init;
// connectChannels() wires them to the channels once those exist.
class KestrumSharedStages {
public:
    static constexpr int kFilters = ModulationNumbering::kNumFilters;

    KestrumSharedStages(KestrumPlugin& plugin, ModulationMatrix& matrix);
    KestrumSharedStages(const KestrumSharedStages&) = delete;
    KestrumSharedStages& operator=(const KestrumSharedStages&) = delete;

    void connectChannels(KestrumChannel* const* channels, int count);

    bool isStereo() const { return encoder_ != nullptr; }
    MidSideConverter* encoder() const { return encoder_.get(); }
    MidSideConverter* decoder() const { return decoder_.get(); }
    Mixer& inputPeak() { return inputPeak_; }
    Mixer& sideChainPeak() { return sideChainPeak_; }
    LevelDecibelStage& inputPeakDecibels() { return inputPeakDecibels_; }
    LevelDecibelStage& sideChainPeakDecibels() { return sideChainPeakDecibels_; }
    FilterAnalyzer& analyzer() { return analyzer_; }
    MultiDesignFilter::ParallelUnit& parallelUnit(int k) { return *units_[static_cast<size_t>(k)]; }
    // Additive Freq/Pan pair of filter k.
    LevelPanTarget& filterFrequency(int k) { return *filterFrequency_[static_cast<size_t>(k)]; }
    LevelPanTarget& inputLevel() { return *inputLevel_; }
    LevelPanTarget& outputLevel() { return *outputLevel_; }
    XYSource& xy(int k) { return *xy_[static_cast<size_t>(k)]; }

private:
    std::unique_ptr<MidSideConverter> encoder_;
    std::unique_ptr<MidSideConverter> decoder_;
    Mixer inputPeak_;
    Mixer sideChainPeak_;
    LevelDecibelStage inputPeakDecibels_;
    LevelDecibelStage sideChainPeakDecibels_;
    FilterAnalyzer analyzer_;
    std::array<std::unique_ptr<MultiDesignFilter::ParallelUnit>, kFilters> units_;
    std::array<std::unique_ptr<LevelPanTarget>, kFilters> filterFrequency_;
    std::unique_ptr<LevelPanTarget> inputLevel_;
    std::unique_ptr<LevelPanTarget> outputLevel_;
    std::array<std::unique_ptr<XYSource>, 4> xy_;
};
