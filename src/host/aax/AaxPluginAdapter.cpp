#include "host/aax/AaxPluginAdapter.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

#include "engine/PluginStorage.h"
#include "host/aax/ParamDisplayDelegate.h"
#include "host/aax/ParamTaperDelegate.h"
#include "host/aax/sdk/AAX_CBinaryDisplay.h"
#include "host/aax/sdk/AAX_CBinaryTaper.h"
#include "host/aax/sdk/AAX_CStateTaper.h"
#include "platform/Tolerance.h"

namespace {

// A continuous value's position in the automation grid, 0..35999.
double automationStep(double normalized) {
    return std::clamp(std::round(normalized * AaxPluginAdapter::kAutomationSteps), 0.0, AaxPluginAdapter::kAutomationSteps);
}

}  // namespace

IACFUnknown* AaxPluginAdapter::create() { return static_cast<AAX_IEffectParameters*>(new AaxPluginAdapter()); }

AaxPluginAdapter::~AaxPluginAdapter() {
    if (plugin_) plugin_->setAdapter(nullptr);
}

AAX_Result AaxPluginAdapter::effectInit() {
    AAX_IController* host = controller();
    int32_t output = AAX_STEM_STEREO;
    int32_t input = AAX_STEM_STEREO;
    if (host->getOutputStemFormat(&output) != AAX_SUCCESS || host->getInputStemFormat(&input) != AAX_SUCCESS) {
        return AAX_ERROR_NOT_INITIALIZED;
    }
    const int channels = output == AAX_STEM_MONO ? 1 : 2;
    monoToStereo_ = input == AAX_STEM_MONO && output != AAX_STEM_MONO;
    inputChannels_ = input == AAX_STEM_MONO ? 1 : 2;
    if (!plugin_) {
        // The user's settings, preset folder and MIDI map, as in any host.
        PluginStorage::configureForHost();
        plugin_ = std::make_unique<KestrumPlugin>(channels);
    }
    plugin_->setAdapter(this);
    SharedPluginSettings* shared = GenericPlugin::sharedSettings();
    sideChainEnabled_ = plugin_->productInfo().hasSideChain && !(shared && shared->defaultToNoSideChain.get());

    float rate = 0.0f;
    if (host->getSampleRate(&rate) == AAX_SUCCESS && std::isfinite(rate) && rate > 0.0f) plugin_->setSampleRate(rate);

    AAX_Result result = createHostParameters();
    if (result != AAX_SUCCESS) return result;
    AaxPluginAdapter* self = this;
    if (host->postPacket(AaxRenderContext::kAdapter, &self, sizeof self) != AAX_SUCCESS) return AAX_ERROR_NOT_PRODUCED;
    transport_ = host->getTransport();
    latencyChanged();
    return AAX_SUCCESS;
}

AAX_Result AaxPluginAdapter::uninitialize() {
    hostParameters_.clear();
    transport_ = nullptr;
    controlsChunkSize_ = 0;
    return AAX_CEffectParameters::uninitialize();
}

AAX_Result AaxPluginAdapter::createHostParameters() {
    parameterManager_.clear();
    hostParameters_.clear();
    auto bypass = std::make_unique<AAX_CParameter>(AAX_MASTER_BYPASS_ID, kMasterBypassName, AAX_ParameterType::Bool, 0.0,
                                                   std::make_unique<AAX_CBinaryTaper>(),
                                                   std::make_unique<AAX_CBinaryDisplay>("bypass", "on"), true);
    bypass->setNumberOfSteps(2);
    bypass->setDiscrete(true);
    if (!parameterManager_.add(std::move(bypass))) return AAX_ERROR_NOT_PRODUCED;
    if (!packetHandler_.handles(AAX_MASTER_BYPASS_ID)) {
        packetHandler_.registerPacket(AAX_MASTER_BYPASS_ID, AaxRenderContext::kMasterBypass, AAX_CPacketHandler::Encoding::Int32);
    }

    const int count = plugin_->getNumParameters();
    hostParameters_.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        AbstractPluginParameter& p = *plugin_->getParameter(i);
        std::unique_ptr<AAX_CParameter> host;
        if (p.isDiscrete()) {
            const int minimum = static_cast<int>(p.getMinimum());
            const int maximum = static_cast<int>(p.getMaximum());
            host = std::make_unique<AAX_CParameter>(std::to_string(i), p.getName(), AAX_ParameterType::Int32,
                                                    p.getValue() - p.getMinimum(),
                                                    std::make_unique<AAX_CStateTaper>(0, maximum - minimum),
                                                    std::make_unique<ParamDisplayDelegate<long int>>(p), p.isAutomatable() != 0);
            host->setNumberOfSteps(maximum + 1 - minimum);
            host->setDiscrete(true);
        } else {
            host = std::make_unique<AAX_CParameter>(std::to_string(i), p.getName(), AAX_ParameterType::Float, p.getValue(),
                                                    std::make_unique<ParamTaperDelegate<float>>(p),
                                                    std::make_unique<ParamDisplayDelegate<float>>(p), p.isAutomatable() != 0);
            host->setNumberOfSteps(kContinuousSteps);
            host->setDiscrete(false);
        }
        AAX_CParameter* added = parameterManager_.add(std::move(host));
        if (!added) return AAX_ERROR_NOT_PRODUCED;
        hostParameters_.push_back(added);
    }
    return AAX_SUCCESS;
}

