#pragma once
// Value types of the enumerated set parameters. Their numeric values are what presets store and
// must never change. Each family lives in its own namespace so that the classes that consume the
// values can alias them (for example `using Response = FilterEnums::Response;`).

namespace FilterEnums {
// Filter response: "LP,HP,BP".
enum Response : int { LowPass = 0, HighPass = 1, BandPass = 2 };
// Filter slope in 12 dB/octave steps: "12,24,48".
enum Slope : int { Slope12 = 1, Slope24 = 2, Slope48 = 3 };
}  // namespace FilterEnums

namespace XLFOEnums {
// Shape of a step's glide: "Linear,Sqr,Sqrt,Sine".
enum GlideCurve : int { GlideLinear = 0, GlideSqr = 1, GlideSqrt = 2, GlideSine = 3 };
// Free running or a cycle length locked to the host tempo:
// "Free,16,8,4,2,1,1/2,1/4,1/8,1/16,1/32,1/64" (bars).
enum SyncMode : int {
    SyncFree = 0,
    Sync16Bars = 1,
    Sync8Bars = 2,
    Sync4Bars = 3,
    Sync2Bars = 4,
    Sync1Bar = 5,
    SyncHalf = 6,
    SyncQuarter = 7,
    SyncEighth = 8,
    SyncSixteenth = 9,
    SyncThirtySecond = 10,
    SyncSixtyFourth = 11,
};
}  // namespace XLFOEnums

namespace EGEnums {
// What opens an envelope generator: "Normal Input,Side Chain,MIDI".
enum Triggering : int { TriggerNormalInput = 0, TriggerSideChain = 1, TriggerMidi = 2 };
}  // namespace EGEnums

namespace MidiSourceEnums {
// The MIDI value a MIDI source follows: "Mod Wheel,Pitch Bend,Velocity,Aftertouch,KB Track,Controller".
enum MidiInput : int { ModWheel = 0, PitchBend = 1, Velocity = 2, Aftertouch = 3, KeyboardTrack = 4, Controller = 5 };
// How a MIDI source bends its value: "Linear,Exp,Log,Sqr,Sqrt,Sine".
enum ResponseCurve : int { CurveLinear = 0, CurveExp = 1, CurveLog = 2, CurveSqr = 3, CurveSqrt = 4, CurveSine = 5 };
}  // namespace MidiSourceEnums

namespace RoutingEnums {
// How the filters treat the two channels: "Stereo,Per Channel,Mid/Side".
enum RoutingMode : int { Stereo = 0, PerChannel = 1, MidSide = 2 };
}  // namespace RoutingEnums
