#include "lv2/Lv2TestHost.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr size_t kSequenceBytes = 64 * 1024;
}

Lv2TestHost::Lv2TestHost(const std::string& bundleDir) {
    world_ = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(world_, nullptr, bundleDir.c_str());
    lilv_world_load_bundle(world_, bundle);
    lilv_node_free(bundle);
    featureList_ = {&mapFeature_, &unmapFeature_, nullptr};
}

Lv2TestHost::~Lv2TestHost() { lilv_world_free(world_); }

const LilvPlugin* Lv2TestHost::plugin(const std::string& uri) const {
    LilvNode* node = lilv_new_uri(world_, uri.c_str());
    const LilvPlugin* p = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), node);
    lilv_node_free(node);
    return p;
}

LV2_URID Lv2TestHost::map(const char* uri) { return mapCallback(this, uri); }

LV2_URID Lv2TestHost::mapCallback(LV2_URID_Map_Handle handle, const char* uri) {
    auto* self = static_cast<Lv2TestHost*>(handle);
    std::lock_guard<std::mutex> lock(self->mapMutex_);
    auto it = std::find(self->uris_.begin(), self->uris_.end(), uri);
    if (it != self->uris_.end()) return static_cast<LV2_URID>(it - self->uris_.begin() + 1);
    self->uris_.emplace_back(uri);
    return static_cast<LV2_URID>(self->uris_.size());
}

const char* Lv2TestHost::unmapCallback(LV2_URID_Unmap_Handle handle, LV2_URID urid) {
    auto* self = static_cast<Lv2TestHost*>(handle);
    std::lock_guard<std::mutex> lock(self->mapMutex_);
    return urid >= 1 && urid <= self->uris_.size() ? self->uris_[urid - 1].c_str() : nullptr;
}

