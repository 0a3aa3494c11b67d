// The compiled factory presets as a user meets them: every full preset loads and, over the demo
// loop (with notes for the MIDI-triggered ones and a side chain where one listens), sounds
// different from the dry loop without blowing up, and responds to what triggers it; the neutral
// ones stay transparent; every
// component preset loads into every instance of its section.
// KESTRUM_PRESET_REPORT=1 prints one line of measurements per preset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "DemoLoop.h"
#include "MidiFile.h"
#include "RenderJob.h"
#include "product/KestrumPlugin.h"

namespace fs = std::filesystem;

namespace {

const fs::path kTree = KESTRUM_FACTORY_TREE;
constexpr int kRate = 48000;
constexpr float kTempo = 120.0f;
constexpr double kPi = 3.14159265358979323846;

std::vector<fs::path> filesUnder(const fs::path& dir, const std::string& extension) {
    std::vector<fs::path> found;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file() && e.path().extension() == extension) found.push_back(e.path());
    std::sort(found.begin(), found.end());
    return found;
}

double dB(double ratio) { return 20.0 * std::log10(std::max(ratio, 1e-12)); }

double rmsOf(const AudioData& a) {
    double energy = 0.0;
    for (const auto& ch : a.channels)
        for (float v : ch) energy += static_cast<double>(v) * v;
    return std::sqrt(energy / static_cast<double>(a.channels.size() * static_cast<size_t>(a.frames())));
}

// Largest magnitude between samples too: each gap is interpolated at 1/4, 1/2 and 3/4 with a
// Hann-windowed sinc of 16 taps, enough to catch inter-sample peaks of a few tenths of a dB.
double truePeak(const AudioData& a) {
    constexpr int kHalf = 8;
    double weights[3][2 * kHalf];
    for (int phase = 0; phase < 3; ++phase) {
        const double frac = (phase + 1) * 0.25;
        for (int k = -kHalf + 1; k <= kHalf; ++k) {
            const double x = k - frac;
            const double window = 0.5 + 0.5 * std::cos(kPi * x / (kHalf + 1));
            weights[phase][k + kHalf - 1] = std::sin(kPi * x) / (kPi * x) * window;
        }
    }
    double peak = 0.0;
    for (const auto& ch : a.channels) {
        const long long n = static_cast<long long>(ch.size());
        for (long long i = 0; i < n; ++i) {
            peak = std::max(peak, static_cast<double>(std::fabs(ch[static_cast<size_t>(i)])));
            if (i < kHalf || i + kHalf >= n) continue;
            for (const auto& w : weights) {
                double s = 0.0;
                for (int k = -kHalf + 1; k <= kHalf; ++k) s += w[k + kHalf - 1] * ch[static_cast<size_t>(i + k)];
                peak = std::max(peak, std::fabs(s));
            }
        }
    }
    return peak;
}

// A Standard MIDI File of quarter notes over two bars, varying key and velocity.
MidiFile noteFile() {
    const uint8_t keys[8] = {36, 48, 55, 60, 43, 67, 48, 72};
    const uint8_t velocities[8] = {110, 70, 127, 50, 90, 120, 64, 100};
    // Each note lasts an eighth (240 ticks at 480 per quarter) and the next starts an eighth later.
    std::vector<uint8_t> track;
    for (int i = 0; i < 8; ++i) {
        if (i == 0)
            track.push_back(0x00);
        else
            track.insert(track.end(), {0x81, 0x70});
        track.insert(track.end(), {0x90, keys[i], velocities[i], 0x81, 0x70, 0x80, keys[i], 0x00});
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    const uint32_t length = static_cast<uint32_t>(track.size());
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(length >> shift));
    bytes.insert(bytes.end(), track.begin(), track.end());
    MidiFile midi;
    std::string error;
    EXPECT_TRUE(midi.parse(bytes, kTempo, error)) << error;
    return midi;
}

// A kick on beats 1 and 3 only, so a ducking preset moves against the loop's own beat.
AudioData sideChainKick(long long frames) {
    AudioData side;
    side.sampleRate = kRate;
    side.channels.assign(2, std::vector<float>(static_cast<size_t>(frames)));
    const double bar = 4.0 * 60.0 / kTempo;
    for (long long i = 0; i < frames; ++i) {
        const double t = std::fmod(static_cast<double>(i) / kRate, bar / 2.0);
        const double v = 0.8 * std::sin(2.0 * kPi * (45.0 + 100.0 * std::exp(-t * 25.0)) * t) * std::exp(-t * 7.0);
        side.channels[0][static_cast<size_t>(i)] = side.channels[1][static_cast<size_t>(i)] = static_cast<float>(v);
    }
    return side;
}

