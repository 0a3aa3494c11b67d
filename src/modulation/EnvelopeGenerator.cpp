#include "modulation/EnvelopeGenerator.h"

#include <algorithm>
#include <cmath>

#include "engine/wave/Float4.h"
#include "platform/Tolerance.h"
#include "modulation/Trigger.h"

namespace {

using wave::kTolerance;
constexpr double kLast = EnvelopeCurves::kLastPosition;
constexpr int kCountLimit = 1 << 30;

// The table argument of EnvelopeCurves::read at a curve position.
inline float curveArgument(double position) { return static_cast<float>(position / EnvelopeCurves::kLastPosition); }

// Sample counts from seconds: a time like 0.1 s is not exact in float, so a count within a
// thousandth of a sample of an integer is taken as that integer.
inline int roundUp4(double samples) {
    const int n = static_cast<int>(std::ceil(samples - 1e-3));
    return (n + 3) & ~3;
}

inline int roundDown4(double samples) { return samples > 0.0 ? static_cast<int>(samples) & ~3 : 0; }

inline bool changed(float value, float previous) { return std::fabs(value - previous) > kTolerance; }

}  // namespace

EnvelopeGenerator::EnvelopeGenerator(wave::Environment& environment)
    : wave::Source(environment), curves_(EnvelopeCurves::shared()), triggering_(this, NormalInput) {
    struct Range {
        float initial, minimum, maximum;
    };
    const Range ranges[kParameterCount] = {
        {kMinTime, kMinTime, kMaxTime},  // attack
        {kMinTime, kMinTime, kMaxTime},  // decay
        {1.0f, 0.0f, 1.0f},              // sustain
        {kMinTime, kMinTime, kMaxTime},  // release
        {0.0f, 0.0f, kMaxTime},          // hold
        {0.0f, 0.0f, kMaxTime},          // delay
    };
    for (int p = 0; p < kParameterCount; ++p) {
        ramps_[p] = std::make_unique<wave::FloatParameterSource>(environment, ranges[p].initial);
        ramps_[p]->ramp().setLimits(ranges[p].minimum, ranges[p].maximum);
        inputs_[p] = ramps_[p].get();
    }
    registerReset();
}

void EnvelopeGenerator::resetState() {
    stage_ = Idle;
    gate_ = false;
    pending_ = false;
    current_ = 0.0f;
    attackStart_ = 0.0f;
    remainingDelay_ = 0;
    remainingAttack_ = 0;
    attackPosition_ = 0.0;
    decayPosition_ = 0.0;
    releasePosition_ = kLast;
    decayDistance_ = 0.0f;
    decayGoal_ = 0.0f;
    releaseStart_ = 0.0f;
    samplesSinceRelease_ = 0;
    // Sample counts depend on the sample rate: read everything afresh.
    delayTime_ = attackTime_ = decayTime_ = sustain_ = releaseTime_ = holdTime_ = -1.0f;
    untilRead_ = 0;
}

void EnvelopeGenerator::setTrigger(Trigger* trigger) {
    trigger_ = trigger;
    if (trigger_) trigger_->enabled().set(triggering_.get() != Midi);
}

void EnvelopeGenerator::propertyChanged(PropertyBase* property) {
    if (property == &triggering_) {
        if (trigger_) trigger_->enabled().set(triggering_.get() != Midi);
        closeGate();
    }
}

void EnvelopeGenerator::midiNoteOn() {
    if (triggering_.get() == Midi) pending_ = true;
}

void EnvelopeGenerator::closeGate() {
    setGate(false);
    pending_ = false;
    untilRead_ = 0;
}

void EnvelopeGenerator::setGate(bool open) {
    if (gate_ == open) return;
    gate_ = open;
    gateNotificationDue_ = true;
}

bool EnvelopeGenerator::shouldMute(const wave::Buffer&, int, int) { return stage_ == Idle && !pending_; }

