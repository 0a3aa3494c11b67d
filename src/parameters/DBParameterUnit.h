#pragma once
#include "parameters/DBParameterUnitBase.h"

// Decibel values printed with the decibel formatter ("+6.02", "-INF").
class DBParameterUnit : public DBParameterUnitBase {
public:
    static const DBParameterUnit& instance();
    void apply(ParameterDisplay& display) const override;

protected:
    DBParameterUnit();
};
