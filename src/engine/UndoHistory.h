#pragma once
#include <memory>
#include <string>

#include "engine/GenericPlugin.h"

// Undo and redo over complete snapshots of the plug-in's settings. The ring keeps the current
// settings plus up to kMaxSteps earlier (or, after undoing, later) ones, so after any number of
// edits exactly kMaxSteps undo steps lead back through distinct older settings; the oldest record
// is overwritten first.
//
// The editor calls recordInitial() when it opens and recordEdit() at the end of every edit
// gesture; undo() and redo() are its buttons. Editor thread only.
class GenericPlugin::UndoHistory {
public:
    static constexpr int kMaxSteps = 100;
    static constexpr const char* kInitialDescription = "Initial state";

    explicit UndoHistory(GenericPlugin& plugin);
    virtual ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // Records the current settings as "Initial state", only while nothing has been recorded.
    void recordInitial();
    // Records the current settings as a new step; the redo steps are gone. Returns the undo count.
    int record(const std::string& description);
    // The editor's end of an edit gesture: record("") and mark the A/B slots as differing.
    int recordEdit();
    // Moves one step back (-1) or forward (+1) in the ring and restores that step, its A/B slot
    // included. The counts are the caller's business; undo() and redo() keep them.
    void step(int direction);

    // The Undo and Redo buttons; false (nothing changed) when there is no step to go to.
    bool undo();
    bool redo();

    int getUndoCount() const { return undoCount_; }
    int getRedoCount() const { return redoCount_; }
    // Adjusted by the editor; limited so that undo and redo steps together fit the ring.
    void setUndoCount(int count);
    void setRedoCount(int count);
    int getPosition() const { return position_; }
    // The snapshot recorded at the current position.
    const Snapshot* current() const;

private:
    GenericPlugin& plugin_;
    int redoCount_ = 0;
    int undoCount_ = 0;
    int position_ = 0;
    std::unique_ptr<StateList> states_;
};