Lv2TestInstance::Lv2TestInstance(Lv2TestHost& host, const std::string& uri, const Options& options)
    : host_(host), options_(options) {
    plugin_ = host.plugin(uri);
    if (!plugin_) return;
    maxBlock_ = options.maxBlock;
    nominalBlock_ = options.maxBlock;
    const LV2_URID intType = host.map(LV2_ATOM__Int);
    optionList_ = {{LV2_OPTIONS_INSTANCE, 0, host.map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), intType, &maxBlock_},
                   {LV2_OPTIONS_INSTANCE, 0, host.map(LV2_BUF_SIZE__nominalBlockLength), sizeof(int32_t), intType, &nominalBlock_},
                   {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    optionsFeature_ = {LV2_OPTIONS__options, optionList_.data()};
    for (const LV2_Feature* const* f = host.features(); *f; ++f) features_.push_back(*f);
    features_.push_back(&optionsFeature_);
    if (options.worker) features_.push_back(&scheduleFeature_);
    features_.push_back(nullptr);

    instance_ = lilv_plugin_instantiate(plugin_, options.rate, features_.data());
    if (!instance_) return;
    LilvWorld* w = host.world();
    LilvNode* audio = lilv_new_uri(w, LILV_URI_AUDIO_PORT);
    LilvNode* input = lilv_new_uri(w, LILV_URI_INPUT_PORT);
    LilvNode* control = lilv_new_uri(w, LILV_URI_CONTROL_PORT);
    LilvNode* atom = lilv_new_uri(w, LV2_ATOM__AtomPort);
    LilvNode* sideChain = lilv_new_uri(w, LV2_CORE_PREFIX "isSideChain");
    const uint32_t n = lilv_plugin_get_num_ports(plugin_);
    symbols_.resize(n);
    controls_.assign(n, 0.0f);
    audioBuffers_.assign(n, {});
    std::vector<float> defaults(n);
    lilv_plugin_get_port_ranges_float(plugin_, nullptr, nullptr, defaults.data());
    for (uint32_t i = 0; i < n; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, i);
        symbols_[i] = lilv_node_as_string(lilv_port_get_symbol(plugin_, port));
        if (lilv_port_is_a(plugin_, port, audio)) {
            audioBuffers_[i].assign(static_cast<size_t>(options.maxBlock), 0.0f);
            if (lilv_port_has_property(plugin_, port, sideChain)) sideChain_.push_back(i);
            else (lilv_port_is_a(plugin_, port, input) ? audioIn_ : audioOut_).push_back(i);
        } else if (lilv_port_is_a(plugin_, port, control)) {
            controls_[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
            lilv_instance_connect_port(instance_, i, &controls_[i]);
        } else if (lilv_port_is_a(plugin_, port, atom)) {
            eventsPort_ = i;
        }
    }
    for (LilvNode* node : {audio, input, control, atom, sideChain}) lilv_node_free(node);
    sequence_.assign(kSequenceBytes, 0);
    lv2_atom_forge_init(&forge_, const_cast<LV2_URID_Map*>(static_cast<const LV2_URID_Map*>(host.features()[0]->data)));
    beginSequence();
    if (eventsPort_ != UINT32_MAX) lilv_instance_connect_port(instance_, eventsPort_, sequence_.data());
    lilv_instance_activate(instance_);
}

Lv2TestInstance::~Lv2TestInstance() {
    if (!instance_) return;
    lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
}

uint32_t Lv2TestInstance::portIndex(const std::string& symbol) const {
    auto it = std::find(symbols_.begin(), symbols_.end(), symbol);
    return it == symbols_.end() ? UINT32_MAX : static_cast<uint32_t>(it - symbols_.begin());
}

void Lv2TestInstance::setControl(const std::string& symbol, float value) {
    const uint32_t i = portIndex(symbol);
    if (i != UINT32_MAX) controls_[i] = value;
}

float Lv2TestInstance::control(const std::string& symbol) const {
    const uint32_t i = portIndex(symbol);
    return i == UINT32_MAX ? 0.0f : controls_[i];
}

void Lv2TestInstance::beginSequence() {
    lv2_atom_forge_set_buffer(&forge_, sequence_.data(), sequence_.size());
    lv2_atom_forge_sequence_head(&forge_, &frame_, 0);
}

void Lv2TestInstance::midi(uint32_t frame, std::initializer_list<uint8_t> bytes) {
    lv2_atom_forge_frame_time(&forge_, frame);
    lv2_atom_forge_atom(&forge_, static_cast<uint32_t>(bytes.size()), host_.map(LV2_MIDI__MidiEvent));
    lv2_atom_forge_write(&forge_, bytes.begin(), static_cast<uint32_t>(bytes.size()));
}

void Lv2TestInstance::runInPlace(uint32_t frames) {
    for (uint32_t port : audioIn_) lilv_instance_connect_port(instance_, port, audioBuffers_[port].data());
    for (uint32_t port : audioOut_) lilv_instance_connect_port(instance_, port, audioBuffers_[port].data());
    for (uint32_t port : sideChain_) lilv_instance_connect_port(instance_, port, nullptr);
    lilv_instance_run(instance_, frames);
    beginSequence();
}

void Lv2TestInstance::position(uint32_t frame, float bpm, double beat, float speed) {
    lv2_atom_forge_frame_time(&forge_, frame);
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&forge_, &object, 0, host_.map(LV2_TIME__Position));
    lv2_atom_forge_key(&forge_, host_.map(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&forge_, bpm);
    lv2_atom_forge_key(&forge_, host_.map(LV2_TIME__beatsPerBar));
    lv2_atom_forge_float(&forge_, 4.0f);
    lv2_atom_forge_key(&forge_, host_.map(LV2_TIME__bar));
    lv2_atom_forge_long(&forge_, static_cast<int64_t>(beat / 4.0));
    lv2_atom_forge_key(&forge_, host_.map(LV2_TIME__barBeat));
    lv2_atom_forge_float(&forge_, static_cast<float>(beat - 4.0 * static_cast<int64_t>(beat / 4.0)));
    lv2_atom_forge_key(&forge_, host_.map(LV2_TIME__speed));
    lv2_atom_forge_float(&forge_, speed);
    lv2_atom_forge_pop(&forge_, &object);
}

void Lv2TestInstance::run(const std::vector<std::vector<float>>& inputs, std::vector<std::vector<float>>& outputs,
                          size_t offset, uint32_t frames) {
    auto connect = [&](uint32_t port) { lilv_instance_connect_port(instance_, port, audioBuffers_[port].data()); };
    for (size_t c = 0; c < audioIn_.size(); ++c) {
        const std::vector<float>& src = inputs[std::min(c, inputs.size() - 1)];
        std::vector<float>& dst = audioBuffers_[audioIn_[c]];
        for (uint32_t i = 0; i < frames; ++i) dst[i] = offset + i < src.size() ? src[offset + i] : 0.0f;
        connect(audioIn_[c]);
    }
    for (uint32_t port : sideChain_) {
        if (sideChainConnected_) connect(port);
        else lilv_instance_connect_port(instance_, port, nullptr);
    }
    for (uint32_t port : audioOut_) connect(port);
    lilv_instance_run(instance_, frames);
    outputs.resize(audioOut_.size());
    for (size_t c = 0; c < audioOut_.size(); ++c) {
        const float* src = audioBuffers_[audioOut_[c]].data();
        outputs[c].insert(outputs[c].end(), src, src + frames);
    }
    beginSequence();
}

std::vector<std::vector<float>> Lv2TestInstance::render(const std::vector<std::vector<float>>& inputs, uint32_t block) {
    std::vector<std::vector<float>> out(audioOut_.size());
    const size_t total = inputs.front().size();
    for (size_t pos = 0; pos < total; pos += block) run(inputs, out, pos, static_cast<uint32_t>(std::min<size_t>(block, total - pos)));
    return out;
}

const void* Lv2TestInstance::portValue(const char* symbol, void* data, uint32_t* size, uint32_t* type) {
    auto* self = static_cast<Lv2TestInstance*>(data);
    const uint32_t i = self->portIndex(symbol);
    if (i == UINT32_MAX) return nullptr;
    *size = sizeof(float);
    *type = self->host_.map(LV2_ATOM__Float);
    return &self->controls_[i];
}

void Lv2TestInstance::setPortValue(const char* symbol, void* data, const void* value, uint32_t size, uint32_t type) {
    auto* self = static_cast<Lv2TestInstance*>(data);
    const uint32_t i = self->portIndex(symbol);
    if (i == UINT32_MAX || size != sizeof(float)) return;
    if (type == self->host_.map(LV2_ATOM__Float)) std::memcpy(&self->controls_[i], value, sizeof(float));
    else if (type == self->host_.map(LV2_ATOM__Double)) self->controls_[i] = static_cast<float>(*static_cast<const double*>(value));
}

LilvState* Lv2TestInstance::saveState() {
    auto* map = const_cast<LV2_URID_Map*>(static_cast<const LV2_URID_Map*>(host_.features()[0]->data));
    return lilv_state_new_from_instance(plugin_, instance_, map, nullptr, nullptr, nullptr, nullptr, portValue, this,
                                        LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features_.data());
}

void Lv2TestInstance::restoreState(const LilvState* state, bool setPorts) {
    lilv_state_restore(state, instance_, setPorts ? setPortValue : nullptr, this, 0, features_.data());
}

LV2_Worker_Status Lv2TestInstance::scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t, const void*) {
    auto* self = static_cast<Lv2TestInstance*>(handle);
    ++self->workRequests_;
    ++self->pendingWork_;
    return LV2_WORKER_SUCCESS;
}

int Lv2TestInstance::runPendingWork() {
    const auto* worker = static_cast<const LV2_Worker_Interface*>(lilv_instance_get_extension_data(instance_, LV2_WORKER__interface));
    int done = 0;
    for (; pendingWork_ > 0; --pendingWork_, ++done) {
        int32_t job = 1;
        worker->work(lilv_instance_get_handle(instance_), nullptr, nullptr, sizeof job, &job);
    }
    return done;
}
