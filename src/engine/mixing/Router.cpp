#include "engine/mixing/Router.h"

#include "engine/mixing/GainKernels.h"
#include "platform/Tolerance.h"

using namespace wave;

Router::Router(Environment& environment, int inputCount)
    : Source(environment), selected_(this, 0), crossfadeTime_(this, kDefaultCrossfadeMs, 0.0f, 10000.0f) {
    for (int i = 0; i < inputCount; ++i) addInput(nullptr);
}

Router::~Router() = default;

int Router::addInput(Producer* input) {
    inputs_.push_back(std::make_unique<Input>(getEnvironment()));
    inputs_.back()->producer = input;
    return getInputCount() - 1;
}

void Router::setInput(int index, Producer* input) {
    if (index >= 0 && index < getInputCount()) inputs_[index]->producer = input;
}

Producer* Router::getInput(int index) const {
    return index >= 0 && index < getInputCount() ? inputs_[index]->producer : nullptr;
}

ValueRamp& Router::gain(int index) { return inputs_.at(static_cast<size_t>(index))->ramp; }

void Router::setGain(int index, float value, float ms) {
    if (index < 0 || index >= getInputCount()) return;
    ValueRamp& ramp = inputs_[index]->ramp;
    ramp.setTarget(value, ms);
    // A zero time must also finish a ramp that already heads for this value.
    if (ms == 0.0f) ramp.jumpToEnd();
}

void Router::select(int index, float ms) {
    selected_.setSilently(index);
    applySelection(ms);
}

void Router::applySelection(float ms) {
    for (int i = 0; i < getInputCount(); ++i) setGain(i, i == selected_.get() ? 1.0f : 0.0f, ms);
}

void Router::propertyChanged(PropertyBase* property) {
    if (property == &selected_) applySelection(crossfadeTime_.get());
}

void Router::render(Buffer& buffer, int frames, int flags) {
    if (flags & kSkip) return;  // the ramps catch up on the time they missed at the next render
    const int stamp = getEnvironment().getCurrentTime() + frames;

    // First the gains: they decide which inputs are pulled at all.
    int contributors = 0;
    Input* lone = nullptr;
    for (auto& input : inputs_) {
        input->ramp.catchUp();
        input->ramp.setTimeStamp(stamp);
        input->constant = input->ramp.fill(frames);
        input->contributes =
            input->producer && !(input->constant && nearlyEqual(input->ramp.getTarget(), 0.0f));
        if (input->contributes) {
            ++contributors;
            lone = input.get();
        }
    }

    if (contributors == 0) {
        outputSilence();
        return;
    }
    if (contributors == 1 && lone->constant && nearlyEqual(lone->ramp.getTarget(), 1.0f)) {
        setOutput(lone->producer->pull(frames, 0));
        setConstant(lone->producer->isConstant());
        return;
    }

    bool first = true;
    bool constant = true;
    for (auto& input : inputs_) {
        if (!input->contributes) continue;
        const Buffer* in = input->producer->pull(frames, 0);
        gain_kernels::scaleOrAdd(!first, buffer.data(), in->data(), input->ramp.buffer().data(), input->constant,
                                 frames);
        constant = constant && input->constant && input->producer->isConstant();
        first = false;
    }
    setOutput(&buffer);
    setConstant(constant);
}