int AaxPluginAdapter::pluginIndexOf(const std::string& id) const {
    if (!plugin_ || id.empty() || id.size() > 9) return -1;
    int index = -1;
    const char* end = id.data() + id.size();
    auto [last, error] = std::from_chars(id.data(), end, index);
    if (error != std::errc() || last != end || index < 0 || index >= static_cast<int>(hostParameters_.size())) return -1;
    // One spelling per parameter: "07" is not "7".
    if (id.size() > 1 && id[0] == '0') return -1;
    return index;
}

double AaxPluginAdapter::hostValueOf(int index) const {
    AbstractPluginParameter& p = *plugin_->getParameter(index);
    return p.isDiscrete() ? static_cast<double>(p.getValue() - p.getMinimum()) : static_cast<double>(p.getValue());
}

AAX_Result AaxPluginAdapter::updateParameterNormalizedValue(const std::string& id, double value, AAX_UpdateSource source) {
    const int index = pluginIndexOf(id);
    if (index >= 0) {
        AbstractPluginParameter& p = *plugin_->getParameter(index);
        // A continuous value that stays in the same automation step leaves the plug-in alone, so
        // the host's rounding never disturbs a value set finer than its grid.
        const bool sameStep = !p.isDiscrete() && automationStep(p.normalize(p.getValue())) == automationStep(value);
        if (!sameStep) p.setValue(p.denormalize(static_cast<float>(value)), GenericParameterOwner::kFromHost);
    }
    return AAX_CEffectParameters::updateParameterNormalizedValue(id, value, source);
}

void AaxPluginAdapter::parameterChanged(int index) {
    if (!plugin_) return;
    const int count = static_cast<int>(hostParameters_.size());
    if (index == -1) {
        for (int i = 0; i < count; ++i) setValueFromPlugIn(*hostParameters_[static_cast<size_t>(i)], hostValueOf(i));
    } else if (index >= 0 && index < count) {
        setValueFromPlugIn(*hostParameters_[static_cast<size_t>(index)], hostValueOf(index));
    }
}

void AaxPluginAdapter::latencyChanged() {
    if (plugin_ && controller()) controller()->setSignalLatency(plugin_->getLatency());
}

// ---- Chunks ------------------------------------------------------------------------------------

AAX_Result AaxPluginAdapter::getNumberOfChunks(int32_t* count) const {
    if (!count) return AAX_ERROR_INVALID_ARGUMENT;
    *count = 2;
    return AAX_SUCCESS;
}

AAX_Result AaxPluginAdapter::getChunkIdFromIndex(int32_t index, AAX_FourCC* id) const {
    if (!id) return AAX_ERROR_INVALID_ARGUMENT;
    if (index == 0) {
        *id = kControlsChunkId;
    } else if (index == 1) {
        *id = kPresetNameChunkId;
    } else {
        return AAX_ERROR_UNKNOWN_CHUNK_INDEX;
    }
    return AAX_SUCCESS;
}

uint32_t AaxPluginAdapter::buildControlsChunk() {
    chunkParser_.clear();
    for (int i = 0; i < parameterManager_.size(); ++i) {
        const AAX_CParameter& p = *parameterManager_.at(i);
        if (isFilteredFromControlsChunk(p)) continue;
        switch (p.type()) {
            case AAX_ParameterType::Float: chunkParser_.addFloat(p.id(), static_cast<float>(p.value())); break;
            case AAX_ParameterType::Int32: chunkParser_.addInt32(p.id(), static_cast<int32_t>(p.value())); break;
            case AAX_ParameterType::Bool: chunkParser_.addBool(p.id(), p.value() != 0.0); break;
            case AAX_ParameterType::Double: chunkParser_.addDouble(p.id(), p.value()); break;
        }
    }
    return chunkParser_.size();
}

