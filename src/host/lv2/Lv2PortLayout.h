#pragma once
#include <cstdint>
#include <string>

// The three plug-ins of the bundle and the fixed ports in front of their control ports. Port
// indices and symbols are part of what hosts store, so the order below never changes.
class Lv2PortLayout {
public:
    enum class Variant { Stereo, Mono, MonoToStereo };
    static constexpr int kNone = -1;

    static Lv2PortLayout forVariant(Variant variant);
    // The variant whose URI this is; false for any other URI.
    static bool variantOf(const char* uri, Variant& variant);
    static const char* uriOf(Variant variant);
    static const char* nameOf(Variant variant);

    Variant variant = Variant::Stereo;
    int channels = 2;          // processing channels of the plug-in instance
    int numInputs = 2;         // audio inputs (the mono-to-stereo variant feeds one to both channels)
    int numOutputs = 2;
    int numSideChains = 2;
    uint32_t input[2] = {0, 0};
    uint32_t output[2] = {0, 0};
    uint32_t sideChain[2] = {0, 0};
    uint32_t events = 0;       // atom input: MIDI and time:Position
    uint32_t latency = 0;      // control output: the latency in samples
    uint32_t enabled = 0;      // control input: the host's bypass (0 bypasses)
    uint32_t firstControl = 0; // the parameters follow in id order

    // Symbols of the fixed ports; a parameter's symbol never takes one of these.
    static constexpr const char* kReservedSymbols[] = {"in", "in_l", "in_r", "out", "out_l", "out_r",
                                                       "sidechain", "sidechain_l", "sidechain_r",
                                                       "events", "latency", "enabled"};
};