void EnvelopeGenerator::readParameters(int position) {
    const float rate = getEnvironment().getSampleRate();
    auto value = [&](Parameter which, float minimum, float maximum) {
        float v = values_[which][position];
        if (!(v >= minimum)) v = minimum;  // also NaN
        return v > maximum ? maximum : v;
    };

    const float delay = value(Delay, 0.0f, kMaxTime);
    if (changed(delay, delayTime_)) {
        const int samples = roundUp4(static_cast<double>(delay) * rate);
        // A delay stage in progress ends where the new time, counted from its start, ends.
        if (remainingDelay_ > 0) remainingDelay_ = std::max(0, remainingDelay_ + samples - delaySamples_);
        delayTime_ = delay;
        delaySamples_ = samples;
    }

    const float attack = value(Attack, kMinTime, kMaxTime);
    if (changed(attack, attackTime_)) {
        attackTime_ = attack;
        attackStep_ = kLast / (static_cast<double>(rate) * attack);
        // A running attack keeps its progress and spends the rest at the new speed.
        if (remainingAttack_ > 0) {
            remainingAttack_ = roundDown4((1.0 - attackPosition_ / kLast) * attack * rate);
        }
    }

    const float decay = value(Decay, kMinTime, kMaxTime);
    const float sustain = value(Sustain, 0.0f, 1.0f);
    if (changed(decay, decayTime_) || changed(sustain, sustain_)) {
        decayTime_ = decay;
        sustain_ = sustain;
        decayStep_ = kLast / (static_cast<double>(rate) * decay);
        decayGoal_ = sustain;
        if (stage_ == Idle && !pending_) current_ = 0.0f;
        // The decay restarts from where the envelope is towards the new sustain level.
        const float distance = remainingAttack_ == 0 ? std::fabs(current_ - decayGoal_) : 1.0f - sustain;
        decayDistance_ = std::max(0.0f, distance - kTolerance);
        decayPosition_ = 0.0;
    }

    const float release = value(Release, kMinTime, kMaxTime);
    if (changed(release, releaseTime_)) {
        releaseTime_ = release;
        releaseStep_ = kLast / (static_cast<double>(rate) * release);
        if (stage_ != Idle) {
            releasePosition_ = 0.0;
            releaseStart_ = current_;
        }
    }

    const float hold = value(Hold, 0.0f, kMaxTime);
    if (changed(hold, holdTime_)) {
        holdTime_ = hold;
        holdSamples_ = static_cast<int>(static_cast<double>(hold) * rate);
    }

    untilRead_ = kReadInterval;
}

void EnvelopeGenerator::retrigger(int position) {
    if (untilRead_ <= 0) readParameters(position);
    attackStart_ = current_;
    samplesSinceRelease_ = 0;
    decayDistance_ = std::max(0.0f, 1.0f - sustain_ - kTolerance);
    remainingDelay_ = delaySamples_;
    remainingAttack_ = roundUp4(static_cast<double>(attackTime_) * getEnvironment().getSampleRate());
    attackPosition_ = 0.0;
    decayPosition_ = 0.0;
    releasePosition_ = 0.0;
    stage_ = Running;
    setGate(true);
}

void EnvelopeGenerator::render(wave::Buffer& buffer, int frames, int flags) {
    if (stage_ == Finished) {
        stage_ = Idle;
        current_ = 0.0f;
    }
    const bool skip = (flags & wave::kSkip) != 0;

    Trigger* trigger = trigger_ && trigger_->enabled().get() ? trigger_ : nullptr;
    if (trigger) trigger->analyse(frames);
    const bool hasEvents = trigger && !trigger->events().empty();

    if (stage_ == Idle && !pending_ && !hasEvents) {
        // Nothing moves: output silence; the next activity starts with a fresh parameter read.
        untilRead_ = 0;
        outputSilence();
        accountGateNotification(frames);
        return;
    }

    // Parameter inputs carry real values even in a skipped block, so the state advances correctly.
    for (int p = 0; p < kParameterCount; ++p) values_[p] = inputs_[p]->pull(frames, flags & ~wave::kSkip)->data();
    float* out = skip ? nullptr : buffer.data();

    int position = 0;
    if (pending_) {
        untilRead_ = 0;
        retrigger(0);
        pending_ = false;
    }
    if (hasEvents) {
        for (const Trigger::Event& event : trigger->events()) {
            // At the event's own sample: rounding within the block would move onsets with the
            // host's buffer size.
            const int at = std::clamp(event.position, position, frames);
            renderSamples(out, position, at - position);
            position = at;
            if (event.type == Trigger::On) {
                retrigger(std::min(position, frames - 1));
            } else {
                closeGate();
            }
        }
    }
    renderSamples(out, position, frames - position);
    setConstant(false);
    accountGateNotification(frames);
}

void EnvelopeGenerator::renderSamples(float* out, int position, int n) {
    while (n > 0) {
        if (untilRead_ <= 0) readParameters(position);
        const int span = std::min(untilRead_, n);
        renderSpan(out ? out + position : nullptr, span);
        untilRead_ -= span;
        position += span;
        n -= span;
    }
}

