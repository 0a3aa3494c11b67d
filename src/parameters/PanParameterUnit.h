#pragma once
#include "parameters/FloatPluginParameterUnit.h"

// Pan positions -1..1, shown as "C" in the middle and as a percentage towards one side otherwise
// ("50 L", "100 R"). Typed text may carry "L" or "R" after a percentage ("25 L"); a plain number
// is the position itself (-0.25).
class PanParameterUnit : public FloatPluginParameterUnit {
public:
    static const PanParameterUnit& instance();
    // Installs the formatter; the display carries no label of its own, the side is the label.
    void apply(ParameterDisplay& display) const override;

    static std::string format(float position);
    // "C" (the shown centre) reads back as the middle.
    bool parseWordOnly(std::string_view word, float& display) const override;

protected:
    PanParameterUnit();
};
