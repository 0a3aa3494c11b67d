#pragma once
// A small but real chain per channel, processed through the framework like a product:
//   host input -> input gain -> output gain -> effect mixer (dry = host input) -> bypass stage
#include <memory>
#include <string>
#include <vector>

#include "engine/GenericPlugin.h"
#include "engine/PluginChannel.h"
#include "engine/mixing/EffectMixer.h"
#include "engine/mixing/VolumeFilter.h"

class SpinePlugin : public GenericPlugin {
public:
    struct SpineChannel : GenericPlugin::Channel {
        explicit SpineChannel(GenericPlugin& p)
            : Channel(p), inputGain(p.getEnvironment()), outputGain(p.getEnvironment()), mixer(p.getEnvironment()) {
            inputGain.gainParameter().ramp().setLimits(0.0f, 100.0f);
            inputGain.setInput(&mainInput());
            outputGain.setInput(&inputGain);
            mixer.setLinearLaw(true);
            mixer.setDry(&mainInput());
            mixer.setProcessed(&outputGain);
            setOutput(&mixer);
        }
        VolumeFilter inputGain, outputGain;
        EffectMixer mixer;
    };

    explicit SpinePlugin(int channels = 2) : GenericPlugin(channels, {.name = "Spine", .pluginId = "Spin"}) {
        init();
        for (int c = 0; c < channels; ++c) chains.push_back(std::make_unique<SpineChannel>(*this));
    }

    // Moves every stage to a new setting (the ramps then glide for the next blocks).
    void retarget(float inputGain, float outputGain, float mix) {
        for (auto& c : chains) {
            c->inputGain.gainParameter().setTarget(inputGain);
            c->outputGain.gainParameter().setTarget(outputGain);
            c->mixer.mixParameter().setTarget(mix);
        }
    }

    std::vector<std::unique_ptr<SpineChannel>> chains;
};
