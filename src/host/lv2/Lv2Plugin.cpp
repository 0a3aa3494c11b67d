#include "host/lv2/Lv2Plugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/time/time.h>

#include "engine/PluginStorage.h"
#include "host/lv2/Lv2ControlPorts.h"
#include "host/lv2/Lv2Uris.h"
#include "midi/DefaultChannelEventReceiver.h"
#include "product/KestrumPlugin.h"

namespace {

// Pieces longer than this are never asked for, whatever the host offers.
constexpr int kLargestPiece = 65536;
constexpr int kDefaultPiece = 8192;
constexpr int32_t kWorkJob = 1;

bool overlaps(const float* a, const float* b, uint32_t frames) { return a && b && a < b + frames && b < a + frames; }

}  // namespace

std::unique_ptr<Lv2Plugin> Lv2Plugin::create(Lv2PortLayout::Variant variant, double sampleRate,
                                             const LV2_Feature* const* features) {
    if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) return nullptr;
    return std::unique_ptr<Lv2Plugin>(new Lv2Plugin(variant, sampleRate, features));
}

Lv2Plugin::Lv2Plugin(Lv2PortLayout::Variant variant, double sampleRate, const LV2_Feature* const* features)
    : layout_(Lv2PortLayout::forVariant(variant)), sampleRate_(sampleRate) {
    readFeatures(features);
    // The user's settings, preset folder and MIDI map, as in any host.
    PluginStorage::configureForHost();
    plugin_ = std::make_unique<KestrumPlugin>(layout_.channels);
    plugin_->setSampleRate(static_cast<float>(sampleRate));
    const int count = plugin_->getNumParameters();
    parameters_.resize(static_cast<size_t>(count));
    controls_.assign(static_cast<size_t>(count), nullptr);
    lastSeen_.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        AbstractPluginParameter* p = plugin_->getParameter(i);
        parameters_[static_cast<size_t>(i)] = p;
        lastSeen_[static_cast<size_t>(i)] = Lv2ControlPorts::portValue(*p, p->getValue());
    }
    // Four inputs (main and side chain) that may need copying, and two outputs for a host that left
    // an output unconnected.
    scratch_.assign(static_cast<size_t>(6 * maxPiece_), 0.0f);
    if (DefaultEventReceiver* receiver = plugin_->midiReceiver()) {
        if (auto* channel = dynamic_cast<DefaultChannelEventReceiver*>(&receiver->getChannelReceiver())) {
            channel->setProgramChangeQueue(&workSignal_, 0);
            workHandler_ = [channel] { channel->applyPendingProgramChange(); };
        }
    }
}

Lv2Plugin::~Lv2Plugin() = default;

void Lv2Plugin::readFeatures(const LV2_Feature* const* features) {
    const LV2_Options_Option* options = nullptr;
    for (int i = 0; features && features[i]; ++i) {
        const LV2_Feature* f = features[i];
        if (!f->URI) continue;
        if (std::strcmp(f->URI, LV2_URID__map) == 0) map_ = static_cast<const LV2_URID_Map*>(f->data);
        else if (std::strcmp(f->URI, LV2_WORKER__schedule) == 0) schedule_ = static_cast<const LV2_Worker_Schedule*>(f->data);
        else if (std::strcmp(f->URI, LV2_OPTIONS__options) == 0) options = static_cast<const LV2_Options_Option*>(f->data);
    }
    maxPiece_ = kDefaultPiece;
    if (!map_ || !map_->map) {
        map_ = nullptr;
        return;
    }
    auto m = [&](const char* uri) { return map_->map(map_->handle, uri); };
    midiEvent_ = m(LV2_MIDI__MidiEvent);
    atomObject_ = m(LV2_ATOM__Object);
    atomBlank_ = m(LV2_ATOM__Blank);
    atomChunk_ = m(LV2_ATOM__Chunk);
    atomString_ = m(LV2_ATOM__String);
    atomInt_ = m(LV2_ATOM__Int);
    timePosition_ = m(LV2_TIME__Position);
    stateKey_ = m(lv2uris::kStateKey);
    nameKey_ = m(lv2uris::kPresetNameKey);
    transport_.mapUris(*map_);
    // The host's largest block sizes the copies of shared buffers; a nominal length is the fallback.
    const LV2_URID maxLength = m(LV2_BUF_SIZE__maxBlockLength), nominal = m(LV2_BUF_SIZE__nominalBlockLength);
    int offeredMax = 0, offeredNominal = 0;
    for (const LV2_Options_Option* o = options; o && o->key; ++o) {
        if (o->type != atomInt_ || o->size < sizeof(int32_t) || !o->value) continue;
        const int32_t v = *static_cast<const int32_t*>(o->value);
        if (o->key == maxLength) offeredMax = v;
        else if (o->key == nominal) offeredNominal = v;
    }
    const int offered = offeredMax > 0 ? offeredMax : offeredNominal;
    if (offered > 0) maxPiece_ = std::clamp(offered, 1, kLargestPiece);
}

