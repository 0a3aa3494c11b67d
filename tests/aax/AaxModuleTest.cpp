// The module as a host sees it: loaded with dlopen, described, instantiated and driven.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Version.h"
#include "aax/AaxTestHost.h"
#include "support/AllocationCounter.h"

using namespace aaxhost;

namespace {

constexpr AAX_FourCC kElck = 0x656C636B;
const AAX_FourCC kZXPr = AAX_FourCCFrom("ZXPr");

std::string fourCC(int64_t v) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((v >> (24 - 8 * i)) & 0xff);
    return s;
}

int64_t prop(const Effect& e, int32_t id) {
    int64_t v = -1;
    return e.component->properties->getProperty(id, &v) ? v : -1;
}

std::vector<float> sine(int frames, float hz, float rate = 48000.0f) {
    std::vector<float> v(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) v[static_cast<size_t>(i)] = 0.5f * std::sin(6.2831853f * hz * static_cast<float>(i) / rate);
    return v;
}

class AaxModule : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module.loaded()) << module.error();
        ASSERT_EQ(module.startup(), AAX_SUCCESS);
        ASSERT_EQ(module.registerPlugin(&collection), AAX_SUCCESS);
        ASSERT_EQ(collection.effects.size(), 4u);
    }
    void TearDown() override { module.shutdown(); }

    Effect& variant(const std::string& suffix) {
        for (Effect* e : collection.effects) {
            if (e->id == "com.zelvatrix.Kestrum." + std::to_string(KESTRUM_MAJOR) + ".AAX" + suffix) return *e;
        }
        ADD_FAILURE() << "no variant " << suffix;
        return *collection.effects[0];
    }
    std::unique_ptr<Instance> start(const Effect& effect, int32_t in = 0, int32_t out = 0) {
        auto instance = std::make_unique<Instance>(module, effect, 48000.0f, in, out);
        EXPECT_TRUE(instance->created());
        EXPECT_EQ(instance->initialize(), AAX_SUCCESS);
        return instance;
    }

    static constexpr int KESTRUM_MAJOR = KESTRUM_VERSION_MAJOR;
    Module module{KESTRUM_AAX_MODULE};
    Collection collection;
};

}  // namespace

// ---- Registration ----------------------------------------------------------------------------

TEST_F(AaxModule, DescribesFourVariantsInOrderWithTheirIdsNamesAndProperties) {
    const std::string base = "com.zelvatrix.Kestrum." + std::to_string(KESTRUM_MAJOR) + ".AAX";
    const std::vector<std::string> ids{base, base + ".AS", base + ".Mono", base + ".AS.Mono"};
    const std::vector<std::string> pluginIds{"ZK2l", "ZK25", "ZK22", "ZK26"};
    for (size_t i = 0; i < 4; ++i) {
        const Effect& e = *collection.effects[i];
        SCOPED_TRACE(e.id);
        EXPECT_EQ(e.id, ids[i]);
        const bool offline = i == 1 || i == 3;
        const bool mono = i >= 2;
        const std::string suffix = (offline && mono) ? " (mono)" : "";
        EXPECT_EQ(e.names, (std::vector<std::string>{"Kestrum" + suffix, "Zelvatrix Kestrum" + suffix}));
        EXPECT_EQ(e.categories, std::vector<uint32_t>{8192});
        EXPECT_TRUE(e.resources.empty());  // no page table
        EXPECT_EQ(e.classes.count(AAX_ClassKind::EffectParameters), 1u);
        EXPECT_EQ(fourCC(prop(e, 11)), "Zlvx");
        EXPECT_EQ(fourCC(prop(e, 12)), "ZK2l");  // corrected product ids: one product for all variants
        EXPECT_EQ(fourCC(prop(e, offline ? 14 : 13)), pluginIds[i]);
        EXPECT_EQ(prop(e, offline ? 13 : 14), -1);
        EXPECT_EQ(prop(e, 60), 1);
        EXPECT_EQ(prop(e, 301), 1);
        EXPECT_EQ(prop(e, 58), 0x7FFFFFFF);
        EXPECT_EQ(prop(e, 51), mono ? AAX_STEM_MONO : AAX_STEM_STEREO);
        EXPECT_EQ(prop(e, 52), mono ? AAX_STEM_MONO : AAX_STEM_STEREO);
        EXPECT_EQ(prop(e, 108), offline && !mono ? 1 : -1);

        const auto& f = e.component->fields;
        EXPECT_EQ(f.at(0).kind, "data");
        EXPECT_EQ(f.at(0).size, 4u);
        EXPECT_EQ(f.at(1).size, 8u);
        EXPECT_EQ(f.at(2).kind, "audioIn");
        EXPECT_EQ(f.at(3).kind, "audioOut");
        EXPECT_EQ(f.at(4).kind, "length");
        EXPECT_EQ(f.at(5).kind, "sideChain");
        EXPECT_EQ(f.at(6).kind, "rate");
        EXPECT_EQ(f.at(7).midiType, 0);
        EXPECT_EQ(f.at(7).midiName, "Kestrum");
        EXPECT_EQ(f.at(7).midiMask, 0xffffu);
        EXPECT_EQ(f.at(8).midiType, 3);
        EXPECT_EQ(f.at(9).kind, "private");
        EXPECT_EQ(f.at(9).size, 4u);
        EXPECT_NE(e.component->render, nullptr);
    }
    EXPECT_EQ(collection.manufacturer, "Zelvatrix");
    EXPECT_EQ(collection.packageNames, (std::vector<std::string>{"Kestrum", "Zelvatrix Kestrum"}));
    EXPECT_EQ(collection.packageVersion >> 16, static_cast<uint32_t>(KESTRUM_MAJOR));
}

