#pragma once
#include "parameters/ParameterEnums.h"
#include "engine/wave/FloatParameterSource.h"
#include "engine/wave/Producer.h"
#include "platform/Property.h"

class XLFO;

// The frequency input of one XLFO. Free: the "Frequency" input in Hz, handed on as it is.
// Synced: the host tempo turned into cycles per second for the chosen note length, smoothed,
// times the "Frequency Offset" multiplier; each new host position also re-locks the XLFO's
// phase to the song position (while the offset holds still).
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

    // The host's tempo (BPM; 0 counts as 120) and song position (quarter notes).
    void setTempo(float bpm, float position);
    float getTempo() const { return tempo_; }

    void render(wave::Buffer& buffer, int frames, int flags) override;
    void propertyChanged(PropertyBase* property) override;

private:
    void retargetTempoFrequency();

    XLFO& xlfo_;
    Property<SyncMode> syncMode_;
    wave::FloatParameterSource freeFrequency_;
    wave::FloatParameterSource offset_;
    wave::FloatParameterSource tempoFrequency_;
    wave::Producer* freeInput_;
    wave::Producer* offsetInput_;

    float tempo_ = kDefaultTempo;
    float lastPosition_ = 0.0f;
    float syncPosition_ = 0.0f;
    bool newPosition_ = false;
};
