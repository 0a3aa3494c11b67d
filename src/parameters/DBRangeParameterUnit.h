#pragma once
#include "parameters/DBParameterUnitBase.h"

// Decibel amounts (ranges, depths) printed with two decimals and no forced sign.
class DBRangeParameterUnit : public DBParameterUnitBase {
public:
    static const DBRangeParameterUnit& instance();
    void apply(ParameterDisplay& display) const override;

protected:
    DBRangeParameterUnit();
};
