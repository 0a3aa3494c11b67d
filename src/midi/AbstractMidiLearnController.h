#pragma once
#include <array>
#include <string>
#include <vector>

class AbstractMusicEventReceiver;
class MidiControllerMap;
class MidiLearnTargets;

// The MIDI learn overlay without its drawing: the learnable controls and ghost controls (each a
// parameter id), the selected target, the message line, and the labels each target shows. The
// editor's overlay derives from it, draws, and forwards clicks and buttons here; labelsChanged()
// tells it to redraw.
//
// While a target is selected the event receiver learns it: the next controller change on the audio
// thread assigns that controller. poll() (from the editor's timer or its MIDI activity
// notification) notices such changes. Editor thread.
class AbstractMidiLearnController {
public:
    static constexpr const char* kIdleMessage = "Click a control to activate it for MIDI Learn mode";
    static constexpr const char* kLearnMessage = "Move a slider/knob on your MIDI controller to associate it to: ";
    static constexpr const char* kNoController = "-";

    enum class TargetList { None, Controls, Ghosts };

    AbstractMidiLearnController(MidiControllerMap& map, AbstractMusicEventReceiver& receiver,
                                const MidiLearnTargets& targets);
    // Ends learning, so no controller is assigned once the overlay is gone.
    virtual ~AbstractMidiLearnController();
    AbstractMidiLearnController(const AbstractMidiLearnController&) = delete;
    AbstractMidiLearnController& operator=(const AbstractMidiLearnController&) = delete;

    // The learnable controls and the ghost controls, as parameter ids in their list order.
    void setControls(std::vector<int> ids);
    void setGhosts(std::vector<int> ids);
    const std::vector<int>& getControls() const { return controls_; }
    const std::vector<int>& getGhosts() const { return ghosts_; }

    // Learn mode on: nothing selected. Learn mode off ("Close"): learning ends.
    void open();
    void close();
    bool isOpen() const { return open_; }

    // A click on a control or ghost control selects it and starts learning its parameter; an index
    // outside the list deselects.
    void selectControl(int index) { select(TargetList::Controls, index); }
    void selectGhost(int index) { select(TargetList::Ghosts, index); }
    void deselect();
    // The "Clear" button: the selected parameter loses its controller.
    void clearSelected();
    // After a menu command or anything else that changed the map.
    void mapChanged();
    // True (after telling labelsChanged()) when the map changed since the last look.
    bool poll();

    TargetList getSelectedList() const { return selectedList_; }
    int getSelectedIndex() const { return selectedIndex_; }
    // The selected parameter id, or -1.
    int getSelectedId() const;
    // The controller shown for the selected target, or -1.
    int getShownController() const { return shownController_; }
    std::string getMessage() const;
    // What a target's label reads: its controller number, or "-".
    std::string labelFor(int id) const;

protected:
    // The labels or the message changed: redraw.
    virtual void labelsChanged() = 0;

private:
    void select(TargetList list, int index);
    void updateLearnTarget();
    void remember();

    MidiControllerMap& map_;
    AbstractMusicEventReceiver& receiver_;
    const MidiLearnTargets& targets_;
    std::vector<int> controls_;
    std::vector<int> ghosts_;
    bool open_ = false;
    TargetList selectedList_ = TargetList::None;
    int selectedIndex_ = -1;
    int shownController_ = -1;
    std::array<int, 128> seen_{};
};
