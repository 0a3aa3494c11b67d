#pragma once
#include "engine/wave/FunctionTable.h"

// The shaped segments of the envelope generator: a rising curve (attack, rise to sustain) and a
// falling curve (decay, release), each a cubic Bezier y(x) sampled once per process into a
// 4096-point function table over x in [0, 1]. Position p in [0, 4095] stands for x = p / 4095.
//
// The tables are built on first use (at construction of the first generator) and are read-only
// afterwards, so any thread may read them.
class EnvelopeCurves {
public:
    static constexpr int kPoints = 4096;
    static constexpr float kLastPosition = static_cast<float>(kPoints - 1);

    using Table = FunctionTable;

    // A cubic Bezier curve through (x0, y0) .. (x3, y3) whose x grows monotonically with the
    // curve parameter, evaluated as a function y(x).
    struct Bezier : FunctionTableFunction {
        Bezier(const double (&xs)[4], const double (&ys)[4]) {
            for (int i = 0; i < 4; ++i) {
                x[i] = xs[i];
                y[i] = ys[i];
            }
        }
        double x[4];
        double y[4];
        double at(double xValue) const;
        double evaluate(double xValue) const override { return at(xValue); }
    };

    static const EnvelopeCurves& shared();

    const Table& rising() const { return rising_; }
    const Table& falling() const { return falling_; }

    // The table value at position p (0..4095); positions at or past the end give the last entry.
    static float read(const Table& table, double position) {
        return table.read(static_cast<float>(position / kLastPosition));
    }

private:
    EnvelopeCurves();

    Table rising_;
    Table falling_;
};
