#pragma once
#include "engine/mixing/Mixer.h"

// The dry/wet mix: input 0 is the dry signal, input 1 the processed one, blended by a mix value m
// in -1..1 (-1 dry only, +1 processed only):
//   linear law (the product's setting): l = (m + 1) / 2, out = (1 - l) × dry + l × processed;
//   otherwise:  out = (1 - max(m, 0)) × dry + (1 + min(m, 0)) × processed (both full at m = 0).
// At a constant -1 or +1 the chosen input is handed on by reference and the other is not pulled,
// so a fully dry mix leaves the whole processing chain idle. The inputs' own gains are not used.
class EffectMixer : public Mixer {
public:
    enum InputIndex : int { kDry = 0, kProcessed = 1 };

    explicit EffectMixer(wave::Environment& environment);

    void setDry(wave::Producer* dry) { setInput(kDry, dry); }
    void setProcessed(wave::Producer* processed) { setInput(kProcessed, processed); }

    // The embedded smoothed mix value (limits -1..1, starting at 0).
    wave::FloatParameterSource& mixParameter() { return mix_; }
    // Null restores the embedded source.
    void setMixSource(wave::Producer* source) { mixSource_ = source ? source : &mix_; }
    wave::Producer* getMixSource() const { return mixSource_; }

    void setLinearLaw(bool linear) { linearLaw_ = linear; }
    bool isLinearLaw() const { return linearLaw_; }

    void render(wave::Buffer& buffer, int frames, int flags) override;

private:
    // Hands one input on unchanged.
    void passOn(int index, int frames);

    wave::FloatParameterSource mix_;
    wave::Producer* mixSource_;
    bool linearLaw_ = false;
};
