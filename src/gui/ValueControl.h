#pragma once
#include <functional>

#include "gui/Component.h"
#include "gui/ValueDragMapper.h"

namespace gui {

class LinkGroup;

// A control showing an integer position within [minimum, maximum] and turning gestures into
// position changes through its drag mapper. Mouse-down with the reset action returns it to its
// default; a drag begun with the linked action moves its whole link group. Listeners hear about
// gestures (for the host's begin-edit / end-edit) and every change.
class ValueControl : public Component {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void gestureBegan(ValueControl&) {}
        virtual void positionChanged(ValueControl&) = 0;
        virtual void gestureEnded(ValueControl&) {}
    };

    // Wheel notches move a fine control by this share of its range.
    static constexpr double kWheelFraction = 0.02;

    ValueControl(int minimum, int maximum, int defaultPosition);
    ~ValueControl() override;

    void setRange(int minimum, int maximum);
    int getMinimum() const { return minimum_; }
    int getMaximum() const { return maximum_; }
    int getDefault() const { return default_; }
    void setDefault(int position) { default_ = clamp(position); }
    int getPosition() const { return position_; }
    // Limits, stores, repaints and notifies; returns the change made.
    int setPosition(int position);

    // Normalised position 0..1, through the fraction functions when set.
    double getFraction() const;
    // Moves to a normalised position; returns the change made.
    int setFraction(double fraction);
    void setFractionFunctions(std::function<double(int)> toFraction, std::function<int(double)> fromFraction);

    void setLinkGroup(LinkGroup* group);
    LinkGroup* getLinkGroup() const { return group_; }
    bool isLinkedGesture() const { return linkedGesture_; }

    ValueDragMapper& getMapper() { return mapper_; }
    void setListener(Listener* listener) { listener_ = listener; }
    std::function<void(ValueControl&)> onChange;

    // Applies steps to this control and, in a linked gesture, to its group. Returns the largest
    // change any control reported.
    int changeBy(int steps);
    void beginGesture(int modifiers);
    void endGesture();
    bool isInGesture() const { return inGesture_; }

    // Wheel and keyboard steps (notches), mapped like the wheel.
    int step(double notches, int modifiers);

    bool mouseDown(const MouseEvent& event) override;
    void mouseMove(const MouseEvent& event) override;
    void mouseUp(const MouseEvent& event) override;
    bool mouseWheel(const MouseEvent& event) override;
    void windowDeactivated() override;

    // Used by LinkGroup.
    void attachToGroup(LinkGroup* group) { group_ = group; }
    void detachFromGroup() { group_ = nullptr; }

protected:
    int clamp(int position) const;
    bool isDragging() const { return dragging_; }
    // Resets to the default when the modifiers ask for it; true when it did.
    bool resetIfAsked(int modifiers);
    virtual void positionDidChange() {}

private:
    int minimum_;
    int maximum_;
    int default_;
    int position_;
    LinkGroup* group_ = nullptr;
    bool linkedGesture_ = false;
    bool inGesture_ = false;
    bool dragging_ = false;
    std::function<double(int)> toFraction_;
    std::function<int(double)> fromFraction_;
    ValueDragMapper mapper_;
    Listener* listener_ = nullptr;
};

}  // namespace gui