float valueOf(KestrumPlugin& plugin, const std::string& name) {
    for (int i = 0; i < plugin.getNumParameters(); ++i)
        if (plugin.getParameter(i)->getName() == name) return plugin.getParameter(i)->getValue();
    ADD_FAILURE() << "no parameter " << name;
    return 0.0f;
}

// Whether an active follower or envelope generator of the preset listens to the side chain.
bool listensToSideChain(KestrumPlugin& plugin) {
    for (int k = 1; k <= static_cast<int>(valueOf(plugin, "Num Active EFs")); ++k)
        if (valueOf(plugin, "EF " + std::to_string(k) + " Input") == 1.0f) return true;
    for (int k = 1; k <= static_cast<int>(valueOf(plugin, "Num Active EGs")); ++k)
        if (valueOf(plugin, "EG " + std::to_string(k) + " Triggering") == 1.0f) return true;
    return false;
}

// Level and brightness of frames [from, from + count) of every channel. The brightness is the RMS
// frequency (the power-weighted root mean square of frequency), found from the first difference.
struct Segment {
    double rms, brightnessHz;
};

Segment segment(const AudioData& a, size_t from, size_t count) {
    double energy = 0.0, slope = 0.0;
    for (const auto& ch : a.channels) {
        for (size_t i = from; i < from + count; ++i) {
            energy += static_cast<double>(ch[i]) * ch[i];
            if (i) slope += std::pow(static_cast<double>(ch[i]) - ch[i - 1], 2.0);
        }
    }
    const double n = static_cast<double>(a.channels.size() * count);
    const double rms = std::sqrt(energy / n);
    const double ratio = std::sqrt(slope / n) / (2.0 * std::max(rms, 1e-12));
    return {rms, kRate / kPi * std::asin(std::min(1.0, ratio))};
}

struct Measurement {
    bool finite = true;
    double peakDb = 0, rmsDb = 0, differenceDb = 0, brightnessHz = 0;
    // Over the eighth notes of the loop: the quietest and loudest, the darkest and brightest.
    double quietDb = 1e9, loudDb = -1e9, darkHz = 1e9, brightHz = 0;
};

Measurement measure(const AudioData& dry, const AudioData& wet) {
    Measurement m;
    AudioData diff = wet;
    for (size_t c = 0; c < wet.channels.size(); ++c) {
        for (size_t i = 0; i < wet.channels[c].size(); ++i) {
            if (!std::isfinite(wet.channels[c][i])) m.finite = false;
            diff.channels[c][i] = wet.channels[c][i] - dry.channels[c][i];
        }
    }
    if (!m.finite) return m;
    const Segment whole = segment(wet, 0, static_cast<size_t>(wet.frames()));
    m.peakDb = dB(truePeak(wet));
    m.rmsDb = dB(whole.rms);
    m.brightnessHz = whole.brightnessHz;
    m.differenceDb = dB(rmsOf(diff) / rmsOf(dry));
    const size_t eighth = static_cast<size_t>(kRate * 30.0 / kTempo);
    for (size_t from = 0; from + eighth <= static_cast<size_t>(wet.frames()); from += eighth) {
        const Segment part = segment(wet, from, eighth);
        m.quietDb = std::min(m.quietDb, dB(part.rms));
        m.loudDb = std::max(m.loudDb, dB(part.rms));
        m.darkHz = std::min(m.darkHz, part.brightnessHz);
        m.brightHz = std::max(m.brightHz, part.brightnessHz);
    }
    return m;
}

const SectionCollections::Section kSections[] = {SectionCollections::kFilters, SectionCollections::kXLFO,
                                                 SectionCollections::kEG,      SectionCollections::kEF,
                                                 SectionCollections::kMidi,    SectionCollections::kSlots};

}  // namespace

