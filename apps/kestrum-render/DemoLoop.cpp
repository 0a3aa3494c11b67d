#include "DemoLoop.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Band-limited enough for a demo: a naive saw softened by averaging two phases.
double saw(double phase) { return 2.0 * (phase - std::floor(phase + 0.5)); }

double noteHz(int midiNote) { return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0); }

}  // namespace

AudioData synthesiseDemoLoop(int sampleRate, float bpm, int bars) {
    const double sr = sampleRate;
    const double beat = 60.0 / bpm;
    const long long frames = static_cast<long long>(bars * 4 * beat * sr);
    AudioData out;
    out.sampleRate = sampleRate;
    out.channels.assign(2, std::vector<float>(static_cast<size_t>(frames)));

    const int bassLine[8] = {36, 36, 48, 36, 39, 36, 43, 46};  // one note per half beat, repeating
    const int chord[3] = {60, 63, 67};
    uint32_t noise = 0x12345u;
    double bassPhase = 0.0, chordPhase[3][2] = {};

    for (long long i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sr;
        const double inBeat = std::fmod(t, beat);
        const double inHalf = std::fmod(t, beat * 0.5);
        const int half = static_cast<int>(t / (beat * 0.5));

        // Kick on every beat: a falling sine with a fast decay.
        double kickFreq = 50.0 + 120.0 * std::exp(-inBeat * 30.0);
        double kick = std::sin(2.0 * kPi * kickFreq * inBeat) * std::exp(-inBeat * 9.0);

        // Hats on the off-beats: short noise bursts.
        noise = noise * 1664525u + 1013904223u;
        double white = static_cast<double>(noise >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
        double offBeat = std::fmod(t + beat * 0.5, beat);
        double hat = white * std::exp(-offBeat * 60.0) * 0.35;

        // Bass: a saw per half beat with a plucked envelope.
        bassPhase += noteHz(bassLine[half % 8]) / sr;
        double bass = saw(bassPhase) * std::exp(-inHalf * 6.0) * 0.5;

        // Chord: two slightly detuned saws per note, spread left and right, swelling each bar.
        double swell = 0.5 - 0.5 * std::cos(2.0 * kPi * t / (4.0 * beat));
        double left = 0.0, right = 0.0;
        for (int n = 0; n < 3; ++n) {
            chordPhase[n][0] += noteHz(chord[n]) * 1.003 / sr;
            chordPhase[n][1] += noteHz(chord[n]) * 0.997 / sr;
            left += saw(chordPhase[n][0]);
            right += saw(chordPhase[n][1]);
        }
        left *= 0.07 * swell;
        right *= 0.07 * swell;

        double mono = 0.6 * kick + bass;
        out.channels[0][static_cast<size_t>(i)] = static_cast<float>(0.7 * (mono + left + hat * 0.8));
        out.channels[1][static_cast<size_t>(i)] = static_cast<float>(0.7 * (mono + right + hat));
    }
    return out;
}
