#include "engine/PluginChannel.h"

GenericPlugin::Channel::Channel(GenericPlugin& plugin)
    : plugin_(plugin),
      mainInput_(std::make_unique<wave::Input>(plugin.getEnvironment())),
      sideChainInput_(std::make_unique<wave::Input>(plugin.getEnvironment())) {
    plugin.addChannel(this);
}
