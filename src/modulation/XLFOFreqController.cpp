#include "modulation/XLFOFreqController.h"

#include <cmath>

#include "engine/wave/Float4.h"
#include "platform/Tolerance.h"
#include "modulation/XLFO.h"

namespace {

// An offset multiplier from a modulation input: finite and not negative.
inline float offsetValue(float x) { return x > 0.0f && std::isfinite(x) ? x : 0.0f; }

}  // namespace

XLFOFreqController::XLFOFreqController(wave::Environment& environment, XLFO& xlfo)
    : wave::Source(environment),
      xlfo_(xlfo),
      syncMode_(this, Free),
      freeFrequency_(environment, 1.0f),
      offset_(environment, 1.0f),
      tempoFrequency_(environment, kDefaultTempo / (240.0f * 1.0f)),
      freeInput_(&freeFrequency_),
      offsetInput_(&offset_) {
    freeFrequency_.ramp().setLimits(0.0f, XLFO::kMaxFrequency);
    offset_.ramp().setLimits(0.5f, 2.0f);
    tempoFrequency_.ramp().setLimits(0.0f, 1000.0f);
}

double XLFOFreqController::barsPerCycle(SyncMode mode) {
    if (mode <= Free || mode > SixtyFourth) return 0.0;
    return 16.0 / static_cast<double>(1 << (mode - Bars16));
}

void XLFOFreqController::retargetTempoFrequency() {
    const double bars = barsPerCycle(syncMode_.get());
    if (bars > 0.0) tempoFrequency_.setTarget(static_cast<float>(tempo_ / (bars * 240.0)));
}

void XLFOFreqController::setTempo(float bpm, float position) {
    tempo_ = std::isfinite(bpm) && bpm > wave::kTolerance ? bpm : kDefaultTempo;
    if (syncMode_.get() == Free) return;
    retargetTempoFrequency();
    if (std::isfinite(position)) {
        lastPosition_ = position;
        newPosition_ = true;
    }
}

void XLFOFreqController::propertyChanged(PropertyBase* property) {
    // A newly chosen note length takes the tempo already known.
    if (property == &syncMode_) retargetTempoFrequency();
}

void XLFOFreqController::render(wave::Buffer& buffer, int frames, int flags) {
    const int inputFlags = flags & ~wave::kSkip;
    const double bars = barsPerCycle(syncMode_.get());
    if (bars <= 0.0) {
        wave::Producer* input = freeInput_;
        setOutput(input->pull(frames, inputFlags));
        setConstant(input->isConstant());
        return;
    }

    const wave::Buffer* tempo = tempoFrequency_.pull(frames, inputFlags);
    const wave::Buffer* offset = offsetInput_->pull(frames, inputFlags);
    const bool offsetConstant = offsetInput_->isConstant();
    const float* t = tempo->data();
    const float* m = offset->data();
    float* out = buffer.data();
    const wave::Float4 zero(0.0f);
    for (int g = 0, n = wave::Buffer::groups(frames); g < n; ++g) {
        const wave::Float4 multiplier = max(finiteOrZero(wave::Float4::load(m + 4 * g)), zero);
        (wave::Float4::load(t + 4 * g) * multiplier).store(out + 4 * g);
    }
    setConstant(tempoFrequency_.isConstant() && offsetConstant);

    if (newPosition_) {
        // While the offset moves within the block, the phase runs free instead of jumping.
        if (offsetConstant) syncPosition_ = lastPosition_;
        xlfo_.syncToPosition(syncPosition_, offsetValue(m[0]) / bars);
        newPosition_ = false;
    }
}
