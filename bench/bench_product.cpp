// Cost of the whole product per sample frame at 48 kHz, through KestrumPlugin::processBlock, for
// the settings of support/ProductSettings.h:
// (a) a stereo instance with four filters at 48 dB/octave ("Gentle", serial routing 0) and all 24
//     slots connected to XY sources that move all the time, host buffers of 64 and 512 frames;
// (b) the same with all six XLFOs, six envelope generators and four envelope followers running
//     and the 24 slots spread over every kind of source, buffers of 512 frames;
// (c) one stereo filter ("Gentle", 24 dB/octave) and (d) one Clean filter at 48 dB/octave (four
//     biquad sections per channel), no modulation, buffers of 512 frames.
// The bare recurrence (BareRecurrence.h) runs in the same program as the reference of the ratios.
// Counters: ns/frame, and realtime-x (seconds of audio processed per second, both channels).
#include <benchmark/benchmark.h>

#include <fstream>
#include <malloc.h>
#include <memory>
#include <unistd.h>
#include <vector>

#include "support/ProductSettings.h"
#include "BareRecurrence.h"
#include "DesignSlotChain.h"

namespace {

using namespace product_settings;

void run(benchmark::State& state, int block, Setting setting) {
    KestrumPlugin plugin(2);
    plugin.setSampleRate(kSampleRate);
    configure(plugin, setting);
    plugin.reset();
    for (int s = 0; s < Layout::kNumSlots && (setting == Setting::XYSlots || setting == Setting::AllSources); ++s) {
        if (plugin.getModulationMatrix()->getSlotState(s) != ModulationMatrix::kActive) {
            state.SkipWithError("not every slot is active");
            return;
        }
    }

    const Programme programme;
    Driver driver(plugin, setting);
    std::vector<float> out0(static_cast<size_t>(block)), out1(static_cast<size_t>(block));
    float* outs[2] = {out0.data(), out1.data()};
    long long frames = 0;
    long position = 0;
    for (auto _ : state) {
        driver.process(programme, position, outs, block);
        benchmark::DoNotOptimize(out0.data());
        benchmark::ClobberMemory();
        frames += block;
        position = (position + block) % kProgrammeFrames;
    }
    state.counters["ns/frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime-x"] =
        benchmark::Counter(static_cast<double>(frames) / kSampleRate, benchmark::Counter::kIsRate);
}

// Bytes the allocator has handed out (glibc): heap in use plus mapped blocks.
long heapBytes() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

long residentBytes() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Resident memory a stereo instance adds once constructed (Linux /proc), after a first instance
// has built the process-wide tables.
void BM_InstanceMemory(benchmark::State& state) {
    std::vector<std::unique_ptr<KestrumPlugin>> instances;
    instances.push_back(std::make_unique<KestrumPlugin>(2));  // the first builds the shared tables
    long added = 0, allocated = 0;
    for (auto _ : state) {
        const long before = residentBytes();
        const long heapBefore = heapBytes();
        instances.push_back(std::make_unique<KestrumPlugin>(2));
        instances.back()->setSampleRate(kSampleRate);
        added += residentBytes() - before;
        allocated += heapBytes() - heapBefore;
    }
    // Resident growth depends on which pages the allocator reuses; the allocated bytes do not.
    state.counters["MB/instance"] = static_cast<double>(added) / static_cast<double>(state.iterations()) / 1e6;
    state.counters["allocated-MB/instance"] =
        static_cast<double>(allocated) / static_cast<double>(state.iterations()) / 1e6;
}

// The floors under rows (a), (c) and (d): the same filter slots alone, outside the product's graph
// (bench/DesignSlotChain.h), with held settings. What a product row costs above its floor is the
// graph, the delay lines and the modulation.
void BM_Floor_FourFilters48dB(benchmark::State& state) {
    bench_chain::DesignSlotChain chain(4, kGentle, 3, 9.5f, 0.3f);
    for (auto _ : state) chain.run();
    bench_chain::setFrames(state);
}
void BM_Floor_OneFilter24dB(benchmark::State& state) {
    bench_chain::DesignSlotChain chain(1, kGentle, 2, 10.0f, 0.3f);
    for (auto _ : state) chain.run();
    bench_chain::setFrames(state);
}
void BM_Floor_OneClean48dB(benchmark::State& state) {
    bench_chain::DesignSlotChain chain(1, MultiDesignFilter::kClean, 3, 10.0f, 0.3f);
    for (auto _ : state) chain.run();
    bench_chain::setFrames(state);
}

void BM_FourFilters48dB_XYSlots_Block64(benchmark::State& state) { run(state, 64, Setting::XYSlots); }
void BM_FourFilters48dB_XYSlots_Block512(benchmark::State& state) { run(state, 512, Setting::XYSlots); }
void BM_FullProduct_AllSources_Block512(benchmark::State& state) { run(state, 512, Setting::AllSources); }
void BM_OneFilter24dB_Block512(benchmark::State& state) { run(state, 512, Setting::OneFilter24); }
void BM_OneClean48dB_Block512(benchmark::State& state) { run(state, 512, Setting::Clean48); }

}  // namespace

BENCHMARK(BM_FourFilters48dB_XYSlots_Block64);
BENCHMARK(BM_FourFilters48dB_XYSlots_Block512);
BENCHMARK(BM_FullProduct_AllSources_Block512);
BENCHMARK(BM_OneFilter24dB_Block512);
BENCHMARK(BM_OneClean48dB_Block512);
BENCHMARK(BM_Floor_FourFilters48dB);
BENCHMARK(BM_Floor_OneFilter24dB);
BENCHMARK(BM_Floor_OneClean48dB);
BENCHMARK(bare::BareRecurrence)->Arg(2)->Arg(3);
BENCHMARK(BM_InstanceMemory)->Iterations(8);
