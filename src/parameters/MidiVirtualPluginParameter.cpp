#include "parameters/MidiVirtualPluginParameter.h"

MidiVirtualPluginParameter::MidiVirtualPluginParameter(std::vector<MidiVirtualPluginParameter*>& list,
                                                       const std::string& name_)
    : name(name_) {
    list.push_back(this);
    id = kFirstId - 1 + static_cast<int>(list.size());
}
