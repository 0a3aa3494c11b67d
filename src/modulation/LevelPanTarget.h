#pragma once
#include "engine/mixing/LevelPanLaw.h"
#include "engine/wave/FloatParameterSource.h"
#include "engine/wave/MultiProducer.h"
#include "modulation/ModulationMatrix.h"

// Pairs a level target and a pan target of the modulation matrix into two per-channel values:
//   additive (filter Freq and Pan): channel 0 = level + pan, channel 1 = level - pan;
//   balance (gain and pan): channel 0 = level × (1 - max(pan, 0)), channel 1 = level × (1 + min(pan, 0)).
// Consumers pull the two outputs of its VoiceController.
//
// While neither target has a slot, the channels come from two ramps that follow the law applied to
// the targets' base values (so an unmodulated pair costs one ramp check per block); otherwise the
// law runs per sample on the modulated values. The ramps use the level class's range; in balance
// mode the range reaches down to 0, since a pan of ±1 must silence one channel.
//
// Threads: construction on the constructing thread (it registers itself as listener of both
// targets; the matrix must outlive it); everything else on the audio thread.
class LevelPanTarget : public ModulationMatrix::TargetListener {
public:
    class VoiceController final : public wave::MultiProducer {
    public:
        VoiceController(LevelPanTarget& owner, wave::Producer& level, wave::Producer& pan);
        void renderAll(wave::Buffer* const* buffers, int frames, int flags) override;

    private:
        LevelPanTarget& owner_;
        wave::Producer& level_;
        wave::Producer& pan_;
    };

    LevelPanTarget(ModulationMatrix& matrix, int levelTarget, int panTarget, LevelPanLaw::Mode mode);
    ~LevelPanTarget() override;
    LevelPanTarget(const LevelPanTarget&) = delete;
    LevelPanTarget& operator=(const LevelPanTarget&) = delete;

    // The producer of channel 0 or 1.
    wave::Producer& output(int channel) { return voice_.output(channel); }
    VoiceController& getVoiceController() { return voice_; }
    // The unmodulated per-channel ramp.
    wave::FloatParameterSource& channelSource(int channel) { return channel == 0 ? channel0_ : channel1_; }

    int getLevelTarget() const { return levelTarget_; }
    int getPanTarget() const { return panTarget_; }
    LevelPanLaw::Mode getMode() const { return mode_; }

    // Either target's base value changed: the channel ramps move to the law of the base values.
    void targetChanged(ModulationMatrix& matrix, int target) override;

private:
    bool hasConnections() const;

    ModulationMatrix& matrix_;
    int levelTarget_;
    int panTarget_;
    LevelPanLaw::Mode mode_;
    wave::FloatParameterSource channel0_;
    wave::FloatParameterSource channel1_;
    VoiceController voice_;
};
