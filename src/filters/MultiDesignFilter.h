#pragma once
#include <memory>
#include <string>
#include <vector>

#include "filters/BiQuadFilter.h"
#include "filters/BiQuadGroup.h"
#include "filters/DesignFilter.h"
#include "filters/GenericFilter.h"
#include "platform/Property.h"

// One of the four filters of a channel. The characteristic decides which unit computes it: the
// ten table characteristics (0..9) join the design filter shared by this filter slot of every
// channel and select its style; Clean (10) uses the filter's own biquad, which the slot's biquad
// group computes together with the other channels' (a stereo pair in one pass).
// Response and slope reach the unit in use before every pass; a change of characteristic takes
// effect at the next block, without crossfade and without clearing filter states.
// Property writes happen between blocks on the audio thread; render on the audio thread.
class MultiDesignFilter : public GenericFilter, public PropertyOwner {
public:
    static constexpr int kTableCharacteristics = 10;
    static constexpr int kClean = 10;
    static constexpr int kCharacteristicCount = 11;

    static constexpr const char* kCleanName = "Clean";
    // The characteristic names as the user sees them, in index order, comma-separated: the items
    // of each filter's "Characteristic" parameter.
    static std::string characteristicItems();

    // What the product ships for each table characteristic, in index order.
    struct Characteristic {
        const char* name;
        const char* resource;
        float inputGain;
    };
    static const Characteristic kCharacteristics[kTableCharacteristics];

    // The styles of the table characteristics, in characteristic order (owned).
    class Style {
    public:
        Style() = default;
        virtual ~Style();
        Style(const Style&) = delete;
        Style& operator=(const Style&) = delete;

        // Constructs a style from the named resource and appends it. Raises EResource when the
        // resource does not exist.
        DesignFilter::Style& add(const std::string& name, float inputGain);
        // Appends the ten product characteristics in order.
        void addCharacteristics();

        int size() const { return static_cast<int>(styles_.size()); }
        const DesignFilter::Style* operator[](int index) const {
            return index >= 0 && index < size() ? styles_[static_cast<size_t>(index)] : nullptr;
        }

        // The process-wide list with the ten product characteristics, built on first use (the
        // first plug-in instance builds it before any filter exists; thread-safe).
        static const Style& shared();

    private:
        std::vector<DesignFilter::Style*> styles_;
    };

    // The design filter and the biquad group of one filter slot, shared by that slot's filters in
    // every channel.
    class ParallelUnit : public wave::Component {
    public:
        ParallelUnit(wave::Environment& environment, const Style& styles);
        ParallelUnit(const ParallelUnit&) = delete;
        ParallelUnit& operator=(const ParallelUnit&) = delete;

        wave::Environment& getEnvironment() const { return environment_; }
        DesignFilter& designFilter() { return *designFilter_; }
        BiQuadGroup& cleanGroup() { return *cleanGroup_; }
        const Style& styles() const { return styles_; }

    private:
        wave::Environment& environment_;
        std::unique_ptr<DesignFilter> designFilter_;
        std::unique_ptr<BiQuadGroup> cleanGroup_;
        const Style& styles_;
    };

    // Joins the unit's design filter and creates the entries, the own Clean biquad included.
    explicit MultiDesignFilter(ParallelUnit& unit);
    ~MultiDesignFilter() override;

    void propertyChanged(PropertyBase* property) override;

    DesignFilter& designFilter() const { return designFilter_; }
    BiQuadFilter& cleanFilter() const { return *clean_; }

    // The characteristic index 0..10; values outside that range are limited to it.
    Property<int> characteristic{this, 0};

private:
    struct Entry {
        GenericFilter::FilterUnit* unit;
        GenericFilter::ParallelFilterUnit* group;
        int styleIndex;
    };

    void selectCharacteristic(int index);

    DesignFilter& designFilter_;
    std::unique_ptr<BiQuadFilter> clean_;
    std::vector<Entry> entries_;
    const Style& styles_;
};
