#pragma once
#include "engine/wave/FloatParameterSource.h"
#include "engine/wave/Producer.h"

// Hands on the output of a smoothed value (a FloatParameterSource owned elsewhere) as a producer of
// its own: the base value of a modulation target. The output is the ramp's buffer, flagged
// constant once the ramp has arrived. Audio thread only, except construction.
class FloatParameterForwarder final : public wave::Source {
public:
    FloatParameterForwarder(wave::Environment& environment, wave::FloatParameterSource& source)
        : Source(environment, kNoBuffer), source_(source) {
        setOutput(source_.getOutput());
        setConstant(true);
    }

    void render(wave::Buffer& buffer, int frames, int flags) override;

    wave::FloatParameterSource& getSource() const { return source_; }

private:
    wave::FloatParameterSource& source_;
};