TEST_F(AaxModule, EntryPointsEnumerateClassesAndRefuseUnknownOnes) {
    uint64_t version = 0;
    EXPECT_EQ(module.getSDKVersion(&version), AAX_SUCCESS);
    EXPECT_EQ(version, AAX_SDK_VERSION);
    AAX_ClassInfo info;
    ASSERT_EQ(module.registerComponent(0, &info), AAX_SUCCESS);
    EXPECT_EQ(std::string(info.classId), collection.effects[0]->classes.at(AAX_ClassKind::EffectParameters));
    EXPECT_EQ(module.registerComponent(1, &info), AAX_ERROR_UNKNOWN_CLASS);
    AAX_IClassFactory* factory = reinterpret_cast<AAX_IClassFactory*>(1);
    EXPECT_EQ(module.getClassFactory("no.such.class", &factory), AAX_ERROR_UNKNOWN_CLASS);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(module.registerPlugin(nullptr), AAX_ERROR_INVALID_ARGUMENT);

    EXPECT_EQ(module.canUnloadNow(), AAX_SUCCESS);
    {
        auto instance = start(*collection.effects[0]);
        EXPECT_NE(module.canUnloadNow(), AAX_SUCCESS);  // an instance is alive
    }
    EXPECT_EQ(module.canUnloadNow(), AAX_SUCCESS);
}

TEST_F(AaxModule, ACollectionThatCannotMakeADescriptorStopsTheDescription) {
    Collection failing;
    failing.descriptorsLeft = 2;
    EXPECT_EQ(module.registerPlugin(&failing), AAX_ERROR_NOT_PRODUCED);
    EXPECT_EQ(failing.effects.size(), 2u);  // stopped at the first error
    EXPECT_TRUE(failing.packageNames.empty());
}

// ---- Instances and parameters -------------------------------------------------------------------

TEST_F(AaxModule, EveryVariantInstantiatesAndRendersFiniteAudio) {
    for (Effect* e : collection.effects) {
        SCOPED_TRACE(e->id);
        auto instance = start(*e);
        EXPECT_EQ(instance->latency, 0);
        std::vector<std::vector<float>> in(static_cast<size_t>(instance->inputChannels()), sine(2048, 440.0f));
        std::vector<std::vector<float>> out;
        for (int b = 0; b < 4; ++b) out = instance->process(in);
        ASSERT_EQ(out.size(), static_cast<size_t>(instance->outputChannels()));
        double energy = 0.0;
        for (auto& channel : out) {
            for (float s : channel) {
                ASSERT_TRUE(std::isfinite(s));
                energy += s * s;
            }
        }
        EXPECT_GT(energy, 1.0);
    }
}

