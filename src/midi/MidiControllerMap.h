#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

class BinaryDataReader;
class ResourceStore;

// Which parameter each MIDI controller number drives: 128 entries, -1 = not assigned. A parameter
// id is held by at most one controller. Ids are host parameter indices or virtual parameter ids
// (0x100000 on); only ids inside the known ranges (setValidIds) are ever stored or looked up.
//
// The map is kept in "MidiControllerMap.zxm": the magic "ZXCM", the version (written as 1, not
// checked on reading) and the 128 entries, all little-endian int32.
//
// Threads: the audio thread looks entries up (and assigns while learning); the editor thread
// changes them and reads or writes the file. Each entry is one atomic int32, so no lock is needed.
class MidiControllerMap {
public:
    static constexpr int kControllers = 128;
    static constexpr int kNone = -1;
    static constexpr const char* kFileName = "MidiControllerMap.zxm";
    static constexpr const char* kMagic = "ZXCM";
    static constexpr int kFileVersion = 1;

    MidiControllerMap();
    MidiControllerMap(const MidiControllerMap&) = delete;
    MidiControllerMap& operator=(const MidiControllerMap&) = delete;

    // The map every plug-in instance of the process shares.
    static MidiControllerMap& shared();

    // The parameter id for a controller, or -1 (also for numbers outside 0..127). Audio thread.
    int lookup(int controller) const;
    // Ties `controller` to `id`, taking `id` away from any other controller; with id -1 it clears
    // the controller; with controller -1 it only clears `id`. Out-of-range controllers and ids
    // outside the valid ranges change nothing. Audio thread (learning) or editor thread.
    void assign(int controller, int id);
    // Every controller driving `id` becomes unassigned.
    void clearParameter(int id);
    void clearAll();
    // The controller driving `id`, or -1.
    int controllerFor(int id) const;

    // Set-up: the ids that exist: host parameters 0..hostParameters-1 and virtual parameters
    // 0x100000..0x100000+virtualParameters-1. Entries outside become unassigned. Until it is
    // called, any host id below 0x100000 and the first kDefaultVirtuals virtual ids are accepted.
    void setValidIds(int hostParameters, int virtualParameters);
    bool isValidId(int id) const;
    static constexpr int kDefaultVirtuals = 4096;

    // Reads "MidiControllerMap.zxm" from the folder. A missing file or another magic leaves the map
    // unchanged; a file cut short keeps the entries read before the cut and returns false.
    // Invalid ids read as unassigned; an id on several controllers stays on the first only.
    bool readMapFile(const std::string& folder);
    // Replaces "MidiControllerMap.zxm" in the folder (created when missing) as a whole; false when
    // it was not written, and then the file saved before is still intact.
    bool writeMapFile(const std::string& folder) const;
    // All entries unassigned, then the resource "MidiControllerMap.zxm" when the store holds one.
    // False when there is none or it could not be read completely.
    bool installDefaultMap(const ResourceStore& store);
    bool installDefaultMap();
    // The file's layout from any stream, with the rules of readMapFile.
    bool read(BinaryDataReader& reader);
    // The file's bytes.
    std::string serialize() const;
    static std::string filePath(const std::string& folder);

private:
    std::array<std::atomic<int32_t>, kControllers> entries_;
    std::atomic<int> hostLimit_;
    std::atomic<int> virtualLimit_;
};
