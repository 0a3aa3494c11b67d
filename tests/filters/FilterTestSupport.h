#pragma once
// Signals, measurements and graph helpers shared by the filter tests.
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "engine/wave/Environment.h"
#include "engine/wave/Producer.h"
#include "filters/GenericFilter.h"

namespace filtertest {

inline std::vector<float> sine(double hz, double rate, int length, float amplitude = 0.5f) {
    std::vector<float> s(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) s[i] = amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * i / rate));
    return s;
}

inline std::vector<float> noise(int length, unsigned seed, float amplitude = 1.0f) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> d(-amplitude, amplitude);
    std::vector<float> s(static_cast<size_t>(length));
    for (float& x : s) x = d(random);
    return s;
}

// RMS of the second half of a signal (the first half lets the filter settle).
inline double settledRms(const std::vector<float>& s) {
    double sum = 0.0;
    size_t half = s.size() / 2;
    for (size_t i = half; i < s.size(); ++i) sum += static_cast<double>(s[i]) * s[i];
    return std::sqrt(sum / static_cast<double>(s.size() - half));
}

inline double db(double ratio) { return 20.0 * std::log10(ratio); }

// Gain in dB of `run` (which filters a whole signal) for a sine of `hz`.
inline double measuredGainDb(const std::function<std::vector<float>(const std::vector<float>&)>& run, double hz,
                             double rate, float amplitude = 0.5f, int length = 32768) {
    std::vector<float> in = sine(hz, rate, length, amplitude);
    std::vector<float> out = run(in);
    return db(settledRms(out) / settledRms(in));
}

// Filters a whole signal through a unit's one-filter path in blocks, with constant settings.
inline std::vector<float> runUnit(GenericFilter::FilterUnit& unit, const std::vector<float>& in, float freq,
                                  float peak, int block) {
    std::vector<float> out(in.size());
    std::vector<float> f(static_cast<size_t>(block), freq), p(static_cast<size_t>(block), peak);
    for (size_t at = 0; at < in.size(); at += static_cast<size_t>(block)) {
        int n = static_cast<int>(std::min(in.size() - at, static_cast<size_t>(block)));
        unit.process(in.data() + at, out.data() + at, f.data(), p.data(), nullptr, n, true);
    }
    return out;
}

// Magnitude in dB of `stages` cascaded analog two-pole sections with damping q at w = f / fc.
inline double prototypeDb(int response, double w, double q, int stages) {
    double re = 1.0 - w * w, im = q * w;
    double denominator = std::sqrt(re * re + im * im);
    double numerator = response == GenericFilter::LowPass ? 1.0 : response == GenericFilter::HighPass ? w * w : q * w;
    return stages * db(numerator / denominator);
}

inline bool allFinite(const std::vector<float>& s) {
    for (float x : s) {
        if (!std::isfinite(x)) return false;
    }
    return true;
}

inline float peakMagnitude(const std::vector<float>& s, size_t from = 0) {
    float m = 0.0f;
    for (size_t i = from; i < s.size(); ++i) m = std::max(m, std::fabs(s[i]));
    return m;
}

// A graph source that plays a signal block by block (zeros after its end).
class SignalSource : public wave::Source {
public:
    SignalSource(wave::Environment& environment, std::vector<float> signal)
        : wave::Source(environment), signal_(std::move(signal)) {}
    void render(wave::Buffer& buffer, int frames, int flags) override {
        if (flags & wave::kSkip) return;
        for (int i = 0; i < frames; ++i) buffer[i] = at_ < signal_.size() ? signal_[at_++] : 0.0f;
    }
    std::vector<float>& signal() { return signal_; }
    void rewind() { at_ = 0; }

private:
    std::vector<float> signal_;
    size_t at_ = 0;
};

// Pulls `producer` block by block and collects its output.
inline std::vector<float> pullBlocks(wave::Environment& env, wave::Producer& producer, int total, int block) {
    std::vector<float> out;
    out.reserve(static_cast<size_t>(total));
    for (int done = 0; done < total; done += block) {
        int n = std::min(block, total - done);
        env.advanceBlock();
        const wave::Buffer* b = producer.pull(n, 0);
        out.insert(out.end(), b->data(), b->data() + n);
        env.run(n, 0);
    }
    return out;
}

}  // namespace filtertest
