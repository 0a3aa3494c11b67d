#pragma once
#include "parameters/ParameterEnums.h"
#include <cstdint>

#include "engine/wave/FloatParameterSource.h"
#include "engine/wave/Producer.h"
#include "platform/Property.h"

class XLFO;

// The frequency input of one XLFO. Free: the "Frequency" input in Hz, handed on as it is.
// Synced: the host tempo turned into cycles per second for the chosen note length, smoothed,
// times the "Frequency Offset" multiplier; while the offset holds still, the XLFO's phase is
// locked to the song position.
//
// The song position is kept as a line through the graph's clock: a host report that agrees with
// it (within 1 ms, or the resolution of a float position) leaves it alone, so positions rounded
// per host buffer do not move the phase; a report that does not agree (the host jumped) or a new
// tempo starts a new line.
//
// The product wires it as the XLFO's frequency input and reports tempo and position through
// setTempo. Properties and setTempo on the audio thread; rendering on the audio thread.
class XLFOFreqController : public wave::Source, public PropertyOwner {
public:
    // "Free,16,8,4,2,1,1/2,1/4,1/8,1/16,1/32,1/64": cycle lengths in 4/4 bars.
    using SyncMode = XLFOEnums::SyncMode;
    static constexpr SyncMode Free = XLFOEnums::Free;
    static constexpr SyncMode Bars16 = XLFOEnums::Bars16;
    static constexpr SyncMode Bars8 = XLFOEnums::Bars8;
    static constexpr SyncMode Bars4 = XLFOEnums::Bars4;
    static constexpr SyncMode Bars2 = XLFOEnums::Bars2;
    static constexpr SyncMode Bar1 = XLFOEnums::Bar1;
    static constexpr SyncMode Half = XLFOEnums::Half;
    static constexpr SyncMode Quarter = XLFOEnums::Quarter;
    static constexpr SyncMode Eighth = XLFOEnums::Eighth;
    static constexpr SyncMode Sixteenth = XLFOEnums::Sixteenth;
    static constexpr SyncMode ThirtySecond = XLFOEnums::ThirtySecond;
    static constexpr SyncMode SixtyFourth = XLFOEnums::SixtyFourth;
    static constexpr float kDefaultTempo = 120.0f;

    XLFOFreqController(wave::Environment& environment, XLFO& xlfo);

    Property<SyncMode>& syncMode() { return syncMode_; }
    // The cycle length of a synced mode in bars (0 for Free).
    static double barsPerCycle(SyncMode mode);

    // Embedded inputs and the inputs actually read (null restores the embedded ramp).
    wave::FloatParameterSource& freeFrequencyParameter() { return freeFrequency_; }
    wave::FloatParameterSource& offsetParameter() { return offset_; }
    wave::FloatParameterSource& tempoFrequency() { return tempoFrequency_; }
    void setFreeFrequencyInput(wave::Producer* input) { freeInput_ = input ? input : &freeFrequency_; }
    void setOffsetInput(wave::Producer* input) { offsetInput_ = input ? input : &offset_; }

    // The host's tempo (BPM; 0 counts as 120) and song position (quarter notes) at the current
    // graph time. A position equal to the last report means the host's position stands still:
    // the song position runs on.
    void setTempo(float bpm, float position);
    // The song position (quarter notes) at graph time `time`; 0 before the first report.
    double positionAt(std::int64_t time) const;
    float getTempo() const { return tempo_; }

    void render(wave::Buffer& buffer, int frames, int flags) override;
    void propertyChanged(PropertyBase* property) override;

private:
    void retargetTempoFrequency();
    void startLine(double position, std::int64_t time, double beatsPerSample);

    XLFO& xlfo_;
    Property<SyncMode> syncMode_;
    wave::FloatParameterSource freeFrequency_;
    wave::FloatParameterSource offset_;
    wave::FloatParameterSource tempoFrequency_;
    wave::Producer* freeInput_;
    wave::Producer* offsetInput_;

    float tempo_ = kDefaultTempo;
    float lastPosition_ = 0.0f;
    // The song position line: known at all, position at lineTime_, quarter notes per sample.
    bool hasPosition_ = false;
    double linePosition_ = 0.0;
    std::int64_t lineTime_ = 0;
    double beatsPerSample_ = 0.0;
};
