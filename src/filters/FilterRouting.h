#pragma once
#include <memory>
#include <vector>

#include "engine/mixing/Mixer.h"
#include "engine/mixing/Router.h"
#include "engine/wave/Filter.h"
#include "parameters/ModulationNumbering.h"
#include "platform/Property.h"

// Connects up to four filters (each followed by its delay line) between a channel's input and its
// output, in one of several configurations given as source masks. Every element sits behind a
// bypass router that crossfades to the element's input when the element is inactive (disabled, or
// beyond the number of filters in use). Every junction is a mixer that averages the signals that
// reach it; pass-through signals that would only add dry signal to a parallel junction are left
// out (the exclusion walk in recomputeMix()).
//
// Node bits of a mask: bit 0 is the routing's input, bit k (1..4) the output of element k-1.
// Masks 0..3 feed the elements, mask 4 the output.
// Built once (allocating); configuration, filter count and enables change between blocks on the
// audio thread, only moving gain ramps, so no change clicks and nothing is rebuilt.
class FilterRouting : public wave::Filter, public PropertyOwner {
public:
    static constexpr int kMaxElements = ModulationNumbering::kNumFilters;
    static constexpr int kMaskCount = kMaxElements + 1;
    static constexpr float kBypassFadeMs = 20.0f;

    class Configuration {
    public:
        explicit Configuration(const int* masks, int count = kMaxElements);
        virtual ~Configuration() = default;
        int mask(int index) const { return masks_[index]; }
        int count() const { return count_; }

    private:
        int masks_[kMaskCount];
        int count_;
    };

    class RoutingElement : public PropertyOwner {
    public:
        RoutingElement(FilterRouting& routing, int index, wave::Producer** filterInput, wave::Producer* output);
        ~RoutingElement() override;

        void propertyChanged(PropertyBase* property) override;
        bool isActive() const;
        int getIndex() const { return index_; }
        Router& router() { return *router_; }
        wave::Producer* getOutput() const { return output_; }

        Property<bool> enabled{this, true};

    private:
        friend class FilterRouting;
        void updateSelection(float ms);

        wave::Producer** filterInput_;
        wave::Producer* output_;
        FilterRouting& routing_;
        int index_;
        std::unique_ptr<Router> router_;  // input 0: the delay line, input 1: the filter's input
    };

    // The product's eight configurations, in index order.
    static const int kProductMasks[8][kMaskCount];

    explicit FilterRouting(wave::Environment& environment);
    ~FilterRouting() override;

    void addConfiguration(const int* masks, int count = kMaxElements);
    // Adds the product's eight configurations.
    void addProductConfigurations();
    // Adds an element: filterInput is the address of the filter's input field, output the delay
    // line behind the filter.
    RoutingElement& addElement(wave::Producer** filterInput, wave::Producer* output);

    int elementCount() const { return static_cast<int>(elements_.size()); }
    RoutingElement& element(int index) { return *elements_[static_cast<size_t>(index)]; }
    Mixer& mixer(int index) { return *mixers_[static_cast<size_t>(index)]; }
    int configurationCount() const { return static_cast<int>(configurations_.size()); }
    // Element outputs (bits 1..4) that are left out of every junction.
    int getExcluded() const { return excluded_; }

    void render(wave::Buffer& buffer, int frames, int flags) override;
    void processFilter(const wave::Buffer&, wave::Buffer&, int, int) override {}
    void propertyChanged(PropertyBase* property) override;

    Property<int> configuration{this, 0};
    Property<int> filterCount{this, 0};

private:
    friend class RoutingElement;
    void rewire();
    void recomputeMix(bool immediate);
    const Configuration* currentConfiguration() const;

    std::vector<std::unique_ptr<Configuration>> configurations_;
    std::vector<std::unique_ptr<RoutingElement>> elements_;
    wave::Producer* wiredInput_ = nullptr;
    std::vector<std::unique_ptr<Mixer>> mixers_;
    int excluded_ = 0;
};
