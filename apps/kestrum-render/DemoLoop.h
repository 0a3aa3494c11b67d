#pragma once
#include "AudioFile.h"

// A short stereo loop rich in harmonics and transients, made from scratch: a kick, off-beat hats, a
// saw bass line and a detuned saw chord. It gives the filters something to chew on in the demo.
AudioData synthesiseDemoLoop(int sampleRate = 48000, float bpm = 120.0f, int bars = 2);
