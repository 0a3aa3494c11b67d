#include "host/lv2/Lv2Transport.h"

#include <cmath>

#include <lv2/atom/util.h>
#include <lv2/time/time.h>

void Lv2Transport::mapUris(const LV2_URID_Map& map) {
    auto m = [&](const char* uri) { return map.map(map.handle, uri); };
    position_ = m(LV2_TIME__Position);
    bar_ = m(LV2_TIME__bar);
    barBeat_ = m(LV2_TIME__barBeat);
    beat_ = m(LV2_TIME__beat);
    beatsPerBar_ = m(LV2_TIME__beatsPerBar);
    beatsPerMinute_ = m(LV2_TIME__beatsPerMinute);
    speedUrid_ = m(LV2_TIME__speed);
    long_ = m(LV2_ATOM__Long);
    float_ = m(LV2_ATOM__Float);
    double_ = m(LV2_ATOM__Double);
    int_ = m(LV2_ATOM__Int);
}

void Lv2Transport::update(const LV2_Atom_Object* object) {
    if (!object || position_ == 0 || object->body.otype != position_) return;
    const LV2_Atom *bar = nullptr, *barBeat = nullptr, *beat = nullptr, *perBar = nullptr, *bpm = nullptr, *speed = nullptr;
    lv2_atom_object_get(object, bar_, &bar, barBeat_, &barBeat, beat_, &beat, beatsPerBar_, &perBar, beatsPerMinute_,
                        &bpm, speedUrid_, &speed, 0);
    // Numbers may come as any of the atom number types; anything else or non-finite is ignored.
    auto number = [&](const LV2_Atom* a, double& out) {
        if (!a) return false;
        double v;
        if (a->type == float_ && a->size >= sizeof(float)) v = reinterpret_cast<const LV2_Atom_Float*>(a)->body;
        else if (a->type == double_ && a->size >= sizeof(double)) v = reinterpret_cast<const LV2_Atom_Double*>(a)->body;
        else if (a->type == long_ && a->size >= sizeof(int64_t)) v = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(a)->body);
        else if (a->type == int_ && a->size >= sizeof(int32_t)) v = reinterpret_cast<const LV2_Atom_Int*>(a)->body;
        else return false;
        if (!std::isfinite(v)) return false;
        out = v;
        return true;
    };
    double v = 0.0;
    if (number(perBar, v) && v > 0.0) beatsPerBar = v;
    if (number(bpm, v) && v > 0.0) bpm_ = v;
    if (number(speed, v)) speed_ = v;
    double barNumber = 0.0, inBar = 0.0;
    if (number(beat, v)) {
        beats_ = v;
    } else if (number(bar, barNumber)) {
        beats_ = barNumber * beatsPerBar + (number(barBeat, inBar) ? inBar : 0.0);
    } else if (number(barBeat, inBar)) {
        beats_ = std::floor(beats_ / beatsPerBar) * beatsPerBar + inBar;
    }
    known_ = true;
}

void Lv2Transport::advance(int frames, double rate) {
    if (known_ && rate > 0.0) beats_ += frames * speed_ * bpm_ / (60.0 * rate);
}

float Lv2Transport::position() const {
    if (!known_) return 0.0f;
    double wrapped = std::fmod(beats_, 256.0);
    if (wrapped < 0.0) wrapped += 256.0;
    return static_cast<float>(wrapped);
}
