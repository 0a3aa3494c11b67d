#pragma once
#include <string>

namespace gui {

// What the accelerated path demands of an OpenGL context, checked from the strings the driver
// reports. Any refusal sends the window to the software path.
class GLRequirements {
public:
    enum class Verdict {
        Accepted,
        NoSwapControl,
        VersionTooLow,
        NoNonPowerOfTwoTextures,
        RefusedVendor,
        NoMultitexture,
    };

    // Bit 4 of the acceleration setting: skip the vendor test.
    static constexpr int kSkipVendorTest = 16;

    static bool hasSwapControl(const std::string& systemExtensions);
    // "major.minor..." at least 1.3; false when the string does not start with two numbers.
    static bool versionAtLeast13(const std::string& version);
    static bool hasExtension(const std::string& extensions, const std::string& name);
    // A vendor known to draw this path wrongly (compared in upper case).
    static bool isRefusedVendor(const std::string& vendor);

    static Verdict check(const std::string& version, const std::string& extensions, const std::string& vendor,
                         int setting, bool multitextureResolved);
};

}  // namespace gui
