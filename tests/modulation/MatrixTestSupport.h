#pragma once
// Shared pieces of the matrix tests: simple source producers, a matrix on its own environment with
// the product layout, and a plug-in whose slot parameters drive a matrix.
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "engine/wave/Environment.h"
#include "engine/wave/FloatParameterSource.h"
#include "modulation/ModulationLayout.h"
#include "modulation/ModulationMatrix.h"
#include "support/SetsTestPlugin.h"

namespace matrix_test {

using Layout = ModulationLayout;
using Matrix = ModulationMatrix;

// A per-sample ramp: value = start + slope × (sample index since creation). Never constant.
class RampSource : public wave::Source {
public:
    RampSource(wave::Environment& environment, float start, float slope)
        : Source(environment), start_(start), slope_(slope) {}
    void render(wave::Buffer& buffer, int frames, int) override {
        for (int i = 0; i < frames; ++i, ++time_) buffer[i] = start_ + slope_ * static_cast<float>(time_);
        setConstant(false);
    }

private:
    float start_;
    float slope_;
    long time_ = 0;
};

// Alternates finite samples with NaN and infinities.
class BrokenSource : public wave::Source {
public:
    explicit BrokenSource(wave::Environment& environment) : Source(environment) {}
    void render(wave::Buffer& buffer, int frames, int) override {
        const float bad[3] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity()};
        for (int i = 0; i < frames; ++i) buffer[i] = i % 2 == 0 ? 0.5f : bad[(i / 2) % 3];
        setConstant(false);
    }
};

// A matrix with the product layout whose 34 source outputs are constant sources (value 0), each
// registered unless `registerSources` is false.
struct MatrixBench {
    static constexpr int kBlock = 64;

    explicit MatrixBench(bool registerSources = true) : env(kBlock) {
        env.setSampleRate(48000.0f);
        matrix = Layout::create(env);
        for (int s = 0; s < Layout::kNumSources; ++s) {
            sources.push_back(std::make_unique<wave::FloatParameterSource>(env, 0.0f));
            sources.back()->ramp().setLimits(-1.0f, 1.0f);
            if (registerSources) matrix->registerSourceProducer(s, sources.back().get());
        }
    }

    Matrix::InternalController& slots() { return matrix->getController(); }
    // Connects a slot at once (level as given, ramps finished at the next block).
    void connect(int slot, int source, int target, float level) {
        slots().setSource(slot, source);
        slots().setTarget(slot, target);
        matrix->setTargetValue(matrix->getLevelTarget(slot), level, 0.0f);
    }
    void setSource(int source, float value) { sources[static_cast<size_t>(source)]->setTarget(value, 0.0f); }

    // The next block of a target as its controller hands it on.
    const wave::Buffer& pull(int target, int frames = kBlock) {
        env.advanceBlock();
        Matrix::GlobalTargetController* controller = matrix->getTargetController(target);
        const wave::Buffer& out = *controller->pull(frames, 0);
        lastConstant = controller->isConstant();
        env.run(frames, 0);
        return out;
    }
    float value(int target) { return pull(target)[kBlock - 1]; }

    wave::Environment env;
    std::unique_ptr<Matrix> matrix;
    std::vector<std::unique_ptr<wave::FloatParameterSource>> sources;
    bool lastConstant = false;
};

// The product's parameters and sets driving a matrix with the product layout; every source output
// is a constant source.
class MatrixTestPlugin : public SetsTestPlugin {
public:
    MatrixTestPlugin() {
        ModulationMatrix& m = createModulationMatrix(getEnvironment());
        for (int s = 0; s < Layout::kNumSources; ++s) {
            sources.push_back(std::make_unique<wave::FloatParameterSource>(getEnvironment(), 0.0f));
            sources.back()->ramp().setLimits(-1.0f, 1.0f);
            m.registerSourceProducer(s, sources.back().get());
        }
        syncModulationMatrix();
    }

    // Target values reach the matrix (the recording of the base test plug-in is not wanted here).
    void targetValueApplied(int target, float plainValue) override {
        ModulationMatrixOwner::targetValueApplied(target, plainValue);
    }

    ModulationMatrix& matrix() { return *getModulationMatrix(); }
    ModulationSlotParameterSet& slot(int s) { return slots.at(s); }

    std::vector<std::unique_ptr<wave::FloatParameterSource>> sources;
};

}  // namespace matrix_test