AAX_Result AaxPluginAdapter::getChunkSize(AAX_FourCC id, uint32_t* size) {
    if (!size) return AAX_ERROR_INVALID_ARGUMENT;
    if (id == kPresetNameChunkId) {
        *size = kPresetNameChunkSize;
    } else if (id == kControlsChunkId) {
        if (!plugin_) return AAX_ERROR_NOT_INITIALIZED;
        controlsChunkSize_ = buildControlsChunk();
        *size = controlsChunkSize_;
    } else {
        return AAX_ERROR_UNKNOWN_CHUNK_ID;
    }
    return AAX_SUCCESS;
}

AAX_Result AaxPluginAdapter::getChunk(AAX_FourCC id, AAX_Chunk* chunk) {
    if (id != kPresetNameChunkId && id != kControlsChunkId) return AAX_ERROR_UNKNOWN_CHUNK_ID;
    if (!chunk) return AAX_ERROR_INVALID_ARGUMENT;
    if (!plugin_) return AAX_ERROR_NOT_INITIALIZED;
    if (id == kPresetNameChunkId) {
        if (!chunk->data || chunk->size < kPresetNameChunkSize) return AAX_ERROR_INVALID_ARGUMENT;
        std::memset(chunk->data, 0, kPresetNameChunkSize);
        const std::string& name = plugin_->currentPreset().getName();
        std::memcpy(chunk->data, name.data(), std::min(name.size(), static_cast<size_t>(kPresetNameField - 1)));
        chunk->size = kPresetNameChunkSize;
        chunk->version = 0;
        copyText(kPresetNameChunkName, chunk->name, sizeof chunk->name);
    } else {
        const uint32_t size = buildControlsChunk();
        if (size == 0 || size != controlsChunkSize_) return AAX_ERROR_CHUNK_SIZE_CHANGED;
        if (!chunk->data || chunk->size < size || !chunkParser_.write(chunk->data, chunk->size)) return AAX_ERROR_INVALID_ARGUMENT;
        chunk->size = size;
        chunk->version = chunkParser_.version();
        copyText(kControlsChunkName, chunk->name, sizeof chunk->name);
    }
    chunk->id = id;
    return AAX_SUCCESS;
}

std::string AaxPluginAdapter::storedPresetName(const AAX_Chunk& chunk, size_t maxCharacters) {
    if (!chunk.data) return std::string();
    const size_t available = std::min(static_cast<size_t>(chunk.size), maxCharacters);
    const auto* text = reinterpret_cast<const char*>(chunk.data);
    return std::string(text, strnlen(text, available));
}

AAX_Result AaxPluginAdapter::setChunk(AAX_FourCC id, const AAX_Chunk* chunk) {
    if (id != kPresetNameChunkId && id != kControlsChunkId) return AAX_ERROR_UNKNOWN_CHUNK_ID;
    if (!chunk || (chunk->size > 0 && !chunk->data)) return AAX_ERROR_INVALID_ARGUMENT;
    if (!plugin_) return AAX_ERROR_NOT_INITIALIZED;
    if (id == kPresetNameChunkId) {
        plugin_->setCurrentPresetName(storedPresetName(*chunk, kPresetNameKept), kPresetNameKept);
        return AAX_SUCCESS;
    }
    AAX_CChunkDataParser stored;
    if (!stored.read(chunk->data, chunk->size)) return AAX_ERROR_MALFORMED_CHUNK;
    // One batch: the audio thread never hears half a restored state, and the host hears once.
    plugin_->beginUpdate();
    for (int i = 0; i < parameterManager_.size(); ++i) {
        AAX_CParameter& p = *parameterManager_.at(i);
        double value = 0.0;
        if (isFilteredFromControlsChunk(p) || !stored.findValue(p.id(), p.type(), &value) || !p.setValue(value)) continue;
        const int index = pluginIndexOf(p.id());
        if (index >= 0) {
            AbstractPluginParameter& target = *plugin_->getParameter(index);
            const double real = target.isDiscrete() ? p.value() + target.getMinimum() : p.value();
            target.setValue(static_cast<float>(real), GenericParameterOwner::kFromHost);
        } else {
            packetHandler_.dispatch(p);
        }
    }
    plugin_->endUpdate();
    return AAX_SUCCESS;
}

AAX_Result AaxPluginAdapter::compareActiveChunk(const AAX_Chunk* chunk, bool* equal) {
    if (!chunk || !equal || (chunk->size > 0 && !chunk->data)) return AAX_ERROR_INVALID_ARGUMENT;
    *equal = true;
    if (!plugin_) return AAX_SUCCESS;
    if (chunk->id == kPresetNameChunkId) {
        const std::string current = plugin_->currentPreset().getName().substr(0, kPresetNameField);
        *equal = storedPresetName(*chunk, kPresetNameField) == current;
    } else if (chunk->id == kControlsChunkId) {
        AAX_CChunkDataParser stored;
        if (!stored.read(chunk->data, chunk->size)) {
            *equal = false;
            return AAX_SUCCESS;
        }
        for (int i = 0; i < parameterManager_.size() && *equal; ++i) {
            const AAX_CParameter& p = *parameterManager_.at(i);
            double value = 0.0;
            if (isFilteredFromControlsChunk(p) || !stored.findValue(p.id(), p.type(), &value)) continue;
            *equal = value == p.value();
        }
    }
    return AAX_SUCCESS;
}

