#pragma once
// Value types of the enumerated set parameters. Their numeric values are what presets store and
// must never change. Each family lives in its own namespace so that the classes that consume the
// values can alias them (for example `using Response = FilterEnums::Response;` plus constants for the values).

namespace FilterEnums {
// Filter response: "LP,HP,BP".
enum Response : int { LowPass = 0, HighPass = 1, BandPass = 2 };
// Filter slope in 12 dB/octave steps: "12,24,48".
enum Slope : int { Slope12 = 1, Slope24 = 2, Slope48 = 3 };
}  // namespace FilterEnums

namespace XLFOEnums {
// Shape of a step's glide: "Linear,Sqr,Sqrt,Sine".
enum GlideCurve : int { Linear = 0, Sqr = 1, Sqrt = 2, Sine = 3 };
// Free running or a cycle length locked to the host tempo:
// "Free,16,8,4,2,1,1/2,1/4,1/8,1/16,1/32,1/64" (bars).
enum SyncMode : int {
    Free = 0,
    Bars16 = 1,
    Bars8 = 2,
    Bars4 = 3,
    Bars2 = 4,
    Bar1 = 5,
    Half = 6,
    Quarter = 7,
    Eighth = 8,
    Sixteenth = 9,
    ThirtySecond = 10,
    SixtyFourth = 11,
};
}  // namespace XLFOEnums

namespace EGEnums {
// What opens an envelope generator: "Normal Input,Side Chain,MIDI".
enum Triggering : int { NormalInput = 0, SideChain = 1, Midi = 2 };
}  // namespace EGEnums

namespace MidiSourceEnums {
// The MIDI value a MIDI source follows: "Mod Wheel,Pitch Bend,Velocity,Aftertouch,KB Track,Controller".
enum MidiInput : int { ModWheel = 0, PitchBend = 1, Velocity = 2, Aftertouch = 3, KBTrack = 4, Controller = 5 };
// How a MIDI source bends its value: "Linear,Exp,Log,Sqr,Sqrt,Sine".
enum ResponseCurve : int { Linear = 0, Exp = 1, Log = 2, Sqr = 3, Sqrt = 4, Sine = 5 };
}  // namespace MidiSourceEnums

namespace RoutingEnums {
// How the filters treat the two channels: "Stereo,Per Channel,Mid/Side".
enum RoutingMode : int { Stereo = 0, PerChannel = 1, MidSide = 2 };
}  // namespace RoutingEnums