TEST_F(AaxModule, HostParametersAreTheMasterBypassAndOnePerPluginParameter) {
    auto instance = start(*collection.effects[0]);
    AAX_IEffectParameters& p = instance->parameters();
    int32_t count = 0;
    ASSERT_EQ(p.getNumberOfParameters(&count), AAX_SUCCESS);
    ASSERT_GT(count, 100);
    char id[64];
    ASSERT_EQ(p.getParameterIdFromIndex(0, id, sizeof id), AAX_SUCCESS);
    EXPECT_STREQ(id, "MasterBypassID");
    char name[64];
    ASSERT_EQ(p.getParameterName("MasterBypassID", name, sizeof name), AAX_SUCCESS);
    EXPECT_STREQ(name, "Master Bypass");
    int32_t steps = 0;
    p.getParameterNumberOfSteps("MasterBypassID", &steps);
    EXPECT_EQ(steps, 2);
    char text[32];
    p.getParameterValueString("MasterBypassID", 1.0, text, sizeof text);
    EXPECT_STREQ(text, "bypass");
    p.getParameterValueString("MasterBypassID", 0.0, text, sizeof text);
    EXPECT_STREQ(text, "on");

    for (int32_t i = 1; i < count; ++i) {
        ASSERT_EQ(p.getParameterIdFromIndex(i, id, sizeof id), AAX_SUCCESS);
        ASSERT_EQ(std::string(id), std::to_string(i - 1));
        AAX_ParameterType type;
        bool discrete = false;
        p.getParameterType(id, &type);
        p.getParameterIsDiscrete(id, &discrete);
        p.getParameterNumberOfSteps(id, &steps);
        if (type == AAX_ParameterType::Float) {
            EXPECT_FALSE(discrete);
            EXPECT_EQ(steps, 36000);
        } else {
            EXPECT_EQ(type, AAX_ParameterType::Int32);
            EXPECT_TRUE(discrete);
            EXPECT_GE(steps, 1);
        }
    }
    EXPECT_STREQ((p.getParameterName("0", name, sizeof name), name), "Input Gain");
    EXPECT_EQ(p.getParameterName("99999", name, sizeof name), AAX_ERROR_UNKNOWN_PARAMETER);
    EXPECT_EQ(p.setParameterNormalizedValue("4", NAN, AAX_SOURCE_AUTOMATION), AAX_ERROR_INVALID_ARGUMENT);
    // Typed text goes through the parameter's own parser.
    double n = -1.0;
    ASSERT_EQ(p.getParameterValueFromString("0", "0", &n), AAX_SUCCESS);
    EXPECT_EQ(p.getParameterValueString("0", n, text, sizeof text), AAX_SUCCESS);
    EXPECT_EQ(p.getParameterValueFromString("0", "loud", &n), AAX_ERROR_INVALID_ARGUMENT);
}

// ---- Chunks -----------------------------------------------------------------------------------

TEST_F(AaxModule, ChunksAreListedAndUnknownIndicesAndIdsAreRefused) {
    auto instance = start(*collection.effects[0]);
    AAX_IEffectParameters& p = instance->parameters();
    int32_t count = 0;
    p.getNumberOfChunks(&count);
    EXPECT_EQ(count, 2);
    AAX_FourCC id = 0;
    EXPECT_EQ(p.getChunkIdFromIndex(0, &id), AAX_SUCCESS);
    EXPECT_EQ(id, kElck);
    EXPECT_EQ(p.getChunkIdFromIndex(1, &id), AAX_SUCCESS);
    EXPECT_EQ(id, kZXPr);
    EXPECT_EQ(p.getChunkIdFromIndex(2, &id), AAX_ERROR_UNKNOWN_CHUNK_INDEX);
    EXPECT_EQ(p.getChunkIdFromIndex(-1, &id), AAX_ERROR_UNKNOWN_CHUNK_INDEX);

    const AAX_FourCC other = AAX_FourCCFrom("abcd");
    uint32_t size = 0;
    EXPECT_EQ(p.getChunkSize(other, &size), AAX_ERROR_UNKNOWN_CHUNK_ID);
    std::vector<uint8_t> bytes(16);
    AAX_Chunk chunk;
    chunk.size = 16;
    chunk.data = bytes.data();
    EXPECT_EQ(p.getChunk(other, &chunk), AAX_ERROR_UNKNOWN_CHUNK_ID);
    EXPECT_EQ(p.setChunk(other, &chunk), AAX_ERROR_UNKNOWN_CHUNK_ID);
    bool equal = false;
    chunk.id = other;
    EXPECT_EQ(p.compareActiveChunk(&chunk, &equal), AAX_SUCCESS);
    EXPECT_TRUE(equal);

    ASSERT_EQ(p.getChunkSize(kZXPr, &size), AAX_SUCCESS);
    EXPECT_EQ(size, 124u);
    AAX_Chunk header;
    std::vector<uint8_t> name;
    ASSERT_EQ(instance->saveChunk(kZXPr, name, &header), AAX_SUCCESS);
    EXPECT_EQ(name.size(), 124u);
    EXPECT_STREQ(header.name, "Zelvatrix Preset Name");
    std::vector<uint8_t> controls;
    ASSERT_EQ(instance->saveChunk(kElck, controls, &header), AAX_SUCCESS);
    EXPECT_STREQ(header.name, "Complete Controls State");
    EXPECT_EQ(header.id, kElck);
}

