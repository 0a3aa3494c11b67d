#pragma once
#include <memory>
#include <utility>
#include <vector>

#include "engine/wave/Environment.h"
#include "engine/wave/FloatParameterSource.h"
#include "engine/wave/Producer.h"

class FloatParameterForwarder;

// Connects modulation source outputs to modulation targets through slots.
//
// Every target has a smoothed base value (the target parameter's plain value times the target's
// scale) and a producer that, once per block, adds source × level for each active slot of the
// target and clamps the sum to the bounds of the target's class. A slot's level is itself a
// target (the slot's level target), so slot levels can be modulated; the scale of a level target
// is the signed depth of its slot, so the level target's value is the slot's depth in the units
// of the slot's target.
//
// A slot takes part only when the dependency rule allows it (see Controller::isSlotValid): no
// source may, through any chain of slots, modulate its own parameters or the level that scales
// it. Rejected slots stay stored but inactive.
//
// Sizes are fixed at construction and every list is allocated for its worst case then, so slot
// changes, target values and evaluation never allocate.
//
// Threads: construction and layout (classes, kinds, own targets, producers, listeners, target
// controllers) before processing starts; slot changes, target values and evaluation on the
// audio thread. The matrix has no lock: changes must not run while a block is being evaluated.
class ModulationMatrix {
public:
    enum SourceKind : int { kXY = 0, kXLFO = 1, kEG = 2, kEF = 3, kMIDI = 4, kSnappedXLFO = 5 };
    enum SlotState : int { kInactive = 0, kActive = 1, kWaiting = 2 };

    // The bounds and modulation depths shared by a group of targets.
    struct TargetClass {
        // The display listener is told when |scale × indicatorScale| changes (0: never).
        float indicatorScale = 0.0f;
        // The depth of a slot at full level, unless an override matches the slot's source kind.
        float defaultDepth = 1.0f;
        // Ramp span override; 0 means upper minus lower.
        float span = 0.0f;
        // An additional audio-rate summing producer (unused in this product).
        int audioRate = 0;
        float max = 1.0f;
        float min = 0.0f;
        // (source kind, depth); the first pair whose kind matches wins.
        std::vector<std::pair<int, float>> depthOverrides;

        float depthFor(int kind) const;
    };

    // Told when a target's base value or scale changes (audio thread, or set-up).
    class TargetListener {
    public:
        virtual ~TargetListener() = default;
        virtual void targetChanged(ModulationMatrix& matrix, int target) = 0;
    };

    // The per-target evaluation: base ramp plus the active slots' contributions, clamped.
    class GlobalModulationProducer final : public wave::Source {
    public:
        GlobalModulationProducer(ModulationMatrix& matrix, int target);
        void render(wave::Buffer& buffer, int frames, int flags) override;

    private:
        // What a pass does to the sum after adding its term.
        enum class Finish { None, Clamp, Finite };
        // One varying source * level term of the sum.
        struct Term {
            alignas(16) float sourceHeld[4];
            alignas(16) float levelHeld[4];
            alignas(16) float sumHeld[4];
            const float* s = nullptr;
            const float* l = nullptr;
            int sourceStep = 0;
            int levelStep = 0;

            // sum: the constant sum so far, used when the sum has not varied yet.
            void set(const wave::Buffer& source, bool sourceConstant, const wave::Buffer& level, bool levelConstant,
                     float sum);
            // out = finish(sum + term), four samples at a time (sumStep 0: a constant sum).
            void add(const float* sum, int sumStep, float* out, int n, Finish finish, float lower, float upper) const;
        };

        ModulationMatrix& matrix_;
        int target_;
    };

    // What a consumer of a target pulls: hands on the target's modulated buffer.
    class GlobalTargetController final : public wave::Source {
    public:
        GlobalTargetController(ModulationMatrix& matrix, int target);
        void render(wave::Buffer& buffer, int frames, int flags) override;
        int getTarget() const { return target_; }

    private:
        ModulationMatrix& matrix_;
        int target_;
    };

    // Reads and edits slots. The base class finds free slots, lists slots by source or target and
    // decides the dependency rule from the getters; implementations supply the getters, setters
    // and edit brackets (the matrix's own slots, or the slot parameters).
    class Controller {
    public:
        explicit Controller(ModulationMatrix& matrix);
        virtual ~Controller() = default;
        Controller(const Controller&) = delete;
        Controller& operator=(const Controller&) = delete;

