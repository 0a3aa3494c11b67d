#include "engine/product/KestrumChannel.h"

#include "engine/product/KestrumPlugin.h"

KestrumChannel::KestrumChannel(KestrumPlugin& plugin, int index)
    : GenericPlugin::Channel(plugin), plugin_(plugin), index_(index) {
    setOutput(&mainInput());
}
