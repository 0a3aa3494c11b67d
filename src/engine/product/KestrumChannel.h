#pragma once
#include "engine/PluginChannel.h"

class KestrumPlugin;

// One audio channel of the product. The processing chain (gain stages, filter routing, mix and
// audition) is assembled here; until it exists the channel's output is its main input, so the
// plug-in passes its input through unchanged.
class KestrumChannel : public GenericPlugin::Channel {
public:
    // Built after the plug-in's init(), on its environment.
    KestrumChannel(KestrumPlugin& plugin, int index);
    ~KestrumChannel() override = default;

    int getIndex() const { return index_; }
    KestrumPlugin& getKestrumPlugin() const { return plugin_; }

private:
    KestrumPlugin& plugin_;
    int index_;
};