        virtual void beginEdit() = 0;
        // The first slot with neither source nor target; else the first slot that the dependency
        // rule rejects (it is overwritten); -1 when every slot is valid.
        virtual int findFreeSlot();
        virtual void endEdit() = 0;
        virtual bool getBypass(int slot) = 0;
        virtual bool getInvert(int slot) = 0;
        virtual float getLevel(int slot) = 0;
        virtual int getSource(int slot) = 0;
        virtual int getTarget(int slot) = 0;
        // The out lists are cleared first and get slot indices in ascending order.
        virtual void slotsWithSourceIn(int first, int count, std::vector<int>& out);
        virtual void slotsWithSource(int source, std::vector<int>& out);
        // kind or cls -1 matches any.
        virtual void slotsByKindAndClass(int kind, int cls, std::vector<int>& out);
        virtual void slotsWithTargetIn(const std::vector<int>& targets, std::vector<int>& out);
        virtual void slotsWithTargetInRange(int first, int count, std::vector<int>& out);
        virtual void slotsWithTarget(int target, std::vector<int>& out);
        virtual void setBypass(int slot, bool bypass) = 0;
        virtual void setInvert(int slot, bool invert) = 0;
        virtual void setLevel(int slot, float level) = 0;
        virtual void setSource(int slot, int source) = 0;
        virtual void setTarget(int slot, int target) = 0;
        // Adds the target to the visited set and collects the dependencies of every slot that
        // modulates it (once per target).
        virtual void visitTarget(int target);

        // "A modulation source cannot modulate its own parameters": a slot is valid when it is
        // complete, not bypassed, and its target is not among the targets that feed its level or
        // its source's parameters, through any chain of slots (whatever their state or bypass).
        bool isSlotValid(int slot);

        int getNumSlots() const;
        float getDefaultLevel() const { return defaultLevel_; }
        ModulationMatrix& getMatrix() const { return matrix_; }

    protected:
        // Visits the slot's level target and every own target of its source.
        void collectDependencies(int slot);
        bool isVisited(int target) const;
        // Adds the target to the visited set; false when it was there already (or is no target).
        bool markVisited(int target);

        ModulationMatrix& matrix_;
        float defaultLevel_ = 0.5f;

    private:
        void clearVisited();

        std::vector<int> visited_;
        std::vector<int> visitedPosition_;
    };

    // Works on the matrix's own slots (audio side).
    class InternalController final : public Controller {
    public:
        using Controller::Controller;
        void beginEdit() override {}
        void endEdit() override {}
        bool getBypass(int slot) override;
        bool getInvert(int slot) override;
        float getLevel(int slot) override;
        int getSource(int slot) override;
        int getTarget(int slot) override;
        void setBypass(int slot, bool bypass) override;
        void setInvert(int slot, bool invert) override;
        void setLevel(int slot, float level) override;
        void setSource(int slot, int source) override;
        void setTarget(int slot, int target) override;
        void visitTarget(int target) override;
    };

    struct SlotEntry {
        int index = 0;
        bool invert = false;
        bool bypass = false;
        int levelTarget = -1;
        int source = -1;
        int state = kInactive;
        int target = -1;
    };

    ModulationMatrix(wave::Environment& environment, int numSources, int numTargets, int numClasses, int numSlots);
    ~ModulationMatrix();
    ModulationMatrix(const ModulationMatrix&) = delete;
    ModulationMatrix& operator=(const ModulationMatrix&) = delete;

    // --- Layout (set-up) ---
    // Class records, to be filled before targets are bound to them.
    TargetClass& targetClass(int cls) { return classes_[static_cast<size_t>(cls)]; }
    const TargetClass& targetClass(int cls) const { return classes_[static_cast<size_t>(cls)]; }
    // Binds a target to a class: scale 1, bounds and ramp range from the class.
    void setTargetClass(int target, int cls);
    // A null producer unregisters. Slots of the source that were waiting for it become active.
    void registerSourceProducer(int source, wave::Producer* producer);
    // Sets the kind and recomputes the scale of every slot that uses the source.
    void setSourceKind(int source, int kind);
    // Declares a target as a parameter of the source (dependency rule, source removal).
    void addSourceOwnTarget(int source, int target);
    void setTargetListener(int target, TargetListener* listener);
    // The controller a consumer of the target pulls; created on the first request (set-up only).
    GlobalTargetController* getTargetController(int target);

    // --- Values (audio thread) ---
    // A target parameter's plain value: the target's base value, ramped to value × scale
    // (ms < 0: automatic time, 0: at once). Non-finite values are ignored.
    void setTargetValue(int target, float value, float ms = -1.0f);
    // The slot operations on the matrix's own slots.
    InternalController& getController() { return controller_; }