TEST_F(AaxModule, ReadingTheControlsChunkWithoutASizeQueryFailsWithSizeChanged) {
    auto instance = start(*collection.effects[0]);
    std::vector<uint8_t> bytes(1 << 16);
    AAX_Chunk chunk;
    chunk.size = static_cast<uint32_t>(bytes.size());
    chunk.data = bytes.data();
    EXPECT_EQ(instance->parameters().getChunk(kElck, &chunk), AAX_ERROR_CHUNK_SIZE_CHANGED);
    // After the query the read works, and a buffer smaller than the size is refused.
    uint32_t size = 0;
    ASSERT_EQ(instance->parameters().getChunkSize(kElck, &size), AAX_SUCCESS);
    chunk.size = size - 1;
    EXPECT_EQ(instance->parameters().getChunk(kElck, &chunk), AAX_ERROR_INVALID_ARGUMENT);
    chunk.size = size;
    EXPECT_EQ(instance->parameters().getChunk(kElck, &chunk), AAX_SUCCESS);
}

TEST_F(AaxModule, SavedChunksRestoreBitExactIntoANewInstance) {
    auto first = start(*collection.effects[0]);
    AAX_IEffectParameters& p = first->parameters();
    int32_t count = 0;
    p.getNumberOfParameters(&count);
    char id[16];
    for (int32_t i = 1; i < count; ++i) {
        p.getParameterIdFromIndex(i, id, sizeof id);
        p.setParameterNormalizedValue(id, std::fmod(0.37 * i, 1.0), AAX_SOURCE_AUTOMATION);
    }
    const std::string name = "Bright Sweep";
    std::vector<uint8_t> nameChunk(124, 0);
    std::memcpy(nameChunk.data(), name.data(), name.size());
    ASSERT_EQ(first->restoreChunk(kZXPr, nameChunk), AAX_SUCCESS);

    std::vector<uint8_t> controls, names;
    ASSERT_EQ(first->saveChunk(kElck, controls), AAX_SUCCESS);
    ASSERT_EQ(first->saveChunk(kZXPr, names), AAX_SUCCESS);

    auto second = start(*collection.effects[0]);
    bool equal = true;
    AAX_Chunk probe;
    probe.id = kElck;
    probe.size = static_cast<uint32_t>(controls.size());
    probe.data = controls.data();
    ASSERT_EQ(second->parameters().compareActiveChunk(&probe, &equal), AAX_SUCCESS);
    EXPECT_FALSE(equal);
    ASSERT_EQ(second->restoreChunk(kElck, controls), AAX_SUCCESS);
    ASSERT_EQ(second->restoreChunk(kZXPr, names), AAX_SUCCESS);
    ASSERT_EQ(second->parameters().compareActiveChunk(&probe, &equal), AAX_SUCCESS);
    EXPECT_TRUE(equal);

    std::vector<uint8_t> controls2, names2;
    ASSERT_EQ(second->saveChunk(kElck, controls2), AAX_SUCCESS);
    ASSERT_EQ(second->saveChunk(kZXPr, names2), AAX_SUCCESS);
    EXPECT_EQ(controls2, controls);
    EXPECT_EQ(names2, names);
    for (int32_t i = 1; i < count; ++i) {
        p.getParameterIdFromIndex(i, id, sizeof id);
        ASSERT_EQ(second->normalized(id), first->normalized(id)) << id;
    }
    // The restore reached the host's controls too.
    EXPECT_GT(second->automationCalls, 0);
}

