#pragma once
#include <memory>
#include <vector>

#include "engine/wave/Producer.h"
#include "engine/wave/ValueRamp.h"
#include "platform/Property.h"

// Selects one of several inputs, crossfading between them: each input is scaled by its own ramp
// (created at 1.0), and a new selection sends the selected input's ramp to 1 and every other to
// 0 over the crossfade time. Inputs whose ramp stays at 0 are not pulled, so their upstream chain
// costs nothing; a lone input at gain 1 is handed on by reference.
// An index outside the inputs selects none of them (silence once the fade is over).
// Inputs are added at construction (that allocates); selection changes happen on the audio thread.
class Router : public wave::Source, public PropertyOwner {
public:
    static constexpr float kDefaultCrossfadeMs = 20.0f;

    explicit Router(wave::Environment& environment, int inputCount = 0);
    ~Router() override;

    // Appends an input at gain 1; returns its index. Construction only.
    int addInput(wave::Producer* input);
    void setInput(int index, wave::Producer* input);
    wave::Producer* getInput(int index) const;
    int getInputCount() const { return static_cast<int>(inputs_.size()); }

    // The gain ramp of one input (the owner may set it directly, e.g. at once while wiring).
    wave::ValueRamp& gain(int index);
    // Sends one input's gain to `value`; ms 0 jumps there at once, ms < 0 picks the automatic time.
    void setGain(int index, float value, float ms);
    // Selects `index` silently and sends the gains there over `ms` (0: at once).
    void select(int index, float ms);

    Property<int>& selected() { return selected_; }
    LimitedProperty<float>& crossfadeTime() { return crossfadeTime_; }

    void propertyChanged(PropertyBase* property) override;
    void render(wave::Buffer& buffer, int frames, int flags) override;

private:
    struct Input {
        explicit Input(wave::Environment& environment) : ramp(environment, 1.0f) {}
        wave::Producer* producer = nullptr;
        wave::ValueRamp ramp;
        // This block: whether the ramp is constant and whether the input is mixed in.
        bool constant = true;
        bool contributes = false;
    };

    void applySelection(float ms);

    std::vector<std::unique_ptr<Input>> inputs_;
    Property<int> selected_;
    LimitedProperty<float> crossfadeTime_;
};
