#include "aax/AaxTestHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

namespace aaxhost {

bool PropertyMap::getProperty(int32_t id, int64_t* value) const {
    auto it = values.find(id);
    if (it == values.end()) return false;
    *value = it->second;
    return true;
}

AAX_Result Component::add(AAX_Field f, FieldInfo info) {
    if (f < 0 || f >= 16 || fields.count(f)) return AAX_ERROR_INVALID_ARGUMENT;
    fields[f] = std::move(info);
    return AAX_SUCCESS;
}

AAX_Result Component::addMidiNode(AAX_Field f, AAX_MidiNodeType type, const char* name, uint32_t mask) {
    FieldInfo info;
    info.kind = "midi";
    info.midiType = type;
    info.midiName = name ? name : "";
    info.midiMask = mask;
    return add(f, info);
}

AAX_IPropertyMap* Component::newPropertyMap() {
    maps.push_back(std::make_unique<PropertyMap>());
    return maps.back().get();
}

AAX_Result Component::addProcessProc(AAX_RenderCallback callback, AAX_IPropertyMap* map) {
    if (!callback || render) return AAX_ERROR_INVALID_ARGUMENT;
    render = callback;
    for (auto& m : maps) {
        if (m.get() == map) properties = m.get();
    }
    return properties ? AAX_SUCCESS : AAX_ERROR_INVALID_ARGUMENT;
}

AAX_Result Effect::addName(const char* name) {
    names.push_back(name);
    return AAX_SUCCESS;
}

AAX_Result Effect::addCategory(uint32_t category) {
    categories.push_back(category);
    return AAX_SUCCESS;
}

AAX_Result Effect::addResourceInfo(AAX_ResourceKind, const char* file) {
    resources.push_back(file);
    return AAX_SUCCESS;
}

AAX_Result Effect::addClassFactory(AAX_ClassKind kind, const char* classId) {
    classes[kind] = classId;
    return AAX_SUCCESS;
}

AAX_IComponentDescriptor* Effect::newComponentDescriptor() {
    components.push_back(std::make_unique<Component>());
    return components.back().get();
}

AAX_Result Effect::addComponent(AAX_IComponentDescriptor* c) {
    for (auto& made : components) {
        if (made.get() == c) component = made.get();
    }
    return component ? AAX_SUCCESS : AAX_ERROR_INVALID_ARGUMENT;
}

AAX_IEffectDescriptor* Collection::newDescriptor() {
    if (descriptorsLeft == 0) return nullptr;
    if (descriptorsLeft > 0) --descriptorsLeft;
    made_.push_back(std::make_unique<Effect>());
    return made_.back().get();
}

AAX_Result Collection::addEffect(const char* effectId, AAX_IEffectDescriptor* descriptor) {
    for (auto& e : made_) {
        if (e.get() == descriptor) {
            e->id = effectId;
            effects.push_back(e.get());
            return AAX_SUCCESS;
        }
    }
    return AAX_ERROR_INVALID_ARGUMENT;
}

AAX_Result Collection::setManufacturerName(const char* name) {
    manufacturer = name;
    return AAX_SUCCESS;
}

AAX_Result Collection::addPackageName(const char* name) {
    packageNames.push_back(name);
    return AAX_SUCCESS;
}

AAX_Result Collection::setPackageVersion(uint32_t version) {
    packageVersion = version;
    return AAX_SUCCESS;
}

Module::Module(const std::string& path) {
    // Kept mapped after dlclose: the product keeps process-wide caches for the life of the process.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle_) {
        error_ = dlerror();
        return;
    }
    auto symbol = [&](const char* name) { return dlsym(handle_, name); };
    startup = reinterpret_cast<ACFStartupFunction>(symbol("ACFStartup"));
    registerPlugin = reinterpret_cast<ACFRegisterPluginFunction>(symbol("ACFRegisterPlugin"));
    registerComponent = reinterpret_cast<ACFRegisterComponentFunction>(symbol("ACFRegisterComponent"));
    getClassFactory = reinterpret_cast<ACFGetClassFactoryFunction>(symbol("ACFGetClassFactory"));
    canUnloadNow = reinterpret_cast<ACFCanUnloadNowFunction>(symbol("ACFCanUnloadNow"));
    shutdown = reinterpret_cast<ACFShutdownFunction>(symbol("ACFShutdown"));
    getSDKVersion = reinterpret_cast<ACFGetSDKVersionFunction>(symbol("ACFGetSDKVersion"));
}

