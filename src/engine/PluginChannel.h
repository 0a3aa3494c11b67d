#pragma once
#include <memory>

#include "engine/GenericPlugin.h"
#include "engine/wave/Input.h"

// One audio channel of the plug-in: its main and side-chain inputs and the last stage of its chain.
// The constructor appends the channel to the plug-in's channel vector (which it does not own).
class GenericPlugin::Channel {
public:
    explicit Channel(GenericPlugin& plugin);
    virtual ~Channel() = default;
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // Audio thread: a queued parameter change was applied.
    virtual void parameterChanged(int /*index*/) {}

    wave::Input& mainInput() { return *mainInput_; }
    wave::Input& sideChainInput() { return *sideChainInput_; }
    wave::Producer* getOutput() const { return output_; }
    void setOutput(wave::Producer* output) { output_ = output; }
    GenericPlugin& getPlugin() const { return plugin_; }

private:
    GenericPlugin& plugin_;
    std::unique_ptr<wave::Input> mainInput_;
    std::unique_ptr<wave::Input> sideChainInput_;
    wave::Producer* output_ = nullptr;
};
