#include "filters/FilterRouting.h"

#include <algorithm>

using wave::Producer;

const int FilterRouting::kProductMasks[8][kMaskCount] = {
    {1, 2, 4, 8, 16},   // 1 -> 2 -> 3 -> 4
    {1, 1, 1, 1, 30},   // all four in parallel
    {1, 2, 1, 8, 20},   // (1 -> 2) parallel to (3 -> 4)
    {1, 1, 6, 6, 24},   // (1 | 2) feeding 3 and 4, in parallel
    {1, 2, 4, 1, 24},   // (1 -> 2 -> 3) parallel to 4
    {1, 1, 1, 14, 16},  // (1 | 2 | 3) -> 4
    {1, 2, 1, 1, 28},   // (1 -> 2) parallel to 3 and to 4
    {1, 1, 6, 8, 16},   // (1 | 2) -> 3 -> 4
};

namespace {
// The series chain, used while no configuration has been added.
const int kSeriesMasks[FilterRouting::kMaskCount] = {1, 2, 4, 8, 16};
}  // namespace

// ---- configuration ----

FilterRouting::Configuration::Configuration(const int* masks, int count) : count_(count) {
    for (int i = 0; i < kMaskCount; ++i) masks_[i] = masks[i];
}

// ---- element ----

FilterRouting::RoutingElement::RoutingElement(FilterRouting& routing, int index, Producer** filterInput,
                                              Producer* output)
    : filterInput_(filterInput),
      output_(output),
      routing_(routing),
      index_(index),
      router_(std::make_unique<Router>(routing.getEnvironment())) {
    router_->addInput(output);   // the filtered signal, gain 1
    router_->addInput(nullptr);  // the dry signal; connected and silenced by the wiring
    router_->crossfadeTime().set(kBypassFadeMs);
}

FilterRouting::RoutingElement::~RoutingElement() = default;

bool FilterRouting::RoutingElement::isActive() const { return enabled.get() && index_ < routing_.filterCount.get(); }

void FilterRouting::RoutingElement::updateSelection(float ms) {
    const int wanted = isActive() ? 0 : 1;
    if (router_->selected().get() != wanted || ms == 0.0f) router_->select(wanted, ms);
}

void FilterRouting::RoutingElement::propertyChanged(PropertyBase* property) {
    if (property != &enabled) return;
    updateSelection(kBypassFadeMs);
    routing_.recomputeMix(false);
}

// ---- routing ----

FilterRouting::FilterRouting(wave::Environment& environment) : wave::Filter(environment, kNoBuffer) {
    configurations_.reserve(8);
    elements_.reserve(kMaxElements);
    mixers_.reserve(kMaxElements);
}

FilterRouting::~FilterRouting() = default;

void FilterRouting::addConfiguration(const int* masks, int count) {
    configurations_.push_back(std::make_unique<Configuration>(masks, count));
    if (!elements_.empty()) recomputeMix(true);
}

void FilterRouting::addProductConfigurations() {
    for (const auto& masks : kProductMasks) addConfiguration(masks);
}

FilterRouting::RoutingElement& FilterRouting::addElement(Producer** filterInput, Producer* output) {
    const int index = elementCount();
    elements_.push_back(std::make_unique<RoutingElement>(*this, index, filterInput, output));
    // Mixer j joins the routing's input (input 0) and the elements 0..j (inputs 1..j+1).
    mixers_.push_back(std::make_unique<Mixer>(getEnvironment(), index + 2));
    Mixer& mixer = *mixers_.back();
    for (int b = 1; b <= index + 1; ++b) mixer.setInput(b, &elements_[static_cast<size_t>(b - 1)]->router());
    filterCount.setSilently(elementCount());
    for (auto& element : elements_) element->updateSelection(0.0f);
    rewire();
    recomputeMix(true);
    return *elements_.back();
}

