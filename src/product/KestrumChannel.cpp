#include "product/KestrumChannel.h"

#include <algorithm>

#include "product/KestrumPlugin.h"
#include "product/KestrumSharedStages.h"
#include "modulation/ModulationLayout.h"
#include "modulation/ModulationMatrix.h"

namespace {

constexpr float kSwitchMs = 20.0f;

int effectiveFilterCount(int active, bool stereo, int mode) {
    if (!stereo || mode == RoutingEnums::Stereo) return std::clamp(active, 1, KestrumChannel::kFilters);
    return std::max(2, active & ~1);  // 1, 2, 3, 4 -> 2, 2, 2, 4: half the filters per channel
}

}  // namespace

KestrumChannel::KestrumChannel(KestrumPlugin& plugin, int index)
    : Channel(plugin),
      plugin_(plugin),
      index_(index),
      inputGain_(plugin.getEnvironment()),
      outputGain_(plugin.getEnvironment()),
      routing_(plugin.getEnvironment()),
      mixer_(plugin.getEnvironment()),
      audition_(plugin.getEnvironment()) {
    wave::Environment& env = plugin.getEnvironment();
    KestrumSharedStages& shared = plugin.sharedStages();
    ModulationMatrix& matrix = *plugin.getModulationMatrix();

    inputGain_.gainParameter().ramp().setLimits(0.0f, 100.0f);
    outputGain_.gainParameter().ramp().setLimits(0.0f, 100.0f);

    if (isStereo()) {
        inputSide_ = std::make_unique<Router>(env);
        inputSide_->addInput(&mainInput());
        inputSide_->addInput(&shared.encoder()->output(index));
        inputSide_->select(0, 0.0f);
        inputGain_.setInput(inputSide_.get());
    } else {
        inputGain_.setInput(&mainInput());
    }

    routing_.setInput(&inputGain_);
    routing_.addProductConfigurations();
    for (int k = 0; k < kFilters; ++k) {
        auto& filter = filters_[static_cast<size_t>(k)];
        filter = std::make_unique<MultiDesignFilter>(shared.parallelUnit(k));
        filter->setFactorProducer(&shared.analyzer());
        filter->setPeakProducer(matrix.getTargetController(ModulationLayout::filterTarget(k, FilterTarget::Peak)));
        filter->setFrequencyProducer(matrix.getTargetController(ModulationLayout::filterTarget(k, FilterTarget::Freq)));
        auto& delay = delays_[static_cast<size_t>(k)];
        delay = std::make_unique<DelayLine>(env);
        delay->setInput(filter.get());
        delay->setDelayProducer(matrix.getTargetController(ModulationLayout::filterTarget(k, FilterTarget::Delay)));
        routing_.addElement(filter->inputField(), delay.get());
    }
    outputGain_.setInput(&routing_);

    mixer_.setDry(&mainInput());
    if (isStereo()) {
        outputSide_ = std::make_unique<Router>(env);
        outputSide_->addInput(&outputGain_);
        outputSide_->addInput(&shared.decoder()->output(index));
        outputSide_->select(0, 0.0f);
        mixer_.setProcessed(outputSide_.get());
        inputGain_.setGainSource(&shared.inputLevel().output(index));
        outputGain_.setGainSource(&shared.outputLevel().output(index));
    } else {
        mixer_.setProcessed(&outputGain_);
        inputGain_.setGainSource(matrix.getTargetController(ModulationLayout::kInputGain));
        outputGain_.setGainSource(matrix.getTargetController(ModulationLayout::kOutputGain));
    }
    mixer_.setLinearLaw(true);
    mixer_.setMixSource(matrix.getTargetController(ModulationLayout::kMix));

    audition_.addInput(&mixer_);
    audition_.addInput(&mainInput());
    audition_.addInput(&sideChainInput());
    audition_.select(0, 0.0f);
    setOutput(&audition_);
}

KestrumChannel::~KestrumChannel() = default;

bool KestrumChannel::isStereo() const { return plugin_.getNumChannels() == 2; }

void KestrumChannel::assignFrequencySources(int routingMode) {
    ModulationMatrix& matrix = *plugin_.getModulationMatrix();
    for (int k = 0; k < kFilters; ++k) {
        wave::Producer* source = routingMode == RoutingEnums::Stereo
                                     ? static_cast<wave::Producer*>(&plugin_.sharedStages().filterFrequency(k).output(index_))
                                     : matrix.getTargetController(ModulationLayout::filterTarget(k, FilterTarget::Freq));
        filters_[static_cast<size_t>(k)]->setFrequencyProducer(source);
    }
}

void KestrumChannel::updateElements(int effective, int routingMode) {
    const int half = effective / 2;
    for (int k = 0; k < kFilters; ++k) {
        bool on = plugin_.filters.at(k).enabled.getStoredValue();
        if (isStereo() && routingMode != RoutingEnums::Stereo) {
            on = on && index_ * half <= k && k <= (index_ + 1) * half - 1;
        }
        routing_.element(k).enabled.set(on);
    }
}

void KestrumChannel::parameterChanged(int index) {
    KestrumPlugin& p = plugin_;
    const bool all = index == -1;

    // Stage properties that follow single parameters.
    if (all || index == p.audition.getId()) audition_.select(p.audition.getIndex(), all ? 0.0f : kSwitchMs);
    for (int k = 0; k < kFilters; ++k) {
        FilterParameterSet& set = p.filters.at(k);
        MultiDesignFilter& f = *filters_[static_cast<size_t>(k)];
        if (all || index == set.characteristic.getId()) f.characteristic.set(set.characteristic.getIndex());
        if (all || index == set.response.getId()) f.response.set(set.response.getIndex());
        if (all || index == set.slope.getId()) f.slope.set(set.slope.getStoredValue());
        if (all || index == p.autoMute.getId()) f.autoMute.set(p.autoMute.getStoredValue() ? 1 : 0);
    }

    const int mode = isStereo() ? p.routingMode.getIndex() : RoutingEnums::Stereo;
    const int active = p.filters.getActiveCount();
    const int effective = effectiveFilterCount(active, isStereo(), mode);
    const bool routingChanged = all || index == p.routing.getId() || index == p.routingMode.getId();
    const bool countChanged = all || index == p.routingMode.getId() || index == p.filters.getNumActive().getId();

    if (isStereo()) {
        int side = mode == RoutingEnums::MidSide ? 1 : 0;
        if (all || index == p.routingMode.getId()) {
            inputSide_->select(side, all ? 0.0f : kSwitchMs);
            outputSide_->select(side, all ? 0.0f : kSwitchMs);
            assignFrequencySources(mode);
        }
    }
    if (routingChanged) {
        int b = p.routing.getIndex();
        int configuration = b;
        if (mode != RoutingEnums::Stereo) {
            configuration = KestrumPlugin::routingsOffered(effective, isStereo(), mode) == 4 ? ((b / 2) % 2) * 4 + (b % 2) : 0;
        }
        routing_.configuration.set(configuration);
    }
    routing_.filterCount.set(effective);

    bool enableChanged = countChanged;
    for (int k = 0; k < kFilters && !enableChanged; ++k) enableChanged = index == p.filters.at(k).enabled.getId();
    if (enableChanged) updateElements(effective, mode);
}
