#include "modulation/XLFOFreqController.h"

#include <algorithm>
#include <cmath>

#include "engine/wave/Float4.h"
#include "platform/Tolerance.h"
#include "modulation/XLFO.h"

namespace {

// An offset multiplier from a modulation input: finite and not negative.
inline float offsetValue(float x) { return x > 0.0f && std::isfinite(x) ? x : 0.0f; }

// Four steps of a float song position just below 256 quarter notes: reports within this of the
// line agree with it, however the host rounded them.
constexpr double kPositionResolution = 4.0 * 256.0 / 16777216.0;

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
    if (!std::isfinite(position)) return;

    const std::int64_t now = getEnvironment().getCurrentTime();
    const double perSample = static_cast<double>(tempo_) / (60.0 * static_cast<double>(getEnvironment().getSampleRate()));
    if (!hasPosition_) {
        lastPosition_ = position;
        startLine(position, now, perSample);
        return;
    }
    const double expected = positionAt(now);
    bool agrees = std::fabs(position - lastPosition_) <= wave::kTolerance;  // standing still: run on
    if (!agrees) {
        // Song positions wrap at 256 quarter notes.
        double drift = static_cast<double>(position) - expected;
        drift -= 256.0 * std::round(drift / 256.0);
        const double slack = std::max(static_cast<double>(tempo_) / 60.0 * 0.001, kPositionResolution);
        agrees = std::fabs(drift) <= slack;
    }
    lastPosition_ = position;
    if (!agrees) {
        startLine(position, now, perSample);
    } else if (perSample != beatsPerSample_) {
        startLine(expected, now, perSample);  // a new tempo from here on, without a jump
    }
}

void XLFOFreqController::startLine(double position, std::int64_t time, double beatsPerSample) {
    hasPosition_ = true;
    linePosition_ = position;
    lineTime_ = time;
    beatsPerSample_ = std::isfinite(beatsPerSample) ? beatsPerSample : 0.0;
    xlfo_.setSongPosition(linePosition_, lineTime_, beatsPerSample_);
}

double XLFOFreqController::positionAt(std::int64_t time) const {
    if (!hasPosition_) return 0.0;
    return linePosition_ + static_cast<double>(time - lineTime_) * beatsPerSample_;
}

void XLFOFreqController::propertyChanged(PropertyBase* property) {
    // A newly chosen note length takes the tempo already known.
    if (property == &syncMode_) retargetTempoFrequency();
}

void XLFOFreqController::render(wave::Buffer& buffer, int frames, int flags) {
    const int inputFlags = flags & ~wave::kSkip;
    const double bars = barsPerCycle(syncMode_.get());
    if (bars <= 0.0) {
        xlfo_.unlock();
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

    // While the offset moves within the block, the phase runs free instead of jumping.
    if (hasPosition_ && offsetConstant) {
        xlfo_.lockToPosition(offsetValue(m[0]) / bars);
    } else {
        xlfo_.unlock();
    }
}