void EnvelopeGenerator::renderSpan(float* out, int n) {
    if (stage_ != Running) {
        if (out) std::fill(out, out + n, 0.0f);
        return;
    }

    // Samples of this span that still belong to delay, attack and decay; the rest is release.
    int active = n;
    if (!gate_) {
        if (releasePosition_ == 0.0) {
            // Released but the release has not begun: the hold time keeps the envelope going.
            int hold = holdSamples_ - samplesSinceRelease_;
            hold = hold > 3 ? hold & ~3 : 0;
            active = std::min(hold, n);
            samplesSinceRelease_ = std::min(samplesSinceRelease_ + n, kCountLimit);
        } else {
            active = 0;
        }
    }

    int k = 0;
    // Delay: hold the value reached.
    const int delay = std::min(remainingDelay_, active);
    if (out) std::fill(out, out + delay, current_);
    remainingDelay_ -= delay;
    k = delay;

    // Attack: from the start value up to 1 - 2^-23.
    const int attack = std::min(remainingAttack_, active - k);
    if (attack > 0) {
        const EnvelopeCurves::Table& rising = curves_.rising();
        const float start = attackStart_, height = 1.0f - attackStart_ - kTolerance;
        // The state in locals: the output stores could otherwise alias it.
        double position = attackPosition_;
        const double step = attackStep_;
        float y = current_;
        const int end = k + attack;
        if (out) {
            // Four samples at a time, as in the release below.
            const wave::Float4 base(start), scale(height);
            wave::Float4 last(y);
            bool any = false;
            for (; k + 4 <= end; k += 4) {
                const double p1 = std::min(position + step, kLast);
                const double p2 = std::min(p1 + step, kLast);
                const double p3 = std::min(p2 + step, kLast);
                const wave::Float4 at(curveArgument(position), curveArgument(p1), curveArgument(p2), curveArgument(p3));
                position = std::min(p3 + step, kLast);
                last = base + scale * rising.readEach(at);
                last.storeUnaligned(out + k);
                any = true;
            }
            if (any) y = last.lane(3);
        }
        for (; k < end; ++k) {
            y = start + height * EnvelopeCurves::read(rising, position);
            if (out) out[k] = y;
            position = std::min(position + step, kLast);
        }
        attackPosition_ = position;
        current_ = y;
        remainingAttack_ -= attack;
    }

    // Decay (or rise) to the sustain level, then sustain.
    if (k < active) {
        const EnvelopeCurves::Table& falling = curves_.falling();
        const EnvelopeCurves::Table& rising = curves_.rising();
        const float goal = decayGoal_, distance = decayDistance_;
        const double step = decayStep_;
        double position = decayPosition_;
        float current = current_;
        for (; k < active; ++k) {
            float y;
            if (current > goal + kTolerance) {
                y = goal + distance * EnvelopeCurves::read(falling, position);
                position = std::min(position + step, kLast);
            } else if (current < goal - kTolerance) {
                y = goal - distance + distance * EnvelopeCurves::read(rising, position);
                position = std::min(position + step, kLast);
            } else {
                // Sustain: the goal is reached and held for the rest of the active samples.
                if (out) std::fill(out + k, out + active, goal);
                current = goal;
                k = active;
                break;
            }
            if (out) out[k] = y;
            current = y;
        }
        decayPosition_ = position;
        current_ = current;
    }

    // Release: from the value at its start down to 0.
    if (k < n) {
        const EnvelopeCurves::Table& falling = curves_.falling();
        if (releasePosition_ == 0.0) releaseStart_ = current_;
        const float start = releaseStart_;
        double position = releasePosition_;
        const double step = releaseStep_;
        float y = current_;
        if (out) {
            // Four samples at a time: the positions one after the other as below, the table reads
            // and the scaling four at once, with the operations of the single read per lane.
            const wave::Float4 scale(start);
            wave::Float4 last(y);
            bool any = false;
            for (; k + 4 <= n && position < kLast; k += 4) {
                const double p1 = std::min(position + step, kLast);
                const double p2 = std::min(p1 + step, kLast);
                const double p3 = std::min(p2 + step, kLast);
                if (p3 >= kLast) break;  // the group that reaches the end goes sample by sample
                const wave::Float4 at(curveArgument(position), curveArgument(p1), curveArgument(p2), curveArgument(p3));
                position = std::min(p3 + step, kLast);
                last = scale * falling.readEach(at);
                last.storeUnaligned(out + k);
                any = true;
            }
            if (any) y = last.lane(3);
        }
        for (; k < n && position < kLast; ++k) {
            y = start * EnvelopeCurves::read(falling, position);
            if (out) out[k] = y;
            position = std::min(position + step, kLast);
        }
        if (k < n) {
            // The release has ended: 0 from here on, as in the calls after this one (the table's
            // last point is not quite 0, and holding it to the end of this call only would make
            // the output depend on where the host's calls end).
            y = 0.0f;
            if (out) std::fill(out + k, out + n, y);
        }
        releasePosition_ = position;
        current_ = y;
        if (position >= kLast) stage_ = Finished;
    }
}

void EnvelopeGenerator::accountGateNotification(int frames) {
    samplesSinceNotification_ = std::min(samplesSinceNotification_ + frames, kCountLimit);
    if (!gateNotificationDue_ || !listener_) return;
    if (samplesSinceNotification_ < static_cast<int>(0.1f * getEnvironment().getSampleRate())) return;
    gateNotificationDue_ = false;
    samplesSinceNotification_ = 0;
    listener_->gateChanged(*this, gate_);
}