    // --- Inspection ---
    int getNumSources() const { return static_cast<int>(sources_.size()); }
    int getNumTargets() const { return static_cast<int>(targets_.size()); }
    int getNumClasses() const { return static_cast<int>(classes_.size()); }
    int getNumSlots() const { return static_cast<int>(slots_.size()); }
    bool isSource(int source) const { return source >= 0 && source < getNumSources(); }
    bool isTarget(int target) const { return target >= 0 && target < getNumTargets(); }
    bool isSlot(int slot) const { return slot >= 0 && slot < getNumSlots(); }

    int getSourceKind(int source) const { return isSource(source) ? src(source).kind : -1; }
    wave::Producer* getSourceProducer(int source) const { return isSource(source) ? src(source).producer : nullptr; }
    const std::vector<int>& getSourceOwnTargets(int source) const;
    // Slots using the source, in order of attachment.
    const std::vector<int>& getSourceUsers(int source) const;

    int getTargetClassIndex(int target) const { return isTarget(target) ? tgt(target).cls : -1; }
    float getTargetScale(int target) const { return isTarget(target) ? tgt(target).scale : 0.0f; }
    float getTargetLowerBound(int target) const { return isTarget(target) ? tgt(target).lower : 0.0f; }
    float getTargetUpperBound(int target) const { return isTarget(target) ? tgt(target).upper : 0.0f; }
    float getTargetBaseValue(int target) const { return isTarget(target) ? tgt(target).baseValue : 0.0f; }
    bool isTargetClamped(int target) const { return isTarget(target) && tgt(target).clampEnabled; }
    // Slots whose target this is, in order of attachment.
    const std::vector<int>& getTargetSlots(int target) const;
    bool targetHasSlots(int target) const { return isTarget(target) && !tgt(target).slots.empty(); }
    // The slot whose level the target is, -1 for a parameter target.
    int getOwningSlot(int target) const { return isTarget(target) ? tgt(target).owningSlot : -1; }
    // The producer of the modulated value (the target controller hands it on).
    GlobalModulationProducer* getModulatedProducer(int target) const;

    const SlotEntry& getSlot(int slot) const { return slots_[static_cast<size_t>(slot)]; }
    int getSlotState(int slot) const { return isSlot(slot) ? slots_[static_cast<size_t>(slot)].state : kInactive; }
    int getLevelTarget(int slot) const { return isSlot(slot) ? slots_[static_cast<size_t>(slot)].levelTarget : -1; }

    wave::Environment& getEnvironment() const { return environment_; }

private:
    struct SourceEntry {
        int kind = -1;
        std::vector<int> users;
        std::vector<int> ownTargets;
        wave::Producer* producer = nullptr;
    };

    struct TargetEntry {
        int index = 0;
        int cls = 0;
        float scale = 1.0f;
        float lower = 0.0f;
        float upper = 1.0f;
        bool clampEnabled = true;
        float baseValue = 0.0f;
        std::unique_ptr<wave::FloatParameterSource> smoother;
        std::unique_ptr<FloatParameterForwarder> base;
        std::unique_ptr<GlobalModulationProducer> modulated;
        std::unique_ptr<GlobalTargetController> controller;
        std::vector<int> slots;
        int owningSlot = -1;
        TargetListener* listener = nullptr;
    };

    // Flags of updateSlotState.
    enum StateFlags : int { kKeepValidity = 1, kRecomputeScale = 2, kRefreshClamp = 4 };

    SourceEntry& src(int source) { return sources_[static_cast<size_t>(source)]; }
    const SourceEntry& src(int source) const { return sources_[static_cast<size_t>(source)]; }
    TargetEntry& tgt(int target) { return targets_[static_cast<size_t>(target)]; }
    const TargetEntry& tgt(int target) const { return targets_[static_cast<size_t>(target)]; }
    SlotEntry& slot(int s) { return slots_[static_cast<size_t>(s)]; }

    // Slot operations behind the internal controller.
    void setSlotSource(int s, int source);
    void setSlotTarget(int s, int target);
    void setSlotBypass(int s, bool bypass);
    void setSlotInvert(int s, bool invert);
    void updateSlotState(int s, int flags, int depth = 0);
    void updateSlotScale(int s, int depth = 0);
    // Re-evaluates every inactive slot that has a source or a target (a change may make it valid).
    void reevaluateInactiveSlots(int except);
    void refreshClamp(int target);
    // Bounds from scale and class, then the ramp's range and span.
    void recomputeBounds(TargetEntry& entry);
    void notifyListener(int target);
    static void removeFromList(std::vector<int>& list, int value);
    static void appendToList(std::vector<int>& list, int value);

    wave::Environment& environment_;
    std::vector<TargetClass> classes_;
    std::vector<SourceEntry> sources_;
    std::vector<TargetEntry> targets_;
    std::vector<SlotEntry> slots_;
    InternalController controller_;
};
