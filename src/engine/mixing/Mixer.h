#pragma once
#include <memory>
#include <vector>

#include "engine/wave/Float4.h"
#include "engine/wave/FloatParameterSource.h"
#include "engine/wave/Producer.h"
#include "platform/Property.h"

// Combines several inputs, each scaled by its own gain (an embedded smoothed source starting at
// 1.0, or a producer plugged in instead). Inputs without a producer are left out. Combine types,
// with x = input × gain for every input after the first:
//   0 sum:        out = Σ gain × input (constant-0 inputs are not pulled; a lone input at a
//                 constant gain of 1 is handed on by reference)
//   1 difference: out = first - x ...
//   2 peak:       out = max(|first| × gain, |x| ...)  (largest magnitude across the inputs)
//   3 product:    out = first × x ...
//   4 ratio:      out = |first| × gain / |x|, limited to 0..1; 0 where |x| is 0
//   5 ratio:      out = max(out, 1e-9) / max(|x|, 1e-9)
//   6 held ratio: out = out / |x| where |x| > 1e-9, and that quotient is held; elsewhere the
//                 last quotient is repeated (across blocks too; 1.0 at first)
//   7 maximum:    out = max(out, x)
//   8 minimum:    out = min(out, x)
// Types 2, 4, 5 and 6 start from |first input| × gain, the others from first input × gain.
// With no input the output is the silence buffer.
//
// Changing the input count rebuilds the list: every input comes back with no producer and its
// embedded gain at 1.0. Storage for inputs built once is kept, so only growing beyond the largest
// count so far allocates: set the count at construction.
class Mixer : public wave::Source, public PropertyOwner {
public:
    enum Type : int {
        kSum = 0,
        kDifference = 1,
        kPeak = 2,
        kProduct = 3,
        kLimitedRatio = 4,
        kRatio = 5,
        kHeldRatio = 6,
        kMaximum = 7,
        kMinimum = 8,
    };
    static constexpr int kMaxInputs = 64;
    static constexpr float kRatioFloor = 1e-9f;

    Mixer(wave::Environment& environment, int inputCount = 0, int type = kSum);
    ~Mixer() override;

    void setInput(int index, wave::Producer* input);
    wave::Producer* getInput(int index) const;
    int getInputCount() const { return inputCount_.get(); }

    // The embedded smoothed gain of an input.
    wave::FloatParameterSource& gainParameter(int index);
    // Plugs another gain producer into an input; null restores the embedded one.
    void setGainSource(int index, wave::Producer* source);
    wave::Producer* getGainSource(int index) const;

    LimitedProperty<int>& inputCount() { return inputCount_; }
    LimitedProperty<int>& type() { return type_; }
    float getHeldQuotient() const { return heldQuotient_; }

    void propertyChanged(PropertyBase* property) override;
    void render(wave::Buffer& buffer, int frames, int flags) override;
    // Forgets the held quotient of type 6.
    void resetState() override { heldQuotient_ = 1.0f; }

protected:
    struct Input {
        explicit Input(wave::Environment& environment) : gain(environment, 1.0f), gainSource(&gain) {}
        wave::Producer* producer = nullptr;
        wave::FloatParameterSource gain;
        wave::Producer* gainSource;
        // This block's gain and whether the input takes part.
        const float* gainSamples = nullptr;
        bool gainConstant = true;
        bool contributes = false;
        const float* samples = nullptr;
        bool inputConstant = true;
    };

    Input& input(int index) { return *inputs_[static_cast<size_t>(index)]; }

private:
    void rebuildInputs();
    void renderSum(wave::Buffer& buffer, int frames);
    void renderCombined(wave::Buffer& buffer, int frames, int type);
    template <class Start, class Combine>
    void combine(float* out, int frames, Start start, Combine step);
    // Type 6: the held quotient runs in time order (per sample, the inputs in list order).
    void combineHeldRatio(float* out, int frames);
    static wave::Float4 gainAt(const Input& in, int i) {
        return in.gainConstant ? wave::Float4(in.gainSamples[0]) : wave::Float4::load(in.gainSamples + i);
    }

    LimitedProperty<int> inputCount_;
    LimitedProperty<int> type_;
    std::vector<std::unique_ptr<Input>> inputs_;  // at least inputCount_ entries; extras kept for reuse
    std::vector<Input*> active_;                  // this block's inputs with a producer, in order
    float heldQuotient_ = 1.0f;
};
