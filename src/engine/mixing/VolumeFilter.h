#pragma once
#include "engine/wave/Consumer.h"
#include "engine/wave/Filter.h"
#include "engine/wave/FloatParameterSource.h"

// A gain stage: out = gain × input, times a second gain when one is plugged in.
// The gain comes from the embedded smoothed source (starting at 1.0, limits 0..1 until the owner
// widens them) or from any producer the owner plugs in instead, such as a modulation target.
// A constant gain of 0 outputs the silence buffer without pulling the input; a constant gain of 1
// hands the input's buffer on unchanged. An optional mute controller silences the stage per block.
// Wiring on the owner's thread at construction; rendering on the audio thread.
class VolumeFilter : public wave::Filter {
public:
    explicit VolumeFilter(wave::Environment& environment);

    // The embedded smoothed gain (used while no other gain source is plugged in).
    wave::FloatParameterSource& gainParameter() { return gain_; }
    // Null restores the embedded source.
    void setGainSource(wave::Producer* source) { gainSource_ = source ? source : &gain_; }
    wave::Producer* getGainSource() const { return gainSource_; }

    // An optional producer multiplied in as well (null: none).
    void setSecondGain(wave::Producer* source) { secondGain_ = source; }
    wave::Producer* getSecondGain() const { return secondGain_; }

    void setMuteController(wave::MuteController* controller) { muteController_ = controller; }
    wave::MuteController* getMuteController() const { return muteController_; }

    void render(wave::Buffer& buffer, int frames, int flags) override;
    void processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) override;

private:
    // Pulls both gains; returns false when their product is constantly 0.
    bool pullGains(int frames, int flags);

    wave::FloatParameterSource gain_;
    wave::Producer* gainSource_;
    wave::Producer* secondGain_ = nullptr;
    wave::MuteController* muteController_ = nullptr;

    // This block's gains, valid after pullGains().
    const wave::Buffer* gainBuffer_ = nullptr;
    const wave::Buffer* secondBuffer_ = nullptr;
    bool gainConstant_ = true;
    bool secondConstant_ = true;
};
