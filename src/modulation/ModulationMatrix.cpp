#include "modulation/ModulationMatrix.h"

#include <algorithm>
#include <cmath>

#include "engine/wave/Float4.h"
#include "modulation/FloatParameterForwarder.h"

using wave::Buffer;
using wave::Float4;

namespace {

const std::vector<int> kNoIndices;

// A source sample that is not a finite number counts as 0.
float finiteOr0(float x) { return std::isfinite(x) ? x : 0.0f; }

// NaN lands on the lower bound, like the vector clamp.
float clampScalar(float x, float lower, float upper) {
    x = x > lower ? x : lower;
    return x < upper ? x : upper;
}

void fill(float* out, float value, int frames) {
    const Float4 v(value);
    for (int i = 0, n = Buffer::groups(frames) * 4; i < n; i += 4) v.store(out + i);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TargetClass

float ModulationMatrix::TargetClass::depthFor(int kind) const {
    for (const auto& [overrideKind, depth] : depthOverrides) {
        if (overrideKind == kind) return depth;
    }
    return defaultDepth;
}

// ---------------------------------------------------------------------------------------------
// Construction and layout

ModulationMatrix::ModulationMatrix(wave::Environment& environment, int numSources, int numTargets, int numClasses,
                                   int numSlots)
    : environment_(environment),
      classes_(static_cast<size_t>(std::max(numClasses, 1))),
      sources_(static_cast<size_t>(std::max(numSources, 0))),
      targets_(static_cast<size_t>(std::max(numTargets, 0))),
      slots_(static_cast<size_t>(std::clamp(numSlots, 0, std::max(numTargets, 0)))),
      controller_(*this) {
    const int slotCount = getNumSlots();
    for (SourceEntry& source : sources_) source.users.reserve(static_cast<size_t>(slotCount));
    for (int t = 0; t < getNumTargets(); ++t) {
        TargetEntry& entry = tgt(t);
        entry.index = t;
        entry.slots.reserve(static_cast<size_t>(slotCount));
        entry.smoother = std::make_unique<wave::FloatParameterSource>(environment_, 0.0f);
        entry.base = std::make_unique<FloatParameterForwarder>(environment_, *entry.smoother);
        entry.modulated = std::make_unique<GlobalModulationProducer>(*this, t);
        recomputeBounds(entry);
    }
    // The last slotCount targets are the slot levels.
    for (int s = 0; s < slotCount; ++s) {
        SlotEntry& entry = slot(s);
        entry.index = s;
        entry.levelTarget = getNumTargets() - slotCount + s;
        tgt(entry.levelTarget).owningSlot = s;
    }
}

ModulationMatrix::~ModulationMatrix() = default;

void ModulationMatrix::setTargetClass(int target, int cls) {
    if (!isTarget(target) || cls < 0 || cls >= getNumClasses()) return;
    TargetEntry& entry = tgt(target);
    entry.cls = cls;
    entry.scale = 1.0f;
    recomputeBounds(entry);
    entry.smoother->ramp().setTarget(entry.baseValue * entry.scale, 0.0f);
}

void ModulationMatrix::registerSourceProducer(int source, wave::Producer* producer) {
    if (!isSource(source)) return;
    SourceEntry& entry = src(source);
    if (entry.producer == producer) return;
    entry.producer = producer;
    // Only the waiting condition can change: validity does not depend on registration.
    for (int u : entry.users) {
        if (slot(u).state != kInactive) updateSlotState(u, kKeepValidity);
    }
}

void ModulationMatrix::setSourceKind(int source, int kind) {
    if (!isSource(source)) return;
    SourceEntry& entry = src(source);
    entry.kind = kind;
    for (int u : entry.users) updateSlotScale(u);
}

void ModulationMatrix::addSourceOwnTarget(int source, int target) {
    if (!isSource(source) || !isTarget(target)) return;
    std::vector<int>& own = src(source).ownTargets;
    if (std::find(own.begin(), own.end(), target) == own.end()) own.push_back(target);
}

void ModulationMatrix::setTargetListener(int target, TargetListener* listener) {
    if (isTarget(target)) tgt(target).listener = listener;
}

ModulationMatrix::GlobalTargetController* ModulationMatrix::getTargetController(int target) {
    if (!isTarget(target)) return nullptr;
    TargetEntry& entry = tgt(target);
    if (!entry.controller) entry.controller = std::make_unique<GlobalTargetController>(*this, target);
    return entry.controller.get();
}

ModulationMatrix::GlobalModulationProducer* ModulationMatrix::getModulatedProducer(int target) const {
    return isTarget(target) ? tgt(target).modulated.get() : nullptr;
}

const std::vector<int>& ModulationMatrix::getSourceOwnTargets(int source) const {
    return isSource(source) ? src(source).ownTargets : kNoIndices;
}

const std::vector<int>& ModulationMatrix::getSourceUsers(int source) const {
    return isSource(source) ? src(source).users : kNoIndices;
}

const std::vector<int>& ModulationMatrix::getTargetSlots(int target) const {
    return isTarget(target) ? tgt(target).slots : kNoIndices;
}

// ---------------------------------------------------------------------------------------------
// Values

void ModulationMatrix::setTargetValue(int target, float value, float ms) {
    if (!isTarget(target) || !std::isfinite(value)) return;
    TargetEntry& entry = tgt(target);
    entry.baseValue = value;
    entry.smoother->ramp().setTarget(value * entry.scale, ms);
    notifyListener(target);
}

void ModulationMatrix::notifyListener(int target) {
    TargetEntry& entry = tgt(target);
    if (entry.listener) entry.listener->targetChanged(*this, target);
}

void ModulationMatrix::recomputeBounds(TargetEntry& entry) {
    const TargetClass& cls = targetClass(entry.cls);
    float lower = entry.scale * cls.min;
    float upper = entry.scale * cls.max;
    if (lower > upper) std::swap(lower, upper);
    entry.lower = lower;
    entry.upper = upper;
    wave::ValueRamp& ramp = entry.smoother->ramp();
    ramp.setLimits(lower, upper);
    const float span = cls.span * std::fabs(entry.scale);
    if (span > 0.0f) ramp.setSpan(span);
}

// ---------------------------------------------------------------------------------------------
// Slot state

void ModulationMatrix::removeFromList(std::vector<int>& list, int value) {
    auto it = std::find(list.begin(), list.end(), value);
    if (it != list.end()) list.erase(it);  // erasing never allocates
}

void ModulationMatrix::appendToList(std::vector<int>& list, int value) {
    // Capacity is reserved for every slot at construction; a slot is never listed twice.
    if (list.size() < list.capacity() && std::find(list.begin(), list.end(), value) == list.end())
        list.push_back(value);
}

void ModulationMatrix::refreshClamp(int target) {
    TargetEntry& entry = tgt(target);
    bool clamp = true;
    for (int u : entry.slots) {
        if (slot(u).state == kWaiting) clamp = false;
    }
    entry.clampEnabled = clamp;
}

void ModulationMatrix::updateSlotState(int s, int flags, int depth) {
    // Active and waiting slots never form a loop (the dependency rule), so the walk up the chain
    // of slot levels ends; the depth bound only guards against a broken invariant.
    if (depth > getNumSlots()) return;
    SlotEntry& entry = slot(s);
    const int previous = entry.state;
    const bool valid = (flags & kKeepValidity) ? previous != kInactive : controller_.isSlotValid(s);

    int state = kInactive;
    if (valid) {
        if (!src(entry.source).producer) {
            state = kWaiting;
        } else {
            state = kActive;
            for (int u : tgt(entry.levelTarget).slots) {
                if (slot(u).state == kWaiting) state = kWaiting;
            }
        }
    }
    entry.state = state;

    const bool waitingChanged = (previous == kWaiting) != (state == kWaiting);
    if (entry.target >= 0 && ((flags & kRefreshClamp) || waitingChanged)) {
        const int owner = tgt(entry.target).owningSlot;
        if (owner >= 0 && owner != s && slot(owner).state != kInactive)
            updateSlotState(owner, kKeepValidity, depth + 1);
        refreshClamp(entry.target);
    }
    if ((flags & kRecomputeScale) || (previous == kInactive && state != kInactive)) updateSlotScale(s, depth);
}

void ModulationMatrix::updateSlotScale(int s, int depth) {
    if (depth > getNumSlots()) return;
    SlotEntry& entry = slot(s);
    if (entry.state == kInactive) return;
    const TargetEntry& target = tgt(entry.target);
    float scale = target.scale * targetClass(target.cls).depthFor(src(entry.source).kind);
    if (entry.invert) scale = -scale;

    TargetEntry& level = tgt(entry.levelTarget);
    level.scale = scale;
    recomputeBounds(level);
    wave::ValueRamp& ramp = level.smoother->ramp();
    ramp.setTarget(level.baseValue * scale, 0.0f);
    // A ramp that was running towards the same value must not keep running either.
    ramp.jumpToEnd();
    notifyListener(entry.levelTarget);
    // Slots on this level are measured in its units.
    for (int u : level.slots) updateSlotScale(u, depth + 1);
}

void ModulationMatrix::reevaluateInactiveSlots(int except) {
    for (int u = 0; u < getNumSlots(); ++u) {
        const SlotEntry& entry = slot(u);
        if (u != except && entry.state == kInactive && (entry.source >= 0 || entry.target >= 0)) {
            updateSlotState(u, kRecomputeScale);
        }
    }
}

void ModulationMatrix::setSlotSource(int s, int source) {
    if (!isSlot(s)) return;
    if (!isSource(source)) source = -1;
    SlotEntry& entry = slot(s);
    if (entry.source == source) return;
    if (entry.source >= 0) removeFromList(src(entry.source).users, s);
    entry.source = source;
    if (source >= 0) appendToList(src(source).users, s);
    updateSlotState(s, kRecomputeScale);
    reevaluateInactiveSlots(s);
}

void ModulationMatrix::setSlotTarget(int s, int target) {
    if (!isSlot(s)) return;
    if (!isTarget(target)) target = -1;
    SlotEntry& entry = slot(s);
    if (entry.target == target) return;
    const int old = entry.target;
    entry.target = target;
    if (old >= 0) {
        removeFromList(tgt(old).slots, s);
        const int owner = tgt(old).owningSlot;
        if (owner >= 0 && owner != s && slot(owner).state != kInactive) updateSlotState(owner, 0);
        refreshClamp(old);
    }
    if (target >= 0) appendToList(tgt(target).slots, s);
    updateSlotState(s, kRecomputeScale | kRefreshClamp);
    reevaluateInactiveSlots(s);
}

void ModulationMatrix::setSlotBypass(int s, bool bypass) {
    if (!isSlot(s) || slot(s).bypass == bypass) return;
    slot(s).bypass = bypass;
    updateSlotState(s, kRecomputeScale);
}

void ModulationMatrix::setSlotInvert(int s, bool invert) {
    if (!isSlot(s) || slot(s).invert == invert) return;
    slot(s).invert = invert;
    updateSlotScale(s);
}

// ---------------------------------------------------------------------------------------------
// Evaluation

ModulationMatrix::GlobalModulationProducer::GlobalModulationProducer(ModulationMatrix& matrix, int target)
    : Source(matrix.getEnvironment()), matrix_(matrix), target_(target) {}

void ModulationMatrix::GlobalModulationProducer::render(Buffer& own, int frames, int flags) {
    TargetEntry& entry = matrix_.tgt(target_);
    FloatParameterForwarder& base = *entry.base;
    Buffer* baseBuffer = base.pull(frames, flags);
    const bool baseConstant = base.isConstant();
    if (flags & wave::kSkip) {
        setOutput(baseBuffer);
        setConstant(baseConstant);
        return;
    }

    const int n = Buffer::groups(frames) * 4;
    float* out = own.data();
    bool constant = baseConstant;
    float value = (*baseBuffer)[0];
    bool modulated = false;
    bool summed = false;  // the own buffer holds the sum
    const Finish finish = entry.clampEnabled ? Finish::Clamp : Finish::Finite;
    // The latest varying term waits until the next one turns up, so that the last of them can
    // finish the sum (clamp or zero non-finite values) in the same pass.
    Term pending;
    bool hasPending = false;
    auto addPending = [&](Finish how) {
        const float* sum = constant ? pending.sumHeld : summed ? out : baseBuffer->data();
        pending.add(sum, constant ? 0 : 4, out, n, how, entry.lower, entry.upper);
        constant = false;
        summed = true;
        hasPending = false;
    };

    for (int u : entry.slots) {
        const SlotEntry& slotEntry = matrix_.slot(u);
        if (slotEntry.state != kActive) continue;
        wave::Producer* source = matrix_.src(slotEntry.source).producer;
        if (!source) continue;
        const Buffer* sourceBuffer = source->pull(frames, flags);
        const bool sourceConstant = source->isConstant();
        GlobalModulationProducer& level = *matrix_.tgt(slotEntry.levelTarget).modulated;
        const Buffer* levelBuffer = level.pull(frames, flags);
        const bool levelConstant = level.isConstant();

        modulated = true;
        if (constant && !hasPending && sourceConstant && levelConstant) {
            value += finiteOr0((*sourceBuffer)[0]) * (*levelBuffer)[0];
            continue;
        }
        if (hasPending) addPending(Finish::None);
        pending.set(*sourceBuffer, sourceConstant, *levelBuffer, levelConstant, value);
        hasPending = true;
    }

    if (!modulated) {
        setOutput(baseBuffer);
        setConstant(baseConstant);
        return;
    }
    if (hasPending) {
        addPending(finish);
    } else {
        value = finish == Finish::Clamp ? clampScalar(value, entry.lower, entry.upper) : finiteOr0(value);
        fill(out, value, frames);
    }
    setOutput(&own);
    setConstant(constant);
}

void ModulationMatrix::GlobalModulationProducer::Term::set(const Buffer& source, bool sourceConstant,
                                                           const Buffer& level, bool levelConstant, float sum) {
    // A constant operand is read from a broadcast group with a step of 0.
    Float4(finiteOr0(source[0])).store(sourceHeld);
    Float4(level[0]).store(levelHeld);
    Float4(sum).store(sumHeld);
    s = sourceConstant ? sourceHeld : source.data();
    l = levelConstant ? levelHeld : level.data();
    sourceStep = sourceConstant ? 0 : 4;
    levelStep = levelConstant ? 0 : 4;
}

namespace {

// Operands known to be constant are held in registers: a constant is a broadcast group.
template <bool kSourceVaries, bool kLevelVaries, bool kSumVaries, class FinishGroup>
void addTermGroups(const float* s, const float* l, const float* sum, float* out, int n, FinishGroup finish) {
    const Float4 heldSource = finiteOrZero(Float4::load(s));
    const Float4 heldLevel = Float4::load(l);
    const Float4 heldSum = Float4::load(sum);
    for (int i = 0; i < n; i += 4) {
        const Float4 source = kSourceVaries ? finiteOrZero(Float4::load(s + i)) : heldSource;
        const Float4 term = source * (kLevelVaries ? Float4::load(l + i) : heldLevel);
        finish((kSumVaries ? Float4::load(sum + i) : heldSum) + term).store(out + i);
    }
}

template <class FinishGroup>
void addTermGroups(const float* s, bool sourceVaries, const float* l, bool levelVaries, const float* sum,
                   bool sumVaries, float* out, int n, FinishGroup finish) {
    switch ((sourceVaries ? 4 : 0) + (levelVaries ? 2 : 0) + (sumVaries ? 1 : 0)) {
        case 0: addTermGroups<false, false, false>(s, l, sum, out, n, finish); break;
        case 1: addTermGroups<false, false, true>(s, l, sum, out, n, finish); break;
        case 2: addTermGroups<false, true, false>(s, l, sum, out, n, finish); break;
        case 3: addTermGroups<false, true, true>(s, l, sum, out, n, finish); break;
        case 4: addTermGroups<true, false, false>(s, l, sum, out, n, finish); break;
        case 5: addTermGroups<true, false, true>(s, l, sum, out, n, finish); break;
        case 6: addTermGroups<true, true, false>(s, l, sum, out, n, finish); break;
        default: addTermGroups<true, true, true>(s, l, sum, out, n, finish); break;
    }
}

}  // namespace

void ModulationMatrix::GlobalModulationProducer::Term::add(const float* sum, int sumStep, float* out, int n,
                                                           Finish finish, float lower, float upper) const {
    const bool sourceVaries = sourceStep != 0, levelVaries = levelStep != 0, sumVaries = sumStep != 0;
    switch (finish) {
        case Finish::None:
            addTermGroups(s, sourceVaries, l, levelVaries, sum, sumVaries, out, n, [](Float4 x) { return x; });
            break;
        case Finish::Clamp: {
            const Float4 lo(lower), hi(upper);
            addTermGroups(s, sourceVaries, l, levelVaries, sum, sumVaries, out, n,
                          [lo, hi](Float4 x) { return clamp(x, lo, hi); });
            break;
        }
        case Finish::Finite:
            addTermGroups(s, sourceVaries, l, levelVaries, sum, sumVaries, out, n,
                          [](Float4 x) { return finiteOrZero(x); });
            break;
    }
}

ModulationMatrix::GlobalTargetController::GlobalTargetController(ModulationMatrix& matrix, int target)
    : Source(matrix.getEnvironment(), kNoBuffer), matrix_(matrix), target_(target) {
    setOutput(matrix_.tgt(target_).modulated->getOutput());
}

void ModulationMatrix::GlobalTargetController::render(Buffer&, int frames, int flags) {
    if (flags & wave::kSkip) return;
    GlobalModulationProducer& modulated = *matrix_.tgt(target_).modulated;
    setOutput(modulated.pull(frames, flags));
    setConstant(modulated.isConstant());
}

// ---------------------------------------------------------------------------------------------
// Controller

ModulationMatrix::Controller::Controller(ModulationMatrix& matrix)
    : matrix_(matrix), visitedPosition_(static_cast<size_t>(matrix.getNumTargets()), -1) {
    visited_.reserve(static_cast<size_t>(matrix.getNumTargets()));
}

int ModulationMatrix::Controller::getNumSlots() const { return matrix_.getNumSlots(); }

bool ModulationMatrix::Controller::isVisited(int target) const {
    return target >= 0 && target < static_cast<int>(visitedPosition_.size()) &&
           visitedPosition_[static_cast<size_t>(target)] >= 0;
}

bool ModulationMatrix::Controller::markVisited(int target) {
    if (target < 0 || target >= static_cast<int>(visitedPosition_.size()) || isVisited(target)) return false;
    visitedPosition_[static_cast<size_t>(target)] = static_cast<int>(visited_.size());
    visited_.push_back(target);  // within the capacity reserved for every target
    return true;
}

void ModulationMatrix::Controller::clearVisited() {
    for (int t : visited_) visitedPosition_[static_cast<size_t>(t)] = -1;
    visited_.clear();
}

void ModulationMatrix::Controller::collectDependencies(int slot) {
    visitTarget(matrix_.getLevelTarget(slot));
    for (int t : matrix_.getSourceOwnTargets(getSource(slot))) visitTarget(t);
}

void ModulationMatrix::Controller::visitTarget(int target) {
    if (!markVisited(target)) return;
    for (int u = 0; u < getNumSlots(); ++u) {
        if (getTarget(u) == target) collectDependencies(u);
    }
}

bool ModulationMatrix::Controller::isSlotValid(int slot) {
    if (!matrix_.isSlot(slot)) return false;
    const int target = getTarget(slot);
    if (matrix_.getLevelTarget(slot) < 0 || !matrix_.isSource(getSource(slot)) || !matrix_.isTarget(target) ||
        getBypass(slot)) {
        return false;
    }
    clearVisited();
    collectDependencies(slot);
    return !isVisited(target);
}

int ModulationMatrix::Controller::findFreeSlot() {
    for (int s = 0; s < getNumSlots(); ++s) {
        if (getSource(s) < 0 && getTarget(s) < 0) return s;
    }
    for (int s = 0; s < getNumSlots(); ++s) {
        if (!isSlotValid(s)) return s;
    }
    return -1;
}

void ModulationMatrix::Controller::slotsWithSourceIn(int first, int count, std::vector<int>& out) {
    out.clear();
    for (int s = 0; s < getNumSlots(); ++s) {
        const int source = getSource(s);
        if (source >= 0 && source >= first && source < first + count) out.push_back(s);
    }
}

void ModulationMatrix::Controller::slotsWithSource(int source, std::vector<int>& out) {
    slotsWithSourceIn(source, 1, out);
}

void ModulationMatrix::Controller::slotsByKindAndClass(int kind, int cls, std::vector<int>& out) {
    out.clear();
    for (int s = 0; s < getNumSlots(); ++s) {
        const int source = getSource(s);
        const int target = getTarget(s);
        if (source < 0 || target < 0) continue;
        if (kind >= 0 && matrix_.getSourceKind(source) != kind) continue;
        if (cls >= 0 && matrix_.getTargetClassIndex(target) != cls) continue;
        out.push_back(s);
    }
}

void ModulationMatrix::Controller::slotsWithTargetIn(const std::vector<int>& targets, std::vector<int>& out) {
    out.clear();
    for (int s = 0; s < getNumSlots(); ++s) {
        const int target = getTarget(s);
        if (target >= 0 && std::find(targets.begin(), targets.end(), target) != targets.end()) out.push_back(s);
    }
}

void ModulationMatrix::Controller::slotsWithTargetInRange(int first, int count, std::vector<int>& out) {
    out.clear();
    for (int s = 0; s < getNumSlots(); ++s) {
        const int target = getTarget(s);
        if (target >= 0 && target >= first && target < first + count) out.push_back(s);
    }
}

void ModulationMatrix::Controller::slotsWithTarget(int target, std::vector<int>& out) {
    slotsWithTargetInRange(target, 1, out);
}

// ---------------------------------------------------------------------------------------------
// InternalController

bool ModulationMatrix::InternalController::getBypass(int s) { return matrix_.isSlot(s) && matrix_.getSlot(s).bypass; }

bool ModulationMatrix::InternalController::getInvert(int s) { return matrix_.isSlot(s) && matrix_.getSlot(s).invert; }

float ModulationMatrix::InternalController::getLevel(int s) {
    return matrix_.getTargetBaseValue(matrix_.getLevelTarget(s));
}

int ModulationMatrix::InternalController::getSource(int s) {
    return matrix_.isSlot(s) ? matrix_.getSlot(s).source : -1;
}

int ModulationMatrix::InternalController::getTarget(int s) {
    return matrix_.isSlot(s) ? matrix_.getSlot(s).target : -1;
}

void ModulationMatrix::InternalController::setBypass(int s, bool bypass) { matrix_.setSlotBypass(s, bypass); }

void ModulationMatrix::InternalController::setInvert(int s, bool invert) { matrix_.setSlotInvert(s, invert); }

void ModulationMatrix::InternalController::setLevel(int s, float level) {
    matrix_.setTargetValue(matrix_.getLevelTarget(s), level);
}

void ModulationMatrix::InternalController::setSource(int s, int source) { matrix_.setSlotSource(s, source); }

void ModulationMatrix::InternalController::setTarget(int s, int target) { matrix_.setSlotTarget(s, target); }

void ModulationMatrix::InternalController::visitTarget(int target) {
    if (!markVisited(target)) return;
    for (int u : matrix_.getTargetSlots(target)) collectDependencies(u);
}
