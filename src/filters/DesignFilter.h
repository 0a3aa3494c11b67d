#pragma once
#include <memory>
#include <string>

#include "parameters/FilterFrequencyRange.h"
#include "filters/FilterSettingTable.h"
#include "filters/StateVariableFilter.h"
#include "platform/Property.h"

class BinaryDataReader;

// The state-variable filter with the sound of one characteristic: it asks its current style for
// the first stage's resonance, the cubic band limit and the clipper drive of every coefficient
// segment, scales its input by the style's input gain, and clips with the style's clip table.
// One design filter serves filter slot k of every channel (one member per lane).
// Audio thread for processing; setStyle() between blocks (it never allocates).
class DesignFilter : public StateVariableFilter {
public:
    // A characteristic: clipper shape, frequency axis and the drive, saturation and resonance
    // tables over (peak, frequency), loaded from a "ZXil" resource. Built once per process before
    // any filter and only read afterwards, from any number of filters at once.
    class Style : public PropertyOwner {
    public:
        static constexpr float kDefaultClipShape = 0.3f;
        static constexpr float kDefaultFreqMin = FilterFrequencyRange::kMin;
        static constexpr float kDefaultFreqMax = FilterFrequencyRange::kMax;
        static constexpr int kDefaultGridSize = 11;
        static constexpr float kMinDrive = 0.1f;

        // Loads the named resource (extension ignored, case ignored) unless the name is empty, in
        // which case the default tables are written. A missing resource raises EResource.
        Style(const std::string& resourceName, float inputGain);
        ~Style() override;

        // Reads one ZXil file. The whole file is read and checked before anything is changed: a
        // wrong magic, a short file, table sizes other than gridSize, a clip shape that is not
        // positive, an empty or non-finite frequency axis, or a non-finite value leaves the style
        // as it was and returns false.
        bool load(BinaryDataReader& reader);
        // Resonance rising with the peak row (at most 0.999), no saturation, drive 0.1.
        virtual void fillDefaults();

        // The three values for a cut-off (log2 Hz) and a peak. The frequency is limited to the
        // style's axis and the peak to 0..1; the drive is at least 0.1.
        void lookup(float freq, float peak, float& resonance, float& saturation, float& drive) const;

        float getInputGain() const { return inputGain_; }
        float getFreqScale() const { return freqScale_; }
        const StateVariableFilter::ClipTable& clipTable() const { return clipTable_; }
        const FilterSettingTable& driveTable() const { return *driveTable_; }
        const FilterSettingTable& saturationTable() const { return *saturationTable_; }
        const FilterSettingTable& resonanceTable() const { return *resonanceTable_; }
        FilterSettingTable& driveTable() { return *driveTable_; }
        FilterSettingTable& saturationTable() { return *saturationTable_; }
        FilterSettingTable& resonanceTable() { return *resonanceTable_; }
        const std::string& getResourceName() const { return resourceName_; }
        int getVersion() const { return version_; }

        void propertyChanged(PropertyBase* property) override;

        Property<float> clipShape{this, kDefaultClipShape};
        Property<float> freqMin{this, kDefaultFreqMin};
        Property<float> freqMax{this, kDefaultFreqMax};
        Property<int> gridSize{this, kDefaultGridSize};

    private:
        void updateFreqScale();

        std::string resourceName_;
        float freqScale_ = 0.0f;
        StateVariableFilter::ClipTable clipTable_;
        std::unique_ptr<FilterSettingTable> driveTable_;
        std::unique_ptr<FilterSettingTable> saturationTable_;
        float inputGain_;
        std::unique_ptr<FilterSettingTable> resonanceTable_;
        int version_ = -1;
    };

    // style may be null: the filter then behaves as the plain state-variable filter.
    DesignFilter(wave::Environment& environment, const Style* style);

    // Selects the characteristic: its tables, its input gain and its clipper.
    void setStyle(const Style* style);
    const Style* getStyle() const { return style_; }

    void designValues(float freq, float peak, float& resonanceIn, float& saturation, float& drive) override;
    float inputGain() override;

private:
    const Style* style_ = nullptr;
};
