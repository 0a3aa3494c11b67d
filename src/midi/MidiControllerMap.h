#pragma once
#include <array>
#include <atomic>
#include <cstdint>

// Which parameter each MIDI controller number drives: 128 entries, -1 = not assigned. A parameter
// id is held by at most one controller. Ids are host parameter indices or virtual parameter ids
// (0x100000 on).
//
// Threads: the audio thread looks entries up (and assigns while learning); the editor thread
// changes them. Each entry is one atomic int32, so no lock is needed.
class MidiControllerMap {
public:
    static constexpr int kControllers = 128;
    static constexpr int kNone = -1;

    MidiControllerMap();
    MidiControllerMap(const MidiControllerMap&) = delete;
    MidiControllerMap& operator=(const MidiControllerMap&) = delete;

    // The map every plug-in instance of the process shares.
    static MidiControllerMap& shared();

    // The parameter id for a controller, or -1 (also for numbers outside 0..127).
    int lookup(int controller) const;
    // Ties `controller` to `id`, taking `id` away from any other controller; with id -1 it clears
    // the controller; with controller -1 it only clears `id`. Out-of-range controllers change nothing.
    void assign(int controller, int id);
    // Every controller driving `id` becomes unassigned.
    void clearParameter(int id);
    void clearAll();
    // The controller driving `id`, or -1.
    int controllerFor(int id) const;

private:
    std::array<std::atomic<int32_t>, kControllers> entries_;
};