Module::~Module() {
    if (handle_) dlclose(handle_);
}

AAX_Result Transport::getCurrentTempo(double* bpm) const {
    *bpm = tempo;
    return AAX_SUCCESS;
}

AAX_Result Transport::getCurrentTickPosition(int64_t* t) const {
    *t = ticks;
    return AAX_SUCCESS;
}

AAX_Result Transport::isTransportPlaying(bool* p) const {
    *p = playing;
    return AAX_SUCCESS;
}

namespace {
int64_t property(const Effect& effect, int32_t id, int64_t fallback) {
    int64_t v = fallback;
    if (effect.component && effect.component->properties) effect.component->properties->getProperty(id, &v);
    return v;
}
int channelsOf(int32_t stem) { return stem == AAX_STEM_MONO ? 1 : 2; }
}  // namespace

namespace {
IACFUnknown* createFrom(const Module& module, const Effect& effect) {
    auto it = effect.classes.find(AAX_ClassKind::EffectParameters);
    AAX_IClassFactory* factory = nullptr;
    if (it == effect.classes.end() || module.getClassFactory(it->second.c_str(), &factory) != AAX_SUCCESS || !factory) {
        return nullptr;
    }
    return factory->createInstance();
}
}  // namespace

Instance::Instance(const Module& module, const Effect& effect, float rate, int32_t in, int32_t out)
    : Instance(createFrom(module, effect), effect, rate, in, out) {}

Instance::Instance(IACFUnknown* object, const Effect& effect, float rate, int32_t in, int32_t out)
    : sampleRate(rate),
      inputStem(in ? in : static_cast<int32_t>(property(effect, 51, AAX_STEM_STEREO))),
      outputStem(out ? out : static_cast<int32_t>(property(effect, 52, AAX_STEM_STEREO))),
      effect_(effect),
      inputChannels_(channelsOf(inputStem)),
      outputChannels_(channelsOf(outputStem)) {
    if (!object) return;
    parameters_ = static_cast<AAX_IEffectParameters*>(object->queryInterface(AAX_InterfaceId::EffectParameters));
    if (!parameters_) object->release();
    // Storage for every described data and private field.
    for (const auto& [field, info] : effect.component->fields) {
        if (info.kind == "data" || info.kind == "private") {
            storage_[field].assign(info.size, 0);
            fields_[field] = storage_[field].data();
        }
    }
}

Instance::~Instance() {
    if (parameters_) {
        parameters_->uninitialize();
        parameters_->release();
    }
}

AAX_Result Instance::initialize() {
    AAX_Result result = parameters_->initialize(this);
    requestReset();
    return result;
}

void Instance::requestReset() {
    for (const auto& [field, info] : effect_.component->fields) {
        if (info.kind == "private") parameters_->resetFieldData(field, storage_[field].data(), info.size);
    }
}

AAX_Result Instance::getSampleRate(float* rate) const {
    *rate = sampleRate;
    return AAX_SUCCESS;
}

AAX_Result Instance::getInputStemFormat(int32_t* format) const {
    *format = inputStem;
    return AAX_SUCCESS;
}

AAX_Result Instance::getOutputStemFormat(int32_t* format) const {
    *format = outputStem;
    return AAX_SUCCESS;
}

AAX_Result Instance::setSignalLatency(int32_t samples) {
    latency = samples;
    return AAX_SUCCESS;
}

