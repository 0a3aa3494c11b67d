#include "gui/GLRequirements.h"

#include <cctype>
#include <cstdio>

namespace gui {

bool GLRequirements::hasExtension(const std::string& extensions, const std::string& name) {
    // Whole names only: "GL_ARB_texture" must not match "GL_ARB_texture_rg".
    std::size_t at = 0;
    while ((at = extensions.find(name, at)) != std::string::npos) {
        const bool startOk = at == 0 || extensions[at - 1] == ' ';
        const std::size_t end = at + name.size();
        const bool endOk = end == extensions.size() || extensions[end] == ' ';
        if (startOk && endOk) return true;
        at = end;
    }
    return false;
}

bool GLRequirements::hasSwapControl(const std::string& systemExtensions) {
    return hasExtension(systemExtensions, "GLX_EXT_swap_control") || hasExtension(systemExtensions, "GLX_MESA_swap_control");
}

bool GLRequirements::versionAtLeast13(const std::string& version) {
    int major = 0;
    int minor = 0;
    if (std::sscanf(version.c_str(), "%d.%d", &major, &minor) != 2) return false;
    return major > 1 || (major == 1 && minor >= 3);
}

bool GLRequirements::isRefusedVendor(const std::string& vendor) {
    std::string upper;
    for (char c : vendor) upper += char(std::toupper(static_cast<unsigned char>(c)));
    return upper.find("MATROX") != std::string::npos;
}

GLRequirements::Verdict GLRequirements::check(const std::string& version, const std::string& extensions,
                                              const std::string& vendor, int setting, bool multitextureResolved) {
    if (!versionAtLeast13(version)) return Verdict::VersionTooLow;
    if (!hasExtension(extensions, "GL_ARB_texture_non_power_of_two")) return Verdict::NoNonPowerOfTwoTextures;
    if (!(setting & kSkipVendorTest) && isRefusedVendor(vendor)) return Verdict::RefusedVendor;
    if (!multitextureResolved) return Verdict::NoMultitexture;
    return Verdict::Accepted;
}

}  // namespace gui