TEST(FactoryPresets, EveryFullPresetSoundsLikeItsPurposeWithoutOverload) {
    const fs::path root = kTree / "FactoryPresets";
    const std::vector<fs::path> presets = filesUnder(root, ".zxp");
    ASSERT_GE(presets.size(), 42u);
    const AudioData dry = synthesiseDemoLoop(kRate, kTempo);
    const AudioData side = sideChainKick(dry.frames());
    const MidiFile notes = noteFile();
    const bool report = std::getenv("KESTRUM_PRESET_REPORT") != nullptr;

    for (const fs::path& path : presets) {
        const std::string name = fs::relative(path, root).string();
        SCOPED_TRACE(name);
        KestrumPlugin plugin(2);
        ASSERT_TRUE(plugin.loadPresetData(path.string()));
        const bool midi = name.rfind("MIDI Triggered/", 0) == 0;
        const bool sideChain = listensToSideChain(plugin);
        RenderSettings settings;
        settings.tempo = kTempo;
        RenderJob job(plugin, settings);
        const AudioData wet = job.run(dry, sideChain ? &side : nullptr, {}, midi ? &notes : nullptr);
        ASSERT_EQ(wet.frames(), dry.frames());

        const Measurement m = measure(dry, wet);
        ASSERT_TRUE(m.finite) << "NaN or Inf in the output";
        if (midi || sideChain) {
            // What the preset is triggered by must matter: without its notes, or with a silent side
            // chain, it sounds clearly different.
            KestrumPlugin untriggered(2);
            ASSERT_TRUE(untriggered.loadPresetData(path.string()));
            AudioData silence = side;
            for (auto& ch : silence.channels) std::fill(ch.begin(), ch.end(), 0.0f);
            RenderJob plain(untriggered, settings);
            const AudioData other = plain.run(dry, sideChain ? &silence : nullptr, {}, nullptr);
            EXPECT_GT(measure(wet, other).differenceDb, -20.0) << "does not respond to its notes or side chain";
        }
        if (report) {
            std::printf("%-42s peak %5.1f dBTP rms %5.1f dB diff %5.1f dB bright %5.0f Hz | eighths %5.1f..%5.1f dB "
                        "%5.0f..%5.0f Hz%s%s\n",
                        name.c_str(), m.peakDb, m.rmsDb, m.differenceDb, m.brightnessHz, m.quietDb, m.loudDb, m.darkHz,
                        m.brightHz, midi ? " [notes]" : "", sideChain ? " [side chain]" : "");
        }
        EXPECT_LE(m.peakDb, 6.0) << "too loud";
        EXPECT_GE(m.rmsDb, -36.0) << "too quiet";
        const bool neutral = name == "Default Setting.zxp" || name == "Clean.zxp";
        if (neutral) {
            // Only the phase of a wide-open filter near the top of the band may differ.
            EXPECT_LT(m.differenceDb, -26.0) << "a neutral preset colours the sound";
        } else {
            EXPECT_GT(m.differenceDb, -20.0) << "hardly different from the dry loop";
        }
    }
}

TEST(FactoryPresets, DefaultSettingIsWhatANewInstanceIs) {
    KestrumPlugin fresh(2);
    KestrumPlugin loaded(2);
    for (int i = 0; i < loaded.getNumParameters(); ++i) loaded.getParameter(i)->setValue(loaded.getParameter(i)->getMaximum(), 0);
    ASSERT_TRUE(loaded.loadPresetData((kTree / "FactoryPresets" / "Default Setting.zxp").string()));
    for (int i = 0; i < fresh.getNumParameters(); ++i)
        EXPECT_EQ(loaded.getParameter(i)->getValue(), fresh.getParameter(i)->getValue()) << fresh.getParameter(i)->getName();
}

TEST(FactoryPresets, EveryComponentPresetLoadsIntoEveryInstanceOfItsSection) {
    const fs::path root = kTree / "ApplicationData" / "Component Presets";
    KestrumPlugin plugin(2);
    const SectionCollections& sections = plugin.sections();
    int loadedFiles = 0;
    for (SectionCollections::Section section : kSections) {
        const fs::path folder = root / SectionCollections::name(section);
        ASSERT_TRUE(fs::is_directory(folder)) << folder;
        const std::vector<fs::path> files = filesUnder(folder, SectionCollections::extension(section));
        EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator())), files.size())
            << folder << " holds files of another kind";
        if (!files.empty()) {
            EXPECT_TRUE(fs::exists(folder / ("Default" + SectionCollections::extension(section))))
                << folder << " has presets but no Default to load when an item is added";
        }
        for (const fs::path& file : files) {
            SCOPED_TRACE(file.string());
            ASSERT_TRUE(sections.load(section, 0, file.string()));
            const ParameterCollection& first = *sections.get(section, 0);
            if (file.stem() != "Default") {
                bool changesSomething = false;
                for (int i = 0; i < first.size(); ++i)
                    changesSomething = changesSomething || first[i]->getValue() != first[i]->getDefaultValue();
                EXPECT_TRUE(changesSomething) << "a component preset that only restores the defaults";
            }
            for (int k = 1; k < sections.getNumInstances(section); ++k) {
                ASSERT_TRUE(sections.load(section, k, file.string())) << "instance " << k + 1;
                const ParameterCollection& other = *sections.get(section, k);
                for (int i = 0; i < first.size(); ++i)
                    EXPECT_EQ(other[i]->getValue(), first[i]->getValue()) << other[i]->getName();
            }
            ++loadedFiles;
        }
    }
    EXPECT_GE(loadedFiles, 5);
}
