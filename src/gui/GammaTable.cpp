#include "gui/GammaTable.h"

#include <cmath>
#include <mutex>

namespace gui {

namespace {

struct Shared {
    std::mutex mutex;
    GammaTable::Table table{};
    double exponent = -1.0;
    double factor = 1.0;
};

Shared& shared() {
    static Shared instance;
    return instance;
}

int entry(int i, double exponent) {
    const double value = std::pow(i / 255.0, exponent) * 255.0;
    // A degenerate exponent (zero gamma in a file, a zero factor) must not reach the conversion.
    if (!(value >= 0.0)) return 0;
    if (value >= 255.0) return 255;
    return static_cast<int>(value);
}

}  // namespace

GammaTable::Table GammaTable::forExponent(double exponent) {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    const double difference = std::fabs(exponent - s.exponent);
    if (difference > 1.1920929e-7 || (std::isnan(exponent) != std::isnan(s.exponent))) {
        for (int i = 0; i < 256; ++i) s.table[i] = entry(i, exponent);
        s.exponent = exponent;
    }
    return s.table;
}

double GammaTable::currentExponent() {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.exponent;
}

double GammaTable::getFactor() {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.factor;
}

void GammaTable::setFactor(double factor) {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.factor = factor;
}

}  // namespace gui
