#pragma once
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

// The host's musical position from time:Position objects, advanced by the plug-in between them.
// Without any position from the host it reports a standing transport at 120 BPM, which the
// framework runs freely at that tempo. Audio thread only; allocates nothing.
class Lv2Transport {
public:
    void mapUris(const LV2_URID_Map& map);
    // A time:Position object (other objects are ignored); fields it lacks keep their last value.
    void update(const LV2_Atom_Object* position);
    // After `frames` frames at `rate` the position moves on by speed x tempo.
    void advance(int frames, double rate);

    float bpm() const { return static_cast<float>(bpm_); }
    // Beats from the start of the song, wrapped the way the framework wraps its own count.
    float position() const;
    double speed() const { return speed_; }
    bool known() const { return known_; }

private:
    LV2_URID position_ = 0, bar_ = 0, barBeat_ = 0, beat_ = 0, beatsPerBar_ = 0, beatsPerMinute_ = 0, speedUrid_ = 0;
    LV2_URID long_ = 0, float_ = 0, double_ = 0, int_ = 0;
    bool known_ = false;
    double bpm_ = 120.0;
    double speed_ = 0.0;
    double beats_ = 0.0;
    double beatsPerBar = 4.0;
};