void FilterRouting::rewire() {
    Producer* input = getInput();
    wiredInput_ = input;
    for (auto& mixer : mixers_) mixer->setInput(0, input);
    for (auto& element : elements_) {
        const int i = element->getIndex();
        Producer* filterInput = i == 0 ? input : mixers_[static_cast<size_t>(i - 1)].get();
        *element->filterInput_ = filterInput;
        Router& router = element->router();
        router.setInput(1, filterInput);
        router.setGain(1, router.selected().get() == 1 ? 1.0f : 0.0f, 0.0f);
    }
}

const FilterRouting::Configuration* FilterRouting::currentConfiguration() const {
    if (configurations_.empty()) return nullptr;
    const int index = std::clamp(configuration.get(), 0, configurationCount() - 1);
    return configurations_[static_cast<size_t>(index)].get();
}

void FilterRouting::recomputeMix(bool immediate) {
    const Configuration* config = currentConfiguration();
    int masks[kMaskCount];
    for (int i = 0; i < kMaskCount; ++i) masks[i] = config ? config->mask(i) : kSeriesMasks[i];
    const int count = std::min(elementCount(), kMaxElements);
    auto active = [&](int j) { return j < count && elements_[static_cast<size_t>(j)]->isActive(); };

    // An inactive element passes its input through. Where that pass-through meets other signals
    // at a junction, it would only add dry signal; walk back through inactive elements to find
    // out whether it carries a filtered signal, and leave it out when it does not.
    int excluded = 0;
    for (int i = 0; i < count; ++i) {
        const int e = 1 << (i + 1);
        int consumer = -1;
        for (int k = i + 1; k < kMaskCount && consumer < 0; ++k) {
            if (masks[k] & e) consumer = k;
        }
        if (consumer < 0) continue;
        const int others = masks[consumer] & ~e;
        if (others == 0) continue;
        for (int j = i;;) {
            if (active(j)) break;  // carries a filtered signal: kept
            bool sibling = false;
            for (int m = 0; m < kMaxElements; ++m) sibling = sibling || (m != j && masks[m] == masks[j]);
            if (sibling) {
                // A sibling fed from the same sources; leave this one out unless every other
                // signal of the junction is already left out.
                const int done = others & excluded & 0x1e;
                if (done != others) excluded |= e;
                break;
            }
            int next = -1;
            for (int c = 0; c < j; ++c) {
                if (masks[j] == 1 << (c + 1)) next = c;
            }
            if (next < 0) break;
            j = next;
        }
    }
    excluded_ = excluded;

    // Every junction averages the signals that reach it.
    const float ms = immediate ? 0.0f : -1.0f;
    for (int j = 0; j < static_cast<int>(mixers_.size()); ++j) {
        Mixer& mixer = *mixers_[static_cast<size_t>(j)];
        const int mask = masks[std::min(j + 1, kMaskCount - 1)];
        int on = 0;
        for (int b = 0; b < mixer.getInputCount(); ++b) {
            if ((mask >> b & 1) && !(excluded >> b & 1)) ++on;
        }
        for (int b = 0; b < mixer.getInputCount(); ++b) {
            const bool isOn = (mask >> b & 1) && !(excluded >> b & 1);
            const float gain = isOn ? 1.0f / static_cast<float>(on) : 0.0f;
            wave::FloatParameterSource& source = mixer.gainParameter(b);
            source.setTarget(gain, ms);
            if (immediate) source.ramp().jumpToEnd();
        }
    }
}

void FilterRouting::propertyChanged(PropertyBase* property) {
    if (property == &filterCount) {
        for (auto& element : elements_) element->updateSelection(kBypassFadeMs);
        recomputeMix(false);
    } else if (property == &configuration) {
        recomputeMix(false);
    }
}

void FilterRouting::render(wave::Buffer&, int frames, int flags) {
    if (flags & wave::kSkip) return;
    if (getInput() != wiredInput_) rewire();
    if (mixers_.empty()) {
        outputSilence();
        return;
    }
    Mixer& last = *mixers_.back();
    setOutput(last.pull(frames, 0));
    setConstant(last.isConstant());
}