void Lv2Plugin::connect(uint32_t port, void* data) {
    for (int c = 0; c < 2; ++c) {
        if (c < layout_.numInputs && port == layout_.input[c]) input_[c] = static_cast<const float*>(data);
        if (c < layout_.numOutputs && port == layout_.output[c]) output_[c] = static_cast<float*>(data);
        if (c < layout_.numSideChains && port == layout_.sideChain[c]) sideChain_[c] = static_cast<const float*>(data);
    }
    if (port == layout_.events) events_ = static_cast<const LV2_Atom_Sequence*>(data);
    else if (port == layout_.latency) latency_ = static_cast<float*>(data);
    else if (port == layout_.enabled) enabled_ = static_cast<const float*>(data);
    else if (port >= layout_.firstControl && port - layout_.firstControl < controls_.size())
        controls_[port - layout_.firstControl] = static_cast<const float*>(data);
}

void Lv2Plugin::activate() { resetPending_ = true; }

void Lv2Plugin::applyControlChanges() {
    // After a restore the ports may still show older values: they become the new baseline
    // instead of overwriting the restored state.
    const bool baseline = baselinePending_.exchange(false);
    for (size_t i = 0; i < controls_.size(); ++i) {
        const float* port = controls_[i];
        if (!port) continue;
        const float shown = *port;
        if (std::memcmp(&shown, &lastSeen_[i], sizeof shown) == 0) continue;
        lastSeen_[i] = shown;
        float value;
        if (!baseline && Lv2ControlPorts::parameterValue(*parameters_[i], shown, value))
            parameters_[i]->setValue(value, GenericParameterOwner::kFromHost);
    }
}

void Lv2Plugin::run(uint32_t frames) {
    if (latency_) *latency_ = static_cast<float>(plugin_->getLatency());
    applyControlChanges();
    if (enabled_) {
        const float enabled = *enabled_;
        if (std::isfinite(enabled) && enabled != lastEnabled_) {
            lastEnabled_ = enabled;
            plugin_->setBypass(enabled < 0.5f, GenericPlugin::kBypassFromHost);
        }
    }
    plugin_->setSideChainConnected(sideChain_[0] != nullptr);
    if (resetPending_) {
        plugin_->reset();
        resetPending_ = false;
    }
    if (frames == 0) return;

    const uint32_t piece = static_cast<uint32_t>(maxPiece_);
    uint32_t start = 0;
    if (events_ && map_ && events_->atom.size >= sizeof(LV2_Atom_Sequence_Body)) {
        LV2_ATOM_SEQUENCE_FOREACH(events_, ev) {
            const uint32_t at = static_cast<uint32_t>(std::clamp<int64_t>(ev->time.frames, start, frames));
            while (at >= start + piece) {
                processPiece(start, start + piece);
                start += piece;
            }
            if (ev->body.type == midiEvent_ && ev->body.size > 0) {
                const auto* bytes = static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body));
                if (bytes[0] < 0x80 || bytes[0] >= 0xF0) continue;  // only channel messages
                MidiMessage message;
                message.status = bytes[0];
                message.data1 = ev->body.size >= 2 ? bytes[1] : 0;
                message.data2 = ev->body.size >= 3 ? bytes[2] : 0;
                message.offset = static_cast<int>(at - start);
                static_cast<GenericPlugin&>(*plugin_).receiveMidi(message);
            } else if ((ev->body.type == atomObject_ || ev->body.type == atomBlank_) && ev->body.size >= sizeof(LV2_Atom_Object_Body)) {
                const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&ev->body);
                if (object->body.otype != timePosition_) continue;
                // The transport changes here: what came before plays with the old one.
                if (at > start) {
                    processPiece(start, at);
                    start = at;
                }
                transport_.update(object);
            }
        }
    }
    while (start < frames) {
        const uint32_t end = std::min(frames, start + piece);
        processPiece(start, end);
        start = end;
    }
    if (workSignal_.take()) requestWork();
}

