#pragma once
#include <array>

namespace gui {

// The process-wide gamma lookup applied to the red, green and blue bytes of decoded images. The
// table is rebuilt only when a different exponent is asked for. Readers take a copy under the
// lock, so images decoded on different threads never see a table half rebuilt.
class GammaTable {
public:
    using Table = std::array<int, 256>;

    // Returns the table for `exponent`, rebuilding the shared one when it was built for an
    // exponent more than 2^-23 away: table[i] = int(pow(i / 255, exponent) * 255).
    static Table forExponent(double exponent);
    // The exponent the shared table was last built for (-1 before the first build).
    static double currentExponent();

    // The factor every image exponent is multiplied by (1.0 unless an editor sets it).
    static double getFactor();
    static void setFactor(double factor);
};

}  // namespace gui
