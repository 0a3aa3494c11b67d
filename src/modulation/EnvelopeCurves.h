#pragma once
#include <array>

// The shaped segments of the envelope generator: a rising curve (attack, rise to sustain) and a
// falling curve (decay, release), each a cubic Bezier y(x) sampled once per process at 4096
// points over x in [0, 1] and read with linear interpolation. Position p in [0, 4095] stands for
// x = p / 4095; the table holds one extra entry that repeats the last point.
//
// The tables are built on first use (at construction of the first generator) and are read-only
// afterwards, so any thread may read them.
class EnvelopeCurves {
public:
    static constexpr int kPoints = 4096;
    static constexpr float kLastPosition = static_cast<float>(kPoints - 1);

    using Table = std::array<float, kPoints + 1>;

    // A cubic Bezier curve through (x0, y0) .. (x3, y3) whose x grows monotonically with the
    // curve parameter, evaluated as a function y(x).
    struct Bezier {
        double x[4];
        double y[4];
        double at(double xValue) const;
    };

    static const EnvelopeCurves& shared();

    const Table& rising() const { return rising_; }
    const Table& falling() const { return falling_; }

    // The table value at position p (0..4095); positions at or past the end give the last entry.
    static float read(const Table& table, double position) {
        if (!(position < kLastPosition)) return table[kPoints - 1];
        if (position <= 0.0) return table[0];
        const int i = static_cast<int>(position);
        const float f = static_cast<float>(position - i);
        return table[i] + (table[i + 1] - table[i]) * f;
    }

private:
    EnvelopeCurves();
    static void sample(Table& table, const Bezier& curve);

    Table rising_;
    Table falling_;
};