void Lv2Plugin::processPiece(uint32_t from, uint32_t to) {
    const uint32_t n = to - from;
    const int channels = layout_.channels;
    float* out[2] = {nullptr, nullptr};
    for (int c = 0; c < channels; ++c)
        out[c] = output_[c] ? output_[c] + from : scratch_.data() + static_cast<size_t>((4 + c) * maxPiece_);
    // Inputs the host shares with an output are copied first: the outputs are written while the
    // inputs are still read.
    auto source = [&](const float* port, int slot) -> const float* {
        if (!port) return nullptr;
        const float* p = port + from;
        for (int c = 0; c < channels; ++c) {
            if (overlaps(p, out[c], n)) {
                float* copy = scratch_.data() + static_cast<size_t>(slot * maxPiece_);
                std::copy(p, p + n, copy);
                return copy;
            }
        }
        return p;
    };
    const float* in[4] = {nullptr, nullptr, nullptr, nullptr};
    for (int c = 0; c < channels; ++c) in[c] = source(input_[std::min(c, layout_.numInputs - 1)], c);
    int numInputs = channels;
    if (sideChain_[0]) {
        for (int c = 0; c < channels; ++c) in[channels + c] = source(sideChain_[std::min(c, layout_.numSideChains - 1)], 2 + c);
        numInputs = 2 * channels;
    }
    plugin_->setTransport(transport_.bpm(), transport_.position());
    plugin_->processBlock(in, numInputs, out, channels, static_cast<int>(n));
    transport_.advance(static_cast<int>(n), sampleRate_);
}

bool Lv2Plugin::requestWork() {
    if (!schedule_ || !schedule_->schedule_work) return false;
    return schedule_->schedule_work(schedule_->handle, sizeof kWorkJob, &kWorkJob) == LV2_WORKER_SUCCESS;
}

LV2_Worker_Status Lv2Plugin::work() {
    if (workHandler_) workHandler_();
    return LV2_WORKER_SUCCESS;
}

LV2_State_Status Lv2Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle) {
    if (!map_ || !store) return LV2_STATE_ERR_NO_FEATURE;
    const std::vector<uint8_t> bytes = plugin_->saveState();
    if (bytes.empty()) return LV2_STATE_ERR_UNKNOWN;
    const uint32_t flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    LV2_State_Status status = store(handle, stateKey_, bytes.data(), bytes.size(), atomChunk_, flags);
    if (status != LV2_STATE_SUCCESS) return status;
    const std::string name = plugin_->currentPreset().getName();
    return store(handle, nameKey_, name.c_str(), name.size() + 1, atomString_, flags);
}

LV2_State_Status Lv2Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
    if (!map_ || !retrieve) return LV2_STATE_ERR_NO_FEATURE;
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* data = retrieve(handle, stateKey_, &size, &type, &flags);
    if (!data || size == 0) return LV2_STATE_ERR_NO_PROPERTY;
    if (type != atomChunk_) return LV2_STATE_ERR_BAD_TYPE;
    if (!plugin_->loadState(static_cast<const uint8_t*>(data), size)) return LV2_STATE_ERR_UNKNOWN;
    const void* name = retrieve(handle, nameKey_, &size, &type, &flags);
    if (name && type == atomString_) {
        const char* text = static_cast<const char*>(name);
        plugin_->setCurrentPresetName(std::string(text, strnlen(text, size)));
    }
    baselinePending_.store(true);
    return LV2_STATE_SUCCESS;
}
