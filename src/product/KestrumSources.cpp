#include "product/KestrumSources.h"

#include <algorithm>
#include <cmath>

#include "product/KestrumPlugin.h"
#include "product/KestrumSharedStages.h"
#include "modulation/ModulationMatrix.h"

namespace {

using Layout = ModulationLayout;

// The level-signal router of a detector: input 0 the normal input's peak, input 1 the side chain's.
std::unique_ptr<Router> makeLevelRouter(wave::Environment& environment, KestrumSharedStages& shared) {
    auto router = std::make_unique<Router>(environment);
    router->addInput(&shared.inputPeak());
    router->addInput(&shared.sideChainPeak());
    router->select(0, 0.0f);
    return router;
}

float unit(float v) { return std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f; }

}  // namespace

template <class Parameter, class PropertyType>
void KestrumSources::bind(Parameter& parameter, PropertyType& property) {
    parameter.bind(&property);
    unbinders_.push_back([&parameter, &property] { parameter.unbind(&property); });
}

KestrumSources::KestrumSources(KestrumPlugin& plugin, ModulationMatrix& matrix, KestrumSharedStages& shared)
    : plugin_(plugin), matrix_(matrix), shared_(shared) {
    for (auto& d : display_) d.store(0.0f, std::memory_order_relaxed);
    for (int k = 0; k < kXLFOs; ++k) createXLFO(k);
    for (int e = 0; e < kEGs; ++e) createEG(e);
    for (int k = 0; k < kEFs; ++k) createEF(k);
    for (int m = 0; m < kMidiSources; ++m) createMidiSource(m);
}

KestrumSources::~KestrumSources() {
    for (auto& unbind : unbinders_) unbind();
}

void KestrumSources::createXLFO(int k) {
    wave::Environment& env = plugin_.getEnvironment();
    const size_t i = static_cast<size_t>(k);
    xlfos_[i] = std::make_unique<XLFO>(env);
    XLFO& lfo = *xlfos_[i];
    lfo.setRandomUnipolar(true);
    controllers_[i] = std::make_unique<XLFOFreqController>(env, lfo);
    XLFOFreqController& rate = *controllers_[i];

    // "Frequency Offset" is a number of octaves: its factor speeds up the synced rate inside the
    // controller and the free rate here, so the knob acts in both modes, as its help text says.
    // The matrix limits the modulated offset to -1..1 octaves, the displayed factors 0.5..2.
    wave::Producer* offset = matrix_.getTargetController(Layout::xlfoTarget(k, XLFOTarget::FrequencyOffset));
    offsetFactors_[i] = std::make_unique<FrequencyMultiplier>(env, nullptr, offset);
    freeRates_[i] = std::make_unique<FrequencyMultiplier>(env, matrix_.getTargetController(Layout::xlfoTarget(k, XLFOTarget::Frequency)), offset);
    rate.setFreeFrequencyInput(freeRates_[i].get());
    rate.setOffsetInput(offsetFactors_[i].get());
    lfo.setFrequencyInput(&rate);
    lfo.setGlideInput(matrix_.getTargetController(Layout::xlfoTarget(k, XLFOTarget::Glide)));
    lfo.setPhaseOffsetInput(matrix_.getTargetController(Layout::xlfoTarget(k, XLFOTarget::PhaseOffset)));

    XLFOParameterSet& set = plugin_.xlfos.at(k);
    XLFOParameterSetExtension& extension = plugin_.xlfoExtensions.at(k);
    bind(set.balance, lfo.balance());
    bind(set.syncMode, rate.syncMode());
    bind(set.midiTrigger, lfo.midiTrigger());
    bind(extension.snap, lfo.snap());
    for (int s = 0; s < XLFO::kMaxSteps; ++s) {
        XLFOParameterSet::StepParameterSet& step = set.steps.at(s);
        bind(step.value, lfo.step(s).value());
        bind(step.glide, lfo.step(s).glide());
        bind(step.glideFunction, lfo.step(s).glideFunction());
        bind(step.random, lfo.step(s).random());
    }

    matrix_.registerSourceProducer(Layout::kFirstXLFO + k, &lfo);
    lfo.setUpdatePriority(kUpdatePriority);
    plugin_.xlfos.getNumActive().setItemProducer(0, k, &lfo);
}