AAX_Result Instance::postPacket(AAX_Field field, const void* data, uint32_t size) {
    auto it = storage_.find(field);
    if (refusePackets || it == storage_.end() || it->second.size() != size || !data) return AAX_ERROR_INVALID_ARGUMENT;
    std::memcpy(it->second.data(), data, size);
    return AAX_SUCCESS;
}

AAX_Result Instance::parameterChangedByPlugIn(const char* id, double value) {
    automation[id] = value;
    ++automationCalls;
    return AAX_SUCCESS;
}

void Instance::prepare(int frames) {
    const bool side = effect_.component->fields.count(5) != 0;
    inputs_.assign(static_cast<size_t>(inputChannels_ + (side ? 1 : 0)), std::vector<float>(static_cast<size_t>(frames), 0.0f));
    outputs_.assign(static_cast<size_t>(outputChannels_), std::vector<float>(static_cast<size_t>(frames), 0.0f));
    inputPointers_.clear();
    for (auto& v : inputs_) inputPointers_.push_back(v.data());
    outputPointers_.clear();
    for (auto& v : outputs_) outputPointers_.push_back(v.data());
    packets_.reserve(64);
}

void Instance::processPrepared(int frames) {
    length_ = frames;
    rate_ = sampleRate;
    stream_.count = static_cast<uint32_t>(packets_.size());
    stream_.packets = packets_.data();
    for (const auto& [field, info] : effect_.component->fields) {
        if (info.kind == "audioIn") fields_[field] = inputPointers_.data();
        if (info.kind == "audioOut") fields_[field] = outputPointers_.data();
        if (info.kind == "length") fields_[field] = &length_;
        if (info.kind == "rate") fields_[field] = &rate_;
        if (info.kind == "sideChain") fields_[field] = &sideChain_;
        if (info.kind == "midi" && info.midiType == AAX_MIDI_NODE_INPUT) fields_[field] = &stream_;
        if (info.kind == "midi" && info.midiType == AAX_MIDI_NODE_TRANSPORT) fields_[field] = nodeTransport;
    }
    AAX_Context context = fields_;
    effect_.component->render(&context, 1);
}

std::vector<std::vector<float>> Instance::process(const std::vector<std::vector<float>>& inputs,
                                                  const std::vector<AAX_MidiPacket>& midi, int32_t sideChainIndex) {
    const int frames = inputs.empty() ? 0 : static_cast<int>(inputs[0].size());
    prepare(frames);
    for (size_t c = 0; c < inputs_.size() && c < inputs.size(); ++c) inputs_[c] = inputs[c];
    inputPointers_.clear();
    for (auto& v : inputs_) inputPointers_.push_back(v.data());
    packets_ = midi;
    sideChain_ = sideChainIndex;
    processPrepared(frames);
    packets_.clear();
    return outputs_;
}

AAX_Result Instance::saveChunk(AAX_FourCC id, std::vector<uint8_t>& data, AAX_Chunk* header) {
    uint32_t size = 0;
    AAX_Result result = parameters_->getChunkSize(id, &size);
    if (result != AAX_SUCCESS) return result;
    data.assign(size, 0xEE);
    AAX_Chunk chunk;
    chunk.size = size;
    chunk.data = data.data();
    result = parameters_->getChunk(id, &chunk);
    if (result == AAX_SUCCESS) data.resize(chunk.size);
    if (header) *header = chunk;
    return result;
}

AAX_Result Instance::restoreChunk(AAX_FourCC id, std::vector<uint8_t> data) {
    AAX_Chunk chunk;
    chunk.id = id;
    chunk.size = static_cast<uint32_t>(data.size());
    chunk.data = data.data();
    return parameters_->setChunk(id, &chunk);
}

double Instance::normalized(const std::string& id) {
    double v = -1.0;
    parameters_->getParameterNormalizedValue(id.c_str(), &v);
    return v;
}

}  // namespace aaxhost
