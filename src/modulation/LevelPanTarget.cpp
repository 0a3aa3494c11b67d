#include "modulation/LevelPanTarget.h"

#include <algorithm>
#include <cmath>

#include "platform/Tolerance.h"

using wave::Buffer;
using wave::Float4;

namespace {

wave::Producer& controllerOf(ModulationMatrix& matrix, int target) {
    ModulationMatrix::GlobalTargetController* controller = matrix.getTargetController(target);
    // An index outside the matrix reads silence from a producer that is never rendered.
    return controller ? static_cast<wave::Producer&>(*controller) : *matrix.getModulatedProducer(0);
}

}  // namespace

LevelPanTarget::LevelPanTarget(ModulationMatrix& matrix, int levelTarget, int panTarget, LevelPanLaw::Mode mode)
    : matrix_(matrix),
      levelTarget_(levelTarget),
      panTarget_(panTarget),
      mode_(mode),
      channel0_(matrix.getEnvironment(), 0.0f),
      channel1_(matrix.getEnvironment(), 0.0f),
      voice_(*this, controllerOf(matrix, levelTarget), controllerOf(matrix, panTarget)) {
    const int cls = std::max(matrix_.getTargetClassIndex(levelTarget_), 0);
    float lower = matrix_.targetClass(cls).min;
    const float upper = matrix_.targetClass(cls).max;
    if (mode_ == LevelPanLaw::kBalance) lower = std::min(lower, 0.0f);
    channel0_.ramp().setLimits(lower, upper);
    channel1_.ramp().setLimits(lower, upper);
    matrix_.setTargetListener(levelTarget_, this);
    matrix_.setTargetListener(panTarget_, this);
    // Start where the targets are, without a ramp.
    const LevelPanLaw::Channels c =
        LevelPanLaw::apply(mode_, matrix_.getTargetBaseValue(levelTarget_), matrix_.getTargetBaseValue(panTarget_));
    channel0_.setTarget(c.channel0, 0.0f);
    channel1_.setTarget(c.channel1, 0.0f);
}

LevelPanTarget::~LevelPanTarget() {
    matrix_.setTargetListener(levelTarget_, nullptr);
    matrix_.setTargetListener(panTarget_, nullptr);
}

void LevelPanTarget::targetChanged(ModulationMatrix& matrix, int target) {
    if (target != levelTarget_ && target != panTarget_) return;
    const LevelPanLaw::Channels c =
        LevelPanLaw::apply(mode_, matrix.getTargetBaseValue(levelTarget_), matrix.getTargetBaseValue(panTarget_));
    channel0_.setTarget(c.channel0);
    channel1_.setTarget(c.channel1);
}

bool LevelPanTarget::hasConnections() const {
    return matrix_.targetHasSlots(levelTarget_) || matrix_.targetHasSlots(panTarget_);
}

LevelPanTarget::VoiceController::VoiceController(LevelPanTarget& owner, wave::Producer& level, wave::Producer& pan)
    : MultiProducer(owner.matrix_.getEnvironment(), 2), owner_(owner), level_(level), pan_(pan) {}

void LevelPanTarget::VoiceController::renderAll(Buffer* const* buffers, int frames, int flags) {
    if (flags & wave::kSkip) return;
    Buffer* level = level_.pull(frames, flags);
    Buffer* pan = pan_.pull(frames, flags);
    const bool levelConstant = level_.isConstant();
    const bool panConstant = pan_.isConstant();

    // A centred, unmodulated pan leaves the level as it is on both channels.
    if (panConstant && std::fabs((*pan)[0]) <= wave::kTolerance) {
        setOutput(0, level, levelConstant);
        setOutput(1, level, levelConstant);
        return;
    }
    if (!owner_.hasConnections()) {
        for (int c = 0; c < 2; ++c) {
            wave::FloatParameterSource& source = owner_.channelSource(c);
            Buffer* out = source.pull(frames, flags);  // pulled before its constant flag is read
            setOutput(c, out, source.isConstant());
        }
        return;
    }

    // A constant operand is read from a broadcast group with a step of 0.
    alignas(16) float levelHeld[4];
    alignas(16) float panHeld[4];
    Float4((*level)[0]).store(levelHeld);
    Float4((*pan)[0]).store(panHeld);
    const float* l = levelConstant ? levelHeld : level->data();
    const float* p = panConstant ? panHeld : pan->data();
    const int levelStep = levelConstant ? 0 : 4;
    const int panStep = panConstant ? 0 : 4;
    float* out0 = buffers[0]->data();
    float* out1 = buffers[1]->data();
    const LevelPanLaw::Mode mode = owner_.mode_;
    Float4 c0, c1;
    for (int i = 0, li = 0, pi = 0, n = Buffer::groups(frames) * 4; i < n; i += 4, li += levelStep, pi += panStep) {
        LevelPanLaw::apply(mode, Float4::load(l + li), Float4::load(p + pi), c0, c1);
        c0.store(out0 + i);
        c1.store(out1 + i);
    }
    setOutput(0, buffers[0], false);
    setOutput(1, buffers[1], false);
}