TEST_F(AaxModule, MalformedControlsChunksAreRefusedAndChangeNothing) {
    auto instance = start(*collection.effects[0]);
    std::vector<uint8_t> good;
    ASSERT_EQ(instance->saveChunk(kElck, good), AAX_SUCCESS);
    const std::vector<std::vector<uint8_t>> bad{
        {},
        {1, 2},
        std::vector<uint8_t>(good.begin(), good.end() - 1),  // cut short
        [&] { auto b = good; b.push_back(0); return b; }(),   // trailing byte
        {0xff, 0xff, 0xff, 0x7f, 0, 1, '4', 0, 0, 0, 0},       // huge count
        {1, 0, 0, 0, 9, 1, '4', 0, 0, 0, 0},                   // unknown type
    };
    for (const auto& b : bad) EXPECT_EQ(instance->restoreChunk(kElck, b), AAX_ERROR_MALFORMED_CHUNK);
    std::vector<uint8_t> after;
    ASSERT_EQ(instance->saveChunk(kElck, after), AAX_SUCCESS);
    EXPECT_EQ(after, good);
    AAX_Chunk missing;
    missing.size = 8;
    EXPECT_EQ(instance->parameters().setChunk(kElck, &missing), AAX_ERROR_INVALID_ARGUMENT);
}

TEST_F(AaxModule, ARestoredSeventyCharacterPresetNameKeepsSixtyThree) {
    auto instance = start(*collection.effects[0]);
    const std::string longName(70, 'k');
    std::vector<uint8_t> chunk(124, 0);
    std::memcpy(chunk.data(), longName.data(), longName.size());
    ASSERT_EQ(instance->restoreChunk(kZXPr, chunk), AAX_SUCCESS);
    std::vector<uint8_t> saved;
    ASSERT_EQ(instance->saveChunk(kZXPr, saved), AAX_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(saved.data())), longName.substr(0, 63));
    EXPECT_TRUE(std::all_of(saved.begin() + 63, saved.end(), [](uint8_t b) { return b == 0; }));

    // A name chunk shorter than its field still gives the name it holds, nothing beyond it.
    std::vector<uint8_t> shortChunk{'L', 'e', 'a', 'd'};
    ASSERT_EQ(instance->restoreChunk(kZXPr, shortChunk), AAX_SUCCESS);
    ASSERT_EQ(instance->saveChunk(kZXPr, saved), AAX_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<const char*>(saved.data()), "Lead");
    bool equal = false;
    AAX_Chunk probe;
    probe.id = kZXPr;
    probe.size = static_cast<uint32_t>(saved.size());
    probe.data = saved.data();
    instance->parameters().compareActiveChunk(&probe, &equal);
    EXPECT_TRUE(equal);
}

// ---- Errors around the instance ------------------------------------------------------------------

TEST_F(AaxModule, CustomDataGivesThePluginOnlyForTheKnownRequest) {
    Instance fresh(module, *collection.effects[0]);
    void* plugin = nullptr;
    uint32_t written = 0;
    EXPECT_EQ(fresh.parameters().getCustomData(0, sizeof plugin, &plugin, &written), AAX_ERROR_UNSUPPORTED_REQUEST);
    ASSERT_EQ(fresh.initialize(), AAX_SUCCESS);
    EXPECT_EQ(fresh.parameters().getCustomData(0, sizeof plugin, &plugin, &written), AAX_SUCCESS);
    EXPECT_NE(plugin, nullptr);
    EXPECT_EQ(written, sizeof plugin);
    EXPECT_EQ(fresh.parameters().getCustomData(1, sizeof plugin, &plugin, &written), AAX_ERROR_UNSUPPORTED_REQUEST);
    EXPECT_EQ(fresh.parameters().getCustomData(0, 4, &plugin, &written), AAX_ERROR_UNSUPPORTED_REQUEST);
}

TEST_F(AaxModule, AHostThatRefusesPacketsFailsInitialisation) {
    Instance instance(module, *collection.effects[0]);
    instance.refusePackets = true;
    EXPECT_EQ(instance.initialize(), AAX_ERROR_NOT_PRODUCED);
}

