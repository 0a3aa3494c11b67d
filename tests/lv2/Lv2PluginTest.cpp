// The adapter in this process, where the test can see the plug-in behind the ports.
#include <gtest/gtest.h>

#include <lv2/atom/forge.h>
#include <lv2/midi/midi.h>

#include <map>
#include <string>

#include "host/lv2/Lv2ControlPorts.h"
#include "host/lv2/Lv2Plugin.h"
#include "host/lv2/Lv2Uris.h"
#include "lv2/Lv2Support.h"
#include "lv2/Lv2TestHost.h"
#include "product/KestrumPlugin.h"

namespace {

using Variant = Lv2PortLayout::Variant;

// An instance with every port connected to buffers of the test.
struct Rig {
    explicit Rig(const LV2_Feature* const* features, int frames = 256) : block(frames) {
        lv2 = Lv2Plugin::create(Variant::Stereo, 48000.0, features);
        const Lv2PortLayout& l = lv2->layout();
        controls.resize(static_cast<size_t>(lv2->plugin().getNumParameters()));
        for (size_t i = 0; i < controls.size(); ++i) {
            AbstractPluginParameter& p = *lv2->plugin().getParameter(static_cast<int>(i));
            controls[i] = Lv2ControlPorts::portValue(p, p.getValue());
            lv2->connect(l.firstControl + static_cast<uint32_t>(i), &controls[i]);
        }
        input = lv2test::signal(2, static_cast<size_t>(block));
        output.assign(2, std::vector<float>(static_cast<size_t>(block)));
        for (int c = 0; c < 2; ++c) {
            lv2->connect(l.input[c], input[static_cast<size_t>(c)].data());
            lv2->connect(l.output[c], output[static_cast<size_t>(c)].data());
        }
        lv2->connect(l.latency, &latency);
        lv2->connect(l.enabled, &enabled);
        sequence.assign(4096, 0);
        lv2->connect(l.events, sequence.data());
        clearEvents();
        lv2->activate();
    }
    float& port(const std::string& name) { return controls[static_cast<size_t>(lv2test::parameterNamed(lv2->plugin(), name).getId())]; }
    float value(const std::string& name) { return lv2test::parameterNamed(lv2->plugin(), name).getValue(); }
    void clearEvents() {
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(sequence.data());
        seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
        seq->atom.type = 0;
        seq->body.unit = 0;
        seq->body.pad = 0;
    }
    void run() {
        lv2->run(static_cast<uint32_t>(block));
        clearEvents();
    }
    int block;
    std::unique_ptr<Lv2Plugin> lv2;
    std::vector<float> controls;
    std::vector<std::vector<float>> input, output;
    float latency = -1.0f, enabled = 1.0f;
    std::vector<uint8_t> sequence;
};

}  // namespace

TEST(Controls, OnlyPortsThatMovedAreAppliedSoThePluginsOwnChangesSurvive) {
    Rig rig(nullptr);
    rig.port("Filter 1 Peak") = 0.4f;
    rig.run();
    EXPECT_FLOAT_EQ(rig.value("Filter 1 Peak"), 0.4f);
    EXPECT_EQ(rig.latency, 0.0f);

    // The plug-in changes a value itself (a learned controller, a program change).
    lv2test::parameterNamed(rig.lv2->plugin(), "Filter 1 Peak").setValue(0.9f, 0);
    rig.port("Filter 1 Freq") = 1500.0f;
    rig.run();
    rig.run();
    EXPECT_FLOAT_EQ(rig.value("Filter 1 Peak"), 0.9f);
    EXPECT_NEAR(lv2test::parameterNamed(rig.lv2->plugin(), "Filter 1 Freq").valueToDisplay(rig.value("Filter 1 Freq")), 1500.0f, 0.5f);

    // Until the user moves that control.
    rig.port("Filter 1 Peak") = 0.2f;
    rig.run();
    EXPECT_FLOAT_EQ(rig.value("Filter 1 Peak"), 0.2f);

    // A port the host fills with garbage changes nothing.
    rig.port("Filter 1 Peak") = std::nanf("");
    rig.run();
    EXPECT_FLOAT_EQ(rig.value("Filter 1 Peak"), 0.2f);
}

TEST(Controls, AChangeMidRunTakesEffectAtThatBufferLikeTheFramework) {
    Rig rig(nullptr, 512);
    KestrumPlugin reference(2);
    AbstractPluginParameter& freq = lv2test::parameterNamed(reference, "Filter 1 Freq");
    reference.setSampleRate(48000.0f);
    reference.reset();
    std::vector<std::vector<float>> expected(2, std::vector<float>(512));
    float* outs[2] = {expected[0].data(), expected[1].data()};
    const float* ins[2] = {rig.input[0].data(), rig.input[1].data()};
    for (int b = 0; b < 8; ++b) {
        if (b == 4) {
            rig.port("Filter 1 Freq") = 700.0f;
            float v;
            ASSERT_TRUE(Lv2ControlPorts::parameterValue(freq, 700.0f, v));
            freq.setValue(v, 0);
        }
        rig.run();
        reference.setTransport(120.0f, 0.0f);
        reference.processBlock(ins, 2, outs, 2, 512);
        ASSERT_EQ(std::memcmp(rig.output[0].data(), expected[0].data(), 512 * sizeof(float)), 0) << "buffer " << b;
    }
}