// ---- Fields and custom data ------------------------------------------------------------------

AAX_Result AaxPluginAdapter::resetFieldData(AAX_Field field, void* data, uint32_t size) const {
    AAX_Result result = AAX_CEffectParameters::resetFieldData(field, data, size);
    if (result == AAX_SUCCESS && field == AaxRenderContext::kResetRequest && size == sizeof(int32_t)) {
        const int32_t request = 1;
        std::memcpy(data, &request, sizeof request);
    }
    return result;
}

AAX_Result AaxPluginAdapter::getCustomData(int32_t index, uint32_t size, void* data, uint32_t* written) {
    if (written) *written = 0;
    GenericPlugin* plugin = plugin_.get();
    if (index != kPluginPointerRequest || size != sizeof plugin || !data || !plugin) return AAX_ERROR_UNSUPPORTED_REQUEST;
    std::memcpy(data, &plugin, sizeof plugin);
    if (written) *written = sizeof plugin;
    return AAX_SUCCESS;
}

// ---- Rendering (audio thread) -------------------------------------------------------------------

void AaxPluginAdapter::renderCallback(const AAX_Context* contexts, int32_t count) {
    if (!contexts) return;
    for (int32_t i = 0; i < count; ++i) {
        if (!contexts[i]) continue;
        const AaxRenderContext context(contexts[i]);
        if (AaxPluginAdapter* adapter = context.adapter()) adapter->render(context);
    }
}

void AaxPluginAdapter::render(const AaxRenderContext& context) {
    if (!plugin_) return;
    KestrumPlugin& plugin = *plugin_;
    plugin.setBypass(context.masterBypass(), GenericPlugin::kBypassFromHost);

    const float rate = context.sampleRate();
    if (std::isfinite(rate) && rate > 0.0f && std::fabs(rate - plugin.getEnvironment().getSampleRate()) > wave::kTolerance) {
        plugin.setSampleRate(rate);
    }

    if (const AAX_MidiStream* midi = context.midiInput(); midi && midi->packets) {
        for (uint32_t k = 0; k < midi->count; ++k) {
            const AAX_MidiPacket& packet = midi->packets[k];
            if (packet.length == 0) continue;
            MidiMessage message;
            message.status = packet.data[0];
            message.data1 = packet.length >= 2 ? packet.data[1] : 0;
            message.data2 = packet.length >= 3 ? packet.data[2] : 0;
            message.offset = static_cast<int>(std::min<uint32_t>(packet.timestamp, INT_MAX));
            static_cast<MidiMessageReceiver&>(plugin).receiveMidi(message);
        }
    }

    if (AAX_ITransport* seen = context.transport()) transport_ = seen;
    if (transport_) {
        double bpm = 120.0;
        int64_t ticks = 0;
        if (transport_->getCurrentTempo(&bpm) != AAX_SUCCESS) bpm = 120.0;
        if (transport_->getCurrentTickPosition(&ticks) != AAX_SUCCESS) ticks = 0;
        plugin.setTransport(static_cast<float>(bpm), static_cast<float>(static_cast<double>(ticks) * kTicksToBeats));
    } else {
        plugin.setTransport(120.0f, 0.0f);
    }

    if (context.takeResetRequest()) plugin.reset();

    const int channels = plugin.getNumChannels();
    float* const* outputs = context.outputs();
    const int32_t frames = context.bufferLength();
    if (!outputs || frames < 0) return;
    for (int c = 0; c < channels; ++c) {
        if (!outputs[c]) return;
    }

    const float* const* hostInputs = context.inputs();
    int numInputs = 0;
    if (plugin.productInfo().isEffect && hostInputs) {
        // A mono input stem feeds every channel (the mono-to-stereo variant).
        for (int c = 0; c < channels; ++c) inputs_[numInputs++] = hostInputs[std::min(c, inputChannels_ - 1)];
        // The side-chain channel follows the main stem in the host's input array.
        const int32_t side = sideChainEnabled_ ? context.sideChainIndex() : -1;
        const bool connected = side >= 0 && side <= inputChannels_;
        plugin.setSideChainConnected(connected);
        if (connected) {
            for (int c = 0; c < channels; ++c) inputs_[numInputs++] = hostInputs[side];
        }
    }
    plugin.processBlock(numInputs > 0 ? inputs_ : nullptr, numInputs, outputs, channels, frames);
}
