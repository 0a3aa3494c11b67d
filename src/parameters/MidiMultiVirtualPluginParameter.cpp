#include "parameters/MidiMultiVirtualPluginParameter.h"

#include <algorithm>
#include <cmath>

#include "platform/Tolerance.h"
#include "parameters/AbstractPluginParameter.h"

MidiMultiVirtualPluginParameter::MidiMultiVirtualPluginParameter(std::vector<MidiVirtualPluginParameter*>& list,
                                                                 const std::string& name_, int capacity)
    : MidiVirtualPluginParameter(list, name_) {
    const size_t reserved = static_cast<size_t>(std::max(capacity, 1));
    parameters.reserve(reserved);
    lastOffsets.reserve(reserved);
    wantedOffsets.reserve(reserved);
}

bool MidiMultiVirtualPluginParameter::addParameter(AbstractPluginParameter* parameter) {
    if (!parameter || contains(parameter)) return false;
    parameters.push_back(parameter);
    lastOffsets.push_back(0.0f);
    wantedOffsets.push_back(0.0f);
    return true;
}

bool MidiMultiVirtualPluginParameter::removeParameter(AbstractPluginParameter* parameter) {
    auto it = std::find(parameters.begin(), parameters.end(), parameter);
    if (it == parameters.end()) return false;
    const auto i = it - parameters.begin();
    parameters.erase(it);
    lastOffsets.erase(lastOffsets.begin() + i);
    wantedOffsets.erase(wantedOffsets.begin() + i);
    return true;
}

bool MidiMultiVirtualPluginParameter::contains(const AbstractPluginParameter* parameter) const {
    return std::find(parameters.begin(), parameters.end(), parameter) != parameters.end();
}

float MidiMultiVirtualPluginParameter::meanNormalized() const {
    float sum = 0.0f;
    for (AbstractPluginParameter* p : parameters) sum += p->normalize(p->getValue());
    return sum / static_cast<float>(parameters.size());
}

void MidiMultiVirtualPluginParameter::setNormalized(float n) {
    if (parameters.empty() || !std::isfinite(n)) return;
    n = std::clamp(n, 0.0f, 1.0f);
    const size_t count = parameters.size();

    // Parameters moved on their own since the last call take their current offset as wanted.
    float mean = meanNormalized();
    for (size_t i = 0; i < count; ++i) {
        const float offset = parameters[i]->normalize(parameters[i]->getValue()) - mean;
        if (std::fabs(offset - lastOffsets[i]) > wave::kTolerance) wantedOffsets[i] = offset;
    }

    for (size_t i = 0; i < count; ++i) {
        const float target = std::clamp(n + wantedOffsets[i], 0.0f, 1.0f);
        parameters[i]->setValue(parameters[i]->denormalize(target), 0);
    }

    mean = meanNormalized();
    for (size_t i = 0; i < count; ++i) {
        lastOffsets[i] = parameters[i]->normalize(parameters[i]->getValue()) - mean;
    }
}