void KestrumSources::createEG(int e) {
    wave::Environment& env = plugin_.getEnvironment();
    const size_t i = static_cast<size_t>(e);
    triggerInputs_[i] = makeLevelRouter(env, shared_);
    triggers_[i] = std::make_unique<Trigger>(env);
    triggers_[i]->setInput(triggerInputs_[i].get());
    egs_[i] = std::make_unique<EnvelopeGenerator>(env);
    EnvelopeGenerator& generator = *egs_[i];
    generator.setTrigger(triggers_[i].get());
    for (int p = 0; p < EnvelopeGenerator::kParameterCount; ++p) {
        generator.setParameterInput(static_cast<EnvelopeGenerator::Parameter>(p),
                                    matrix_.getTargetController(Layout::egTarget(e, static_cast<EGTarget>(p))));
    }

    EGParameterSet& set = plugin_.egs.at(e);
    bind(set.threshold, triggers_[i]->threshold());
    bind(set.triggering, generator.triggering());

    matrix_.registerSourceProducer(Layout::kFirstEG + e, &generator);
    generator.setUpdatePriority(kUpdatePriority);
    plugin_.egs.getNumActive().setItemProducer(0, e, &generator);
}

void KestrumSources::createEF(int k) {
    wave::Environment& env = plugin_.getEnvironment();
    const size_t i = static_cast<size_t>(k);
    followerInputs_[i] = makeLevelRouter(env, shared_);
    efs_[i] = std::make_unique<EnvelopeFollower>(env);
    EnvelopeFollower& follower = *efs_[i];
    follower.setInput(followerInputs_[i].get());
    // While the router hands on one peak unchanged, the follower takes that peak's shared conversion.
    follower.shareConversion(&shared_.inputPeakDecibels());
    follower.shareConversion(&shared_.sideChainPeakDecibels());
    follower.setAttackInput(matrix_.getTargetController(Layout::efTarget(k, EFTarget::Attack)));
    follower.setReleaseInput(matrix_.getTargetController(Layout::efTarget(k, EFTarget::Release)));

    // "Normal Input,Side Chain" are the router's inputs 0 and 1; a change crossfades.
    bind(plugin_.efs.at(k).input, followerInputs_[i]->selected());

    matrix_.registerSourceProducer(Layout::kFirstEF + k, &follower);
    follower.setUpdatePriority(kUpdatePriority);
    plugin_.efs.getNumActive().setItemProducer(0, k, &follower);
}

void KestrumSources::createMidiSource(int m) {
    const size_t i = static_cast<size_t>(m);
    midiSources_[i] = std::make_unique<MidiModSource>(plugin_.getEnvironment(), cache_);
    MidiModSource& source = *midiSources_[i];
    MidiSourceParameterSet& set = plugin_.midiSources.at(m);
    bind(set.input, source.input);
    bind(set.controllerNumber, source.controllerNumber);
    bind(plugin_.midiExtensions.at(m).responseCurve, source.responseCurve);

    matrix_.registerSourceProducer(Layout::kFirstMidi + m, &source);
    source.setUpdatePriority(kUpdatePriority);
    plugin_.midiSources.getNumActive().setItemProducer(0, m, &source);
}

