#include "host/lv2/Lv2ControlPorts.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "engine/GenericPlugin.h"
#include "host/lv2/Lv2PortLayout.h"
#include "parameters/FloatPluginParameter.h"

namespace {

std::string unitUri(const std::string& label) {
    static const std::pair<const char*, const char*> units[] = {
        {"Hz", "http://lv2plug.in/ns/extensions/units#hz"}, {"dB", "http://lv2plug.in/ns/extensions/units#db"},
        {"ms", "http://lv2plug.in/ns/extensions/units#ms"}, {"s", "http://lv2plug.in/ns/extensions/units#s"},
        {"%", "http://lv2plug.in/ns/extensions/units#pc"}};
    for (const auto& [text, uri] : units) {
        if (label == text) return uri;
    }
    return std::string();
}

// A display that grows geometrically across the value range: positive bounds a decade or more
// apart, with the middle of the range shown near their geometric mean.
bool isLogarithmic(AbstractPluginParameter& p, float lo, float hi) {
    if (!(lo > 0.0f) || hi / lo < 10.0f) return false;
    const float middle = p.valueToDisplay(0.5f * (p.getMinimum() + p.getMaximum()));
    const float geometric = std::sqrt(lo * hi);
    return std::fabs(middle - geometric) < 0.1f * geometric;
}

}  // namespace

std::pair<float, float> Lv2ControlPorts::displayRange(AbstractPluginParameter& p) {
    if (p.isDiscrete()) return {p.getMinimum(), p.getMaximum()};
    const float a = p.valueToDisplay(p.getMinimum());
    const float b = p.valueToDisplay(p.getMaximum());
    return {std::min(a, b), std::max(a, b)};
}

float Lv2ControlPorts::portValue(AbstractPluginParameter& p, float value) {
    return p.isDiscrete() ? value : p.valueToDisplay(value);
}

bool Lv2ControlPorts::parameterValue(AbstractPluginParameter& p, float port, float& value) {
    if (!std::isfinite(port)) return false;
    const auto [lo, hi] = displayRange(p);
    const float shown = std::clamp(port, lo, hi);
    float v = p.isDiscrete() ? std::round(shown) : p.displayToValue(shown);
    if (!std::isfinite(v)) return false;
    value = std::clamp(v, std::min(p.getMinimum(), p.getMaximum()), std::max(p.getMinimum(), p.getMaximum()));
    return true;
}

std::string Lv2ControlPorts::symbolFor(const std::string& name, std::vector<std::string>& used) {
    std::string base;
    for (unsigned char c : name) {
        if (std::isalnum(c)) base += static_cast<char>(std::tolower(c));
        else if (!base.empty() && base.back() != '_') base += '_';
    }
    while (!base.empty() && base.back() == '_') base.pop_back();
    if (base.empty() || std::isdigit(static_cast<unsigned char>(base[0]))) base = "p_" + base;
    std::string symbol = base;
    for (int n = 2; std::find(used.begin(), used.end(), symbol) != used.end(); ++n) symbol = base + "_" + std::to_string(n);
    used.push_back(symbol);
    return symbol;
}

std::vector<Lv2ControlPorts::Port> Lv2ControlPorts::describe(GenericPlugin& plugin) {
    std::vector<std::string> used(std::begin(Lv2PortLayout::kReservedSymbols), std::end(Lv2PortLayout::kReservedSymbols));
    std::vector<Port> ports;
    for (int i = 0; i < plugin.getNumParameters(); ++i) {
        AbstractPluginParameter& p = *plugin.getParameter(i);
        Port port;
        port.parameter = i;
        port.name = p.getName();
        port.symbol = symbolFor(p.getName(), used);
        std::tie(port.minimum, port.maximum) = displayRange(p);
        port.defaultValue = std::clamp(portValue(p, p.getDefaultValue()), port.minimum, port.maximum);
        if (p.isDiscrete()) {
            const int lo = static_cast<int>(p.getMinimum());
            const int hi = static_cast<int>(p.getMaximum());
            if (p.isNumeric()) {
                port.kind = Kind::Integer;
            } else {
                port.kind = lo == 0 && hi == 1 ? Kind::Toggle : Kind::Enumeration;
                for (int v = lo; v <= hi; ++v) port.scalePoints.emplace_back(static_cast<float>(v), p.formatValue(static_cast<float>(v)));
            }
        } else {
            if (auto* f = dynamic_cast<FloatPluginParameter*>(&p)) port.unit = unitUri(f->getDisplay().label);
            port.logarithmic = isLogarithmic(p, port.minimum, port.maximum);
        }
        ports.push_back(std::move(port));
    }
    return ports;
}
