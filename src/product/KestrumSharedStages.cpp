#include "product/KestrumSharedStages.h"

#include "product/KestrumChannel.h"
#include "product/KestrumPlugin.h"
#include "modulation/ModulationLayout.h"

KestrumSharedStages::KestrumSharedStages(KestrumPlugin& plugin, ModulationMatrix& matrix)
    : inputPeak_(plugin.getEnvironment(), plugin.getNumChannels(), Mixer::kPeak),
      sideChainPeak_(plugin.getEnvironment(), plugin.getNumChannels(), Mixer::kPeak),
      inputPeakDecibels_(plugin.getEnvironment()),
      sideChainPeakDecibels_(plugin.getEnvironment()),
      analyzer_(plugin.getEnvironment()) {
    wave::Environment& env = plugin.getEnvironment();
    if (plugin.getNumChannels() == 2) {
        encoder_ = std::make_unique<MidSideConverter>(env, MidSideConverter::kEncode);
        decoder_ = std::make_unique<MidSideConverter>(env, MidSideConverter::kDecode);
    }
    analyzer_.setInput(&inputPeak_);
    inputPeakDecibels_.setInput(&inputPeak_);
    sideChainPeakDecibels_.setInput(&sideChainPeak_);
    for (int k = 0; k < kFilters; ++k) {
        units_[static_cast<size_t>(k)] =
            std::make_unique<MultiDesignFilter::ParallelUnit>(env, MultiDesignFilter::Style::shared());
        filterFrequency_[static_cast<size_t>(k)] = std::make_unique<LevelPanTarget>(
            matrix, ModulationLayout::filterTarget(k, FilterTarget::Freq), ModulationLayout::filterTarget(k, FilterTarget::Pan), LevelPanLaw::kAdditive);
    }
    inputLevel_ = std::make_unique<LevelPanTarget>(matrix, ModulationLayout::kInputGain, ModulationLayout::kInputPan,
                                                   LevelPanLaw::kBalance);
    outputLevel_ = std::make_unique<LevelPanTarget>(matrix, ModulationLayout::kOutputGain,
                                                    ModulationLayout::kOutputPan, LevelPanLaw::kBalance);
    for (int k = 0; k < 4; ++k) {
        XYParameterSet& set = plugin.xyControllers.at(k);
        xy_[static_cast<size_t>(k)] = std::make_unique<XYSource>(env, &set.hor, &set.ver);
        matrix.registerSourceProducer(ModulationLayout::kFirstXY + 2 * k, &xy_[static_cast<size_t>(k)]->output(XYSource::Horizontal));
        matrix.registerSourceProducer(ModulationLayout::kFirstXY + 2 * k + 1, &xy_[static_cast<size_t>(k)]->output(XYSource::Vertical));
    }
}

void KestrumSharedStages::connectChannels(KestrumChannel* const* channels, int count) {
    for (int c = 0; c < count; ++c) {
        inputPeak_.setInput(c, &channels[c]->mainInput());
        sideChainPeak_.setInput(c, &channels[c]->sideChainInput());
    }
    if (encoder_ && count == 2) {
        encoder_->setInputs(&channels[0]->mainInput(), &channels[1]->mainInput());
        decoder_->setInputs(&channels[0]->outputGain(), &channels[1]->outputGain());
    }
}
