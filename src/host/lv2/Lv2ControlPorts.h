#pragma once
#include <string>
#include <utility>
#include <vector>

class AbstractPluginParameter;
class GenericPlugin;

// One control input port per host parameter, in id order, described in the units the editor shows
// (Hz, dB, ms, %, seconds) so that a host's generic controls read like the editor. The turtle
// generator, the preset exporter and the running plug-in all take their ports from here.
class Lv2ControlPorts {
public:
    enum class Kind { Continuous, Integer, Toggle, Enumeration };

    struct Port {
        int parameter = 0;
        std::string symbol;
        std::string name;
        Kind kind = Kind::Continuous;
        float minimum = 0.0f;  // in display units
        float maximum = 1.0f;
        float defaultValue = 0.0f;
        bool logarithmic = false;
        std::string unit;      // an LV2 units URI, or empty
        std::vector<std::pair<float, std::string>> scalePoints;
    };

    // Every host parameter of the plug-in as a port description.
    static std::vector<Port> describe(GenericPlugin& plugin);
    // A symbol from a name: lowercase, every run of other characters one '_', never starting with a
    // digit, and made unique against `used` (which receives it) by a numeric suffix.
    static std::string symbolFor(const std::string& name, std::vector<std::string>& used);

    // The port value that shows a parameter value (audio thread safe: no allocation).
    static float portValue(AbstractPluginParameter& parameter, float value);
    // The parameter value a port value asks for, limited to the port's and the parameter's range;
    // false for a non-finite port value. Audio thread safe.
    static bool parameterValue(AbstractPluginParameter& parameter, float port, float& value);
    // The display bounds of a parameter, lowest first.
    static std::pair<float, float> displayRange(AbstractPluginParameter& parameter);
};
