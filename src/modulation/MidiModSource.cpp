#include "modulation/MidiModSource.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNeper36dB = 36.0 * 0.1151292546497023;  // ln(10) / 20 per dB
constexpr double kExpKnee = 0.1;
constexpr double kExpAtKnee = -3.73018784447434;  // (0.1 - 1) * 36 dB in nepers
constexpr float kKeyScale = 0.008333334f;        // 1 / 120: key 120 reads as 1
constexpr float kKeyCentre = 0.4f;               // key 48 gives no modulation

// The positive half of each curve; the curves are odd.
double curveOfMagnitude(MidiModSource::ResponseCurve c, double a) {
    switch (c) {
        case MidiModSource::Exp:
            // 36 dB exponential, replaced by the straight line through 0 below the knee.
            return a > kExpKnee ? std::exp((a - 1.0) * kNeper36dB) : std::exp(kExpAtKnee) * 10.0 * a;
        case MidiModSource::Log:
            return std::log(10.0 * a + 1.0) / std::log(11.0);
        case MidiModSource::Sqr:
            return a * a;
        case MidiModSource::Sqrt:
            return std::sqrt(a);
        case MidiModSource::Sine:
            return (std::sin((a - 0.5) * kPi) + 1.0) * 0.5;
        case MidiModSource::Linear:
        default:
            return a;
    }
}

}  // namespace

// ---- Cache ----

MidiModSource::Cache::Cache() { listeners_.reserve(16); }

float MidiModSource::Cache::getValue(int index) const {
    return index >= 0 && index < kNumValues ? values_[static_cast<size_t>(index)] : 0.0f;
}

void MidiModSource::Cache::addListener(MidiModSource* source) {
    if (source && std::find(listeners_.begin(), listeners_.end(), source) == listeners_.end()) {
        listeners_.push_back(source);
    }
}

void MidiModSource::Cache::removeListener(MidiModSource* source) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), source), listeners_.end());
}

void MidiModSource::Cache::store(int index, float value) {
    if (index < 0 || index >= kNumValues || !std::isfinite(value)) return;
    values_[static_cast<size_t>(index)] = value;
    for (MidiModSource* source : listeners_) source->update(index, value);
}

void MidiModSource::Cache::channelPressure(float value) { store(kAftertouch, std::clamp(value, 0.0f, 1.0f)); }

void MidiModSource::Cache::polyPressure(int note, float value) {
    if (accepts(note)) store(kAftertouch, std::clamp(value, 0.0f, 1.0f));
}

void MidiModSource::Cache::controlChange(int controller, int, float normalized) {
    if (controller >= 0 && controller < 128) store(controller, std::clamp(normalized, 0.0f, 1.0f));
}

void MidiModSource::Cache::modWheel(float value) { store(kModWheel, std::clamp(value, 0.0f, 1.0f)); }

void MidiModSource::Cache::noteOff(int, float) {}

void MidiModSource::Cache::noteOn(int note, float velocity) {
    if (note < 0 || note > 127 || !accepts(note)) return;
    store(kVelocity, std::clamp(velocity, 0.0f, 1.0f));
    store(kKey, static_cast<float>(note));
}

void MidiModSource::Cache::pitchBend(float value) { store(kPitchBend, std::clamp(value, -0.5f, 0.5f)); }

// ---- MidiModSource ----

MidiModSource::MidiModSource(wave::Environment& environment, Cache& cache)
    : wave::Source(environment, kNoBuffer), cache_(cache), ramp_(environment, 0.0f) {
    ramp_.ramp().setLimits(-1.0f, 1.0f);
    ramp_.ramp().setSpan(0.5f);
    setOutput(ramp_.getOutput());
    setConstant(true);
    cache_.addListener(this);
}

MidiModSource::~MidiModSource() { cache_.removeListener(this); }

float MidiModSource::curve(ResponseCurve c, float x) {
    const double a = std::fabs(static_cast<double>(x));
    const double y = curveOfMagnitude(c, a);
    return static_cast<float>(x < 0.0f ? -y : y);
}

float MidiModSource::outputFor(MidiInput in, ResponseCurve c, float v) {
    switch (in) {
        case PitchBend:
            return curve(c, 2.0f * v);
        case Velocity:
            return 2.0f * curve(c, v) - 1.0f;
        case KBTrack:
            return curve(c, v * kKeyScale) - curve(c, kKeyCentre);
        case ModWheel:
        case Aftertouch:
        case Controller:
        default:
            return curve(c, v);
    }
}

MidiModSource::MidiInput MidiModSource::validInput() const {
    const int i = input.get();
    return i >= 0 && i < kNumInputs ? static_cast<MidiInput>(i) : ModWheel;
}

MidiModSource::ResponseCurve MidiModSource::validCurve() const {
    const int c = responseCurve.get();
    return c >= 0 && c < kNumCurves ? static_cast<ResponseCurve>(c) : Linear;
}

int MidiModSource::listenedIndex() const {
    const MidiInput in = validInput();
    if (in == Controller) return std::clamp(controllerNumber.get(), 0, 127);
    return Cache::kModWheel + static_cast<int>(in);
}

void MidiModSource::update(int index, float value) {
    if (index == listenedIndex()) follow(value);
}

void MidiModSource::follow(float value) {
    const MidiInput in = validInput();
    const float d = std::clamp(outputFor(in, validCurve(), value), -1.0f, 1.0f);
    if (!std::isfinite(d)) return;
    const bool note = in == Velocity || in == KBTrack;
    ramp_.setTarget(d, note ? noteRampTime_ : -1.0f);
}

void MidiModSource::propertyChanged(PropertyBase* property) {
    // A new curve applies to the value already held as well, so the output never depends on the
    // order in which a preset's input and curve arrive.
    if (property == &input || property == &controllerNumber || property == &responseCurve) {
        follow(cache_.getValue(listenedIndex()));
    }
}

void MidiModSource::render(wave::Buffer&, int frames, int flags) {
    ramp_.renderOwn(frames, flags);
    setOutput(ramp_.getOutput());
    setConstant(ramp_.isConstant());
}

float MidiModSource::displayValue() const {
    const float v = ramp_.getTarget();
    switch (validInput()) {
        case PitchBend:
        case Velocity:
            return std::clamp((v + 1.0f) * 0.5f, 0.0f, 1.0f);
        case KBTrack: {
            const ResponseCurve c = validCurve();
            const float low = curve(c, kKeyScale) - curve(c, kKeyCentre);
            const float high = curve(c, 1.0f) - curve(c, kKeyCentre);
            return std::clamp((v - low) / (high - low), 0.0f, 1.0f);
        }
        default:
            return std::clamp(v, 0.0f, 1.0f);
    }
}