TEST(State, TheCurrentPresetNameTravelsWithTheState) {
    Lv2TestHost host(lv2test::bundle());
    Rig rig(host.features());
    rig.lv2->plugin().setCurrentPresetName("Warm Sweep");
    rig.port("Mix") = 35.0f;
    rig.run();
    std::map<LV2_URID, std::pair<std::vector<uint8_t>, uint32_t>> store;
    auto put = [](LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type, uint32_t) {
        auto* s = static_cast<decltype(store)*>(h);
        const auto* bytes = static_cast<const uint8_t*>(value);
        (*s)[key] = {std::vector<uint8_t>(bytes, bytes + size), type};
        return LV2_STATE_SUCCESS;
    };
    ASSERT_EQ(rig.lv2->save(put, &store), LV2_STATE_SUCCESS);
    ASSERT_EQ(store.size(), 2u);

    Rig other(host.features());
    auto get = [](LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) -> const void* {
        auto* s = static_cast<decltype(store)*>(h);
        auto it = s->find(key);
        if (it == s->end()) return nullptr;
        *size = it->second.first.size();
        *type = it->second.second;
        *flags = 0;
        return it->second.first.data();
    };
    ASSERT_EQ(other.lv2->restore(get, &store), LV2_STATE_SUCCESS);
    EXPECT_EQ(other.lv2->plugin().currentPreset().getName(), "Warm Sweep");
    EXPECT_FLOAT_EQ(other.value("Mix"), 35.0f);

    // A damaged state is refused and leaves the instance as it was.
    store[host.map(lv2uris::kStateKey)].first.assign(5, 0xAB);
    EXPECT_NE(other.lv2->restore(get, &store), LV2_STATE_SUCCESS);
    EXPECT_FLOAT_EQ(other.value("Mix"), 35.0f);
}

TEST(Worker, AProgramChangeAsksTheWorkerAndTheJobRunsThere) {
    Lv2TestHost host(lv2test::bundle());
    struct Schedule {
        int requests = 0;
        static LV2_Worker_Status call(LV2_Worker_Schedule_Handle h, uint32_t, const void*) {
            ++static_cast<Schedule*>(h)->requests;
            return LV2_WORKER_SUCCESS;
        }
    } counter;
    LV2_Worker_Schedule schedule{&counter, Schedule::call};
    LV2_Feature worker{LV2_WORKER__schedule, &schedule};
    const LV2_Feature* features[] = {host.features()[0], &worker, nullptr};
    Rig rig(features);
    int jobs = 0;
    rig.lv2->setWorkHandler([&] { ++jobs; });
    GenericPlugin::sharedSettings()->enableMIDIProgramChanges.set(true);

    auto programChange = [&](Rig& r) {
        LV2_Atom_Forge forge;
        lv2_atom_forge_init(&forge, const_cast<LV2_URID_Map*>(static_cast<const LV2_URID_Map*>(host.features()[0]->data)));
        lv2_atom_forge_set_buffer(&forge, r.sequence.data(), r.sequence.size());
        LV2_Atom_Forge_Frame frame;
        lv2_atom_forge_sequence_head(&forge, &frame, 0);
        const uint8_t bytes[2] = {0xC0, 5};
        lv2_atom_forge_frame_time(&forge, 10);
        lv2_atom_forge_atom(&forge, 2, host.map(LV2_MIDI__MidiEvent));
        lv2_atom_forge_write(&forge, bytes, 2);
        r.lv2->run(static_cast<uint32_t>(r.block));
        r.clearEvents();
    };
    rig.run();
    EXPECT_EQ(counter.requests, 0);
    programChange(rig);
    EXPECT_EQ(counter.requests, 1);
    EXPECT_EQ(jobs, 0);  // nothing runs on the audio thread
    EXPECT_EQ(rig.lv2->work(), LV2_WORKER_SUCCESS);
    EXPECT_EQ(jobs, 1);
    rig.run();
    EXPECT_EQ(counter.requests, 1);

    // Without a worker the request is dropped and processing goes on.
    Rig alone(host.features());
    alone.lv2->setWorkHandler([&] { ++jobs; });
    programChange(alone);
    EXPECT_FALSE(alone.lv2->requestWork());
    EXPECT_EQ(jobs, 1);
    EXPECT_TRUE(lv2test::allFinite(alone.output));
    GenericPlugin::sharedSettings()->enableMIDIProgramChanges.set(false);
}

TEST(Controls, InputsSharedWithOutputsAreReadBeforeTheyAreOverwritten) {
    Rig separate(nullptr, 1024), shared(nullptr, 1024);
    for (Rig* r : {&separate, &shared}) {
        r->port("Filter 1 Freq") = 800.0f;
        r->port("Filter 1 Delay") = 5.0f;
    }
    // In place: the host hands the same buffers as input and output.
    for (int c = 0; c < 2; ++c) {
        shared.output[static_cast<size_t>(c)] = shared.input[static_cast<size_t>(c)];
        shared.lv2->connect(shared.lv2->layout().input[c], shared.output[static_cast<size_t>(c)].data());
        shared.lv2->connect(shared.lv2->layout().output[c], shared.output[static_cast<size_t>(c)].data());
    }
    separate.run();
    shared.run();
    EXPECT_EQ(separate.output, shared.output);
}