void KestrumSources::parameterChanged(int index) {
    const bool all = index == -1;
    for (int k = 0; k < kXLFOs; ++k) {
        XLFOParameterSet& set = plugin_.xlfos.at(k);
        XLFO& lfo = *xlfos_[static_cast<size_t>(k)];
        // The step list's count is a plain int parameter; the XLFO's count is a limited property.
        if (all || index == set.steps.getNumActive().getId()) lfo.stepCount().set(set.steps.getNumActive().getStoredValue());
        PropPluginParameter<bool>& snap = plugin_.xlfoExtensions.at(k).snap;
        if (all || index == snap.getId()) {
            matrix_.setSourceKind(Layout::kFirstXLFO + k,
                                  snap.getStoredValue() ? ModulationMatrix::kSnappedXLFO : ModulationMatrix::kXLFO);
        }
    }
    for (int e = 0; e < kEGs; ++e) {
        PropPluginParameter<EGEnums::Triggering>& triggering = plugin_.egs.at(e).triggering;
        if (!all && index != triggering.getId()) continue;
        const EGEnums::Triggering mode = triggering.getStoredValue();
        EnvelopeGenerator& generator = *egs_[static_cast<size_t>(e)];
        generator.triggering().set(mode);  // switches the trigger on or off
        triggerInputs_[static_cast<size_t>(e)]->select(mode == EGEnums::SideChain ? 1 : 0, 0.0f);
        generator.closeGate();
    }
}

void KestrumSources::noteOn(int key) {
    if (key == 0) {
        held_.fill(0);
        heldCount_.store(0, std::memory_order_relaxed);
        closeGates(true);
        return;
    }
    if (key < 0 || key > 127) return;
    ++held_[static_cast<size_t>(key)];
    heldCount_.fetch_add(1, std::memory_order_relaxed);
    for (auto& lfo : xlfos_) lfo->noteOn();
    for (auto& generator : egs_) generator->midiNoteOn();
}

void KestrumSources::noteOff(int key) {
    if (key == 0) {
        held_.fill(0);
        heldCount_.store(0, std::memory_order_relaxed);
        closeGates(false);
        return;
    }
    if (key < 0 || key > 127 || held_[static_cast<size_t>(key)] == 0) return;
    --held_[static_cast<size_t>(key)];
    if (heldCount_.fetch_sub(1, std::memory_order_relaxed) == 1) closeGates(false);
}

void KestrumSources::closeGates(bool midiOnly) {
    for (auto& generator : egs_) {
        if (!midiOnly || generator->triggering().get() == EGEnums::Midi) generator->closeGate();
    }
}

void KestrumSources::tempoChanged(float bpm, float position) {
    for (auto& rate : controllers_) rate->setTempo(bpm, position);
}

float KestrumSources::xlfoDisplay(int k) const {
    XLFO& lfo = *xlfos_[static_cast<size_t>(k)];
    float v = lfo.getOutput()->data()[0];
    if (lfo.isFast()) {
        // Too fast to follow by eye: show the highest step instead.
        v = -1.0f;
        for (int s = 0, n = lfo.stepCount().get(); s < n; ++s) {
            XLFO::Step& step = lfo.step(s);
            float value = step.random().get() ? step.getCurrentValue() : step.value().get();
            if (lfo.snap().get()) value = XLFO::snapToGrid(value);
            v = std::max(v, value);
        }
    }
    return unit((v + 1.0f) * 0.5f);
}

void KestrumSources::captureDisplayValues() {
    auto store = [this](int source, float v) { display_[static_cast<size_t>(source)].store(v, std::memory_order_relaxed); };
    for (int k = 0; k < 4; ++k) {
        store(Layout::kFirstXY + 2 * k, unit(shared_.xy(k).displayValue(0)));
        store(Layout::kFirstXY + 2 * k + 1, unit(shared_.xy(k).displayValue(1)));
    }
    for (int k = 0; k < kXLFOs; ++k) store(Layout::kFirstXLFO + k, xlfoDisplay(k));
    for (int e = 0; e < kEGs; ++e) store(Layout::kFirstEG + e, unit(egs_[static_cast<size_t>(e)]->getCurrentValue()));
    for (int k = 0; k < kEFs; ++k) store(Layout::kFirstEF + k, unit(efs_[static_cast<size_t>(k)]->getOutput()->data()[0]));
    for (int m = 0; m < kMidiSources; ++m) store(Layout::kFirstMidi + m, unit(midiSources_[static_cast<size_t>(m)]->displayValue()));
}

float KestrumSources::displayValue(int source) const {
    if (source < 0 || source >= Layout::kNumSources) return 0.0f;
    return display_[static_cast<size_t>(source)].load(std::memory_order_relaxed);
}
