#include "modulation/ModulationLayout.h"

#include <cmath>

#include "modulation/ModulationMatrix.h"

namespace {

using Kind = ModulationMatrix::SourceKind;

struct ClassRecord {
    float min;
    float max;
    float depth;
    // Up to three (kind, depth) overrides; kind -1 ends the list.
    std::pair<int, float> overrides[3];
};

}  // namespace

int ModulationLayout::defaultKind(int source) {
    if (source < kFirstXY || source >= kNumSources) return -1;
    if (source < kFirstXLFO) return ModulationMatrix::kXY;
    if (source < kFirstEG) return ModulationMatrix::kXLFO;
    if (source < kFirstEF) return ModulationMatrix::kEG;
    if (source < kFirstMidi) return ModulationMatrix::kEF;
    return ModulationMatrix::kMIDI;
}

void ModulationLayout::configure(ModulationMatrix& matrix) {
    // ±36 dB as amplitude factors.
    const float minGain = static_cast<float>(std::exp(-4.144653167389283));
    const float maxGain = static_cast<float>(std::exp(4.144653167389283));
    const float gainDepth = maxGain - minGain;
    // 1 / 0.16: 0.16 is the delay curve's value at its middle position.
    const float phaseDepth = 1.0f / 0.16f;

    const ClassRecord records[kNumClasses] = {
        {0.0f, 1.0f, 1.0f, {{Kind::kEF, 2.0f}, {-1, 0.0f}, {-1, 0.0f}}},  // slot levels, EG Sustain
        {kMinFreq, kMaxFreq, 10.0f, {{Kind::kXLFO, 6.3f}, {Kind::kSnappedXLFO, 1.0f}, {Kind::kEF, 20.0f}}},  // Freq
        {-3.5f, 3.5f, 7.0f, {{Kind::kXLFO, 6.3f}, {Kind::kEG, 10.0f}, {Kind::kEF, 14.0f}}},  // filter Pan
        {0.0f, 1.0f, 1.0f, {{Kind::kXLFO, 0.4f}, {Kind::kEG, 0.4f}, {Kind::kEF, 2.0f}}},     // filter Peak
        {0.0f, 50.0f, 50.0f, {{Kind::kEF, 100.0f}, {-1, 0.0f}, {-1, 0.0f}}},                 // filter Delay
        {0.02f, 500.0f, 25.0f, {{Kind::kEF, 50.0f}, {-1, 0.0f}, {-1, 0.0f}}},                // XLFO Frequency
        // The offset travels as octaves (its factor is 2^value), so the limits are the octaves of
        // the displayed factors 0.5..2: the whole knob range acts, and modulation stops there too.
        {-1.0f, 1.0f, 1.0f, {{Kind::kXLFO, 0.5f}, {Kind::kEF, 1.5f}, {-1, 0.0f}}},  // XLFO Frequency Offset
        {-1.0f, 1.0f, 2.0f, {{Kind::kEF, 4.0f}, {-1, 0.0f}, {-1, 0.0f}}},                    // XLFO Glide
        {minGain, maxGain, gainDepth, {{Kind::kEF, 2.0f * gainDepth}, {-1, 0.0f}, {-1, 0.0f}}},   // gains
        {-1.0f, 1.0f, 2.0f, {{Kind::kEF, 4.0f}, {-1, 0.0f}, {-1, 0.0f}}},                         // pans, Mix
        {kMinTime, 3.0f, 1.5f, {{Kind::kEF, 3.0f}, {-1, 0.0f}, {-1, 0.0f}}},                      // EG Attack
        {0.001f, 1.0f, 0.4995f, {{Kind::kEF, 0.999f}, {-1, 0.0f}, {-1, 0.0f}}},                   // EF Attack
        {kMinTime, 5.0f, 2.5f, {{Kind::kEF, 5.0f}, {-1, 0.0f}, {-1, 0.0f}}},                      // EG Decay
        {kMinTime, 5.0f, 2.5f, {{Kind::kEF, 5.0f}, {-1, 0.0f}, {-1, 0.0f}}},                      // EG Release
        {0.05f, 5.0f, 2.475f, {{Kind::kEF, 4.95f}, {-1, 0.0f}, {-1, 0.0f}}},                      // EF Release
        {-100.0f, 100.0f, phaseDepth, {{Kind::kEF, 2.0f * phaseDepth}, {-1, 0.0f}, {-1, 0.0f}}},  // XLFO Phase Offset
        {0.0f, 19.0f, 9.5f, {{Kind::kEF, 19.0f}, {-1, 0.0f}, {-1, 0.0f}}},                        // EG Hold
        {0.0f, 5.0f, 2.5f, {{Kind::kEF, 5.0f}, {-1, 0.0f}, {-1, 0.0f}}},                          // EG Delay
    };
    const int numClasses = matrix.getNumClasses() < kNumClasses ? matrix.getNumClasses() : kNumClasses;
    for (int c = 0; c < numClasses; ++c) {
        ModulationMatrix::TargetClass& cls = matrix.targetClass(c);
        cls = ModulationMatrix::TargetClass{};
        cls.min = records[c].min;
        cls.max = records[c].max;
        cls.defaultDepth = records[c].depth;
        for (const auto& pair : records[c].overrides) {
            if (pair.first >= 0) cls.depthOverrides.push_back(pair);
        }
    }

    // The class of each member, in member order.
    static const int kFilterClasses[N::members(N::kFilterTargets)] = {1, 2, 3, 4};
    static const int kXLFOClasses[N::members(N::kXLFOTargets)] = {5, 6, 7, 15};
    static const int kEGClasses[N::members(N::kEGTargets)] = {10, 12, 0, 13, 16, 17};
    static const int kEFClasses[N::members(N::kEFTargets)] = {11, 14};
    static const int kChainClasses[N::members(N::kChainTargets)] = {8, 9, 8, 9, 9};
    // Targets of a kind, with the source that owns each item's targets (-1: none).
    auto assign = [&matrix](N::TargetKind kind, const int* classes, int ownerKindFirst) {
        for (int item = 0; item < N::items(kind); ++item) {
            for (int member = 0; member < N::members(kind); ++member) {
                const int target = N::target(kind, item, member);
                matrix.setTargetClass(target, classes[member]);
                if (ownerKindFirst >= 0) matrix.addSourceOwnTarget(ownerKindFirst + item, target);
            }
        }
    };
    assign(N::kFilterTargets, kFilterClasses, -1);
    assign(N::kXLFOTargets, kXLFOClasses, kFirstXLFO);
    assign(N::kEGTargets, kEGClasses, kFirstEG);
    assign(N::kEFTargets, kEFClasses, kFirstEF);
    assign(N::kChainTargets, kChainClasses, -1);
    for (int s = 0; s < kNumSlots; ++s) matrix.setTargetClass(slotLevelTarget(s), 0);

    for (int source = 0; source < kNumSources; ++source) matrix.setSourceKind(source, defaultKind(source));
}

std::unique_ptr<ModulationMatrix> ModulationLayout::create(wave::Environment& environment) {
    auto matrix = std::make_unique<ModulationMatrix>(environment, kNumSources, kNumTargets, kNumClasses, kNumSlots);
    configure(*matrix);
    return matrix;
}
