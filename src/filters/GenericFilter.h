#pragma once
#include "parameters/ParameterEnums.h"
#include <vector>

#include "engine/wave/Filter.h"
#include "engine/wave/FloatParameterSource.h"
#include "platform/Property.h"

// A filter node of the signal graph: takes one audio input, reads per-sample frequency (log2 Hz),
// peak (0..1) and mix (0..1) streams, and hands the work to a filter unit. A filter either uses its
// own unit, or belongs to a group (a ParallelFilterUnit) that computes up to four filters in one
// vectorised pass and marks each of them computed for the block.
//
// Response and slope are copied into the unit before every pass. With autoMute set, the peak is
// multiplied per coefficient update by the factor producer's output (the self-oscillation mute).
// Audio thread for render and reset; wiring and group changes between blocks.
class GenericFilter : public wave::Filter {
public:
    using Response = FilterEnums::Response;
    static constexpr Response LowPass = FilterEnums::LowPass;
    static constexpr Response HighPass = FilterEnums::HighPass;
    static constexpr Response BandPass = FilterEnums::BandPass;
    using Slope = FilterEnums::Slope;
    static constexpr Slope Slope12 = FilterEnums::Slope12;
    static constexpr Slope Slope24 = FilterEnums::Slope24;
    static constexpr Slope Slope48 = FilterEnums::Slope48;

    // The algorithm behind a filter. response and slope are written by the filter before each pass.
    class FilterUnit : public wave::Component {
    public:
        FilterUnit() = default;
        virtual ~FilterUnit() = default;
        FilterUnit(const FilterUnit&) = delete;
        FilterUnit& operator=(const FilterUnit&) = delete;

        // Filters `count` samples of one filter. freq is log2 of the cut-off in Hz and peak is 0..1,
        // one value per sample; factor (or null) multiplies the peak; constant says that freq and
        // peak hold one value for the whole block. in and out may be the same array when
        // processesInPlace() is true.
        virtual void process(const float* in, float* out, const float* freq, const float* peak, const float* factor,
                             int count, bool constant) = 0;
        virtual bool processesInPlace() const = 0;
        virtual bool acceptsSlope(int slope) const = 0;
        // Clears the filter state (not the coefficients).
        virtual void reset() = 0;

        Property<int> response{nullptr, LowPass};
        Property<int> slope{nullptr, Slope12};
    };

    // A unit that computes all of its member filters in one pass, one per lane of a Float4.
    class ParallelFilterUnit : public FilterUnit {
    public:
        static constexpr int kMaxMembers = 4;

        ParallelFilterUnit() { members_.reserve(kMaxMembers); }
        ~ParallelFilterUnit() override;

        // Computes every member for the current block and delivers each lane to its member.
        virtual void processMembers(int count) = 0;
        const std::vector<GenericFilter*>& members() const { return members_; }

    private:
        friend class GenericFilter;
        std::vector<GenericFilter*> members_;
    };

    // What a group needs from one member for one block.
    struct Streams {
        const float* input = nullptr;
        const float* frequency = nullptr;
        const float* peak = nullptr;
        const float* factor = nullptr;  // null unless auto-mute is on and a factor producer is set
        bool factorConstant = false;    // the factor holds one value for the block
        bool constant = true;           // frequency and peak hold one value for the block
        bool active = false;            // false when the mix is constantly 0: nothing to compute
    };

    explicit GenericFilter(wave::Environment& environment);
    ~GenericFilter() override;

    // The own streams; their producers can be replaced (modulation targets). Null restores the own.
    wave::FloatParameterSource& frequencySource() { return frequencySource_; }
    wave::FloatParameterSource& peakSource() { return peakSource_; }
    wave::FloatParameterSource& mixSource() { return mixSource_; }
    void setFrequencyProducer(wave::Producer* producer) { frequency_ = producer ? producer : &frequencySource_; }
    void setPeakProducer(wave::Producer* producer) { peak_ = producer ? producer : &peakSource_; }
    void setMixProducer(wave::Producer* producer) { mix_ = producer ? producer : &mixSource_; }
    void setFactorProducer(wave::Producer* producer) { factor_ = producer; }

    // The unit used when the filter is in no group (not owned).
    void setUnit(FilterUnit* unit) { unit_ = unit; }
    FilterUnit* getUnit() const { return unit_; }
    // Leaves the current group and appends this filter to `group`'s members. Fails (and leaves the
    // filter in no group) when the group already has four members.
    bool joinGroup(ParallelFilterUnit* group);
    void leaveGroup();
    ParallelFilterUnit* getGroup() const { return group_; }

    // Resets the unit in use: the group if there is one, else the own unit.
    void reset();
    void resetState() override { reset(); }

    void render(wave::Buffer& buffer, int frames, int flags) override;
    // One filter through the own unit, with the mix stage.
    void processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) override;

    // For groups: pulls the input and the streams of this block.
    Streams fetchStreams(int frames);
    // For groups: the filtered block `wet` goes through the mix stage into the own buffer, and the
    // filter counts as computed for this block.
    void deliver(const float* wet, int frames);
    // For groups: the input is this block's output, unfiltered.
    void passThrough();
    bool isComputed() const { return computedStamp_ == getEnvironment().getBlockCounter(); }

    Property<int> autoMute{nullptr, 0};
    Property<int> response{nullptr, LowPass};
    Property<int> slope{nullptr, Slope12};

private:
    Streams controlStreams(const wave::Buffer& in, int frames);
    void markComputed(wave::Buffer* output, bool constant);

    wave::FloatParameterSource frequencySource_;
    wave::FloatParameterSource mixSource_;
    wave::FloatParameterSource peakSource_;
    wave::Producer* frequency_;
    wave::Producer* mix_;
    wave::Producer* peak_;
    wave::Producer* factor_ = nullptr;

    // Processing state of the current block.
    const wave::Buffer* currentInput_ = nullptr;
    const float* mixValues_ = nullptr;
    bool mixConstant_ = true;
    wave::Buffer* currentOutput_ = nullptr;
    bool outputConstant_ = false;
    std::int64_t computedStamp_ = -1;

    FilterUnit* unit_ = nullptr;
    ParallelFilterUnit* group_ = nullptr;
};