// ---- Rendering ---------------------------------------------------------------------------------

TEST_F(AaxModule, MonoToStereoFeedsInputZeroToBothChannels) {
    auto mono = start(variant(""), AAX_STEM_MONO, AAX_STEM_STEREO);
    auto stereo = start(variant(""));
    const std::vector<float> left = sine(1024, 300.0f);
    const std::vector<float> silent(1024, 0.0f);
    for (int b = 0; b < 3; ++b) {
        auto fromMono = mono->process({left, silent});  // the second buffer is the side chain's
        auto fromStereo = stereo->process({left, left});
        ASSERT_EQ(fromMono.size(), 2u);
        EXPECT_EQ(fromMono[0], fromStereo[0]);
        EXPECT_EQ(fromMono[1], fromStereo[1]);
    }
}

TEST_F(AaxModule, MasterBypassArrivesThroughItsPacketAndCrossfadesToTheDryInput) {
    auto instance = start(*collection.effects[0]);
    const std::vector<float> in = sine(4800, 2000.0f);
    instance->process({in, in});
    ASSERT_EQ(instance->parameters().setParameterNormalizedValue("MasterBypassID", 1.0, AAX_SOURCE_USER), AAX_SUCCESS);
    instance->process({in, in});  // 100 ms: the 50 ms crossfade ends inside it
    auto out = instance->process({in, in});
    EXPECT_EQ(out[0], in);
    EXPECT_EQ(out[1], in);
}

TEST_F(AaxModule, RenderingAllocatesNothingAfterWarmUp) {
    auto instance = start(*collection.effects[0]);
    Transport transport;
    instance->nodeTransport = &transport;
    instance->prepare(512);
    auto& in = instance->preparedInputs();
    // Copied into the prepared buffers: the render context points at them.
    const std::vector<float> left = sine(512, 220.0f), right = sine(512, 330.0f);
    std::copy(left.begin(), left.end(), in[0].begin());
    std::copy(right.begin(), right.end(), in[1].begin());
    for (int b = 0; b < 8; ++b) instance->processPrepared(512);
    alloc_counter::arm();
    for (int b = 0; b < 32; ++b) {
        transport.ticks += 512 * 3840000 / 24000;
        if (b == 10) instance->requestReset();
        instance->processPrepared(512);
    }
    EXPECT_EQ(alloc_counter::disarm(), 0u);
}

TEST_F(AaxModule, AConnectedSideChainIsHeardThroughTheAuditionSwitch) {
    auto instance = start(*collection.effects[0]);
    AAX_IEffectParameters& p = instance->parameters();
    int32_t count = 0;
    p.getNumberOfParameters(&count);
    std::string audition;
    char id[16], name[64];
    for (int32_t i = 0; i < count && audition.empty(); ++i) {
        p.getParameterIdFromIndex(i, id, sizeof id);
        p.getParameterName(id, name, sizeof name);
        if (std::string(name) == "Audition Signal") audition = id;
    }
    ASSERT_FALSE(audition.empty());
    double sideChain = 0.0;
    ASSERT_EQ(p.getParameterValueFromString(audition.c_str(), "Side Chain", &sideChain), AAX_SUCCESS);
    ASSERT_EQ(p.setParameterNormalizedValue(audition.c_str(), sideChain, AAX_SOURCE_USER), AAX_SUCCESS);

    const std::vector<float> main = sine(4800, 500.0f);
    const std::vector<float> silent(4800, 0.0f);
    auto energy = [](const std::vector<std::vector<float>>& out) {
        double e = 0.0;
        for (auto& c : out) {
            for (float s : c) e += s * s;
        }
        return e;
    };
    // Connected (index 2, after the two main channels): the silent side chain is heard.
    std::vector<std::vector<float>> out;
    for (int b = 0; b < 3; ++b) out = instance->process({main, main, silent}, {}, 2);
    EXPECT_LT(energy(out), 1e-6);
    // Not connected: the main input doubles as the side chain. An index outside the input
    // array counts as not connected.
    for (int32_t index : {-1, 7}) {
        for (int b = 0; b < 3; ++b) out = instance->process({main, main, silent}, {}, index);
        EXPECT_GT(energy(out), 100.0) << index;
    }
}
