#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "gui/Knob.h"
#include "gui/LinkGroup.h"
#include "gui/ModifierActions.h"
#include "gui/Modifiers.h"
#include "gui/ValueControl.h"
#include "gui/ValueDragMapper.h"

namespace {

using gui::modifiers::kAlt;
using gui::modifiers::kCtrl;
using gui::modifiers::kShift;

// A stopwatch the test advances by hand.
class FakeStopwatch final : public IntervalTimer {
public:
    explicit FakeStopwatch(std::int64_t& now) : now_(now), start_(now) {}
    void restart() override { start_ = now_; }
    std::int64_t elapsedMs() const override { return now_ - start_; }

private:
    std::int64_t& now_;
    std::int64_t start_;
};

struct Clocked {
    std::int64_t now = 1000;
    gui::ValueDragMapper mapper{std::make_unique<FakeStopwatch>(now)};
};

gui::MouseEvent at(int x, int y, int mods = 0, int button = gui::MouseEvent::kLeft) {
    gui::MouseEvent e;
    e.position = {x, y};
    e.modifiers = mods;
    e.button = button;
    return e;
}

class ValueControls : public ::testing::Test {
protected:
    void SetUp() override { gui::ModifierActions::installDefault(); }
    void TearDown() override { gui::ModifierActions::installDefault(); }
};

TEST_F(ValueControls, ModifierTableHasBothAssignments) {
    using A = gui::ModifierActions;
    EXPECT_EQ(A::lookup(kCtrl), A::kReset);
    EXPECT_EQ(A::lookup(kShift), A::kFine);
    EXPECT_EQ(A::lookup(kAlt), A::kLinked);
    EXPECT_EQ(A::lookup(kShift | kAlt), A::kFine | A::kLinked);
    EXPECT_EQ(A::lookup(kShift | kCtrl), 0) << "absent combinations mean nothing";
    EXPECT_EQ(A::lookup(kShift | 0x40), A::kFine) << "bits outside the mask are ignored";
    A::installProTools();
    EXPECT_EQ(A::lookup(kAlt), A::kReset);
    EXPECT_EQ(A::lookup(kCtrl), A::kFine);
    EXPECT_EQ(A::lookup(kShift), A::kLinked);
    EXPECT_EQ(A::lookup(kShift | kCtrl), A::kFine | A::kLinked);
}

TEST_F(ValueControls, FastDragCoversTheRangeAndSlowDragATenth) {
    Clocked fast;
    EXPECT_EQ(fast.mapper.mapPixels(200, 0), 4096) << "200 px within 20 ms is full speed";

    Clocked slow;
    int total = 0;
    for (int i = 0; i < 200; ++i) {
        slow.now += 5000;  // one pixel every five seconds
        total += slow.mapper.mapPixels(1, 0);
    }
    EXPECT_NEAR(total, 410, 10);

    Clocked fine;
    EXPECT_EQ(fine.mapper.mapPixels(200, kShift), 409) << "fine is a tenth whatever the speed (carry keeps .6)";
    Clocked flat;
    flat.mapper.accelerationEnabled = false;
    flat.now += 5000;
    EXPECT_EQ(flat.mapper.mapPixels(100, 0), 2048);
}

TEST_F(ValueControls, FractionsOfStepsAreCarried) {
    Clocked c;
    c.mapper.resolution = 100;
    c.mapper.accelerationEnabled = false;
    int total = 0;
    for (int i = 0; i < 10; ++i) total += c.mapper.mapPixels(1, 0);  // half a step each
    EXPECT_EQ(total, 5);
    for (int i = 0; i < 10; ++i) total += c.mapper.mapPixels(-1, 0);
    EXPECT_EQ(total, 0) << "carry works downwards too";
}

TEST_F(ValueControls, PressSlopIgnoresJitterUntilTheDoubleClickTime) {
    Clocked c;
    c.mapper.accelerationEnabled = false;
    c.mapper.press({50, 50});
    EXPECT_EQ(c.mapper.move({53, 46}, 0), 0);
    EXPECT_TRUE(c.mapper.isInSlop());
    // A larger move ends the slop and counts in full from the press.
    EXPECT_EQ(c.mapper.move({50, 44}, 0), 6 * 4096 / 200);
    EXPECT_FALSE(c.mapper.isInSlop());

    Clocked late;
    late.mapper.accelerationEnabled = false;
    late.mapper.press({50, 50});
    late.now += late.mapper.doubleClickMs;
    EXPECT_EQ(late.mapper.move({50, 48}, 0), 2 * 4096 / 200) << "an old press has no slop";
}

TEST_F(ValueControls, WheelStepsFineControlsAndSwitches) {
    Clocked fine;
    EXPECT_EQ(fine.mapper.mapWheel(0.01, 0), 40);
    EXPECT_EQ(fine.mapper.mapWheel(0.01, 0), 41) << "0.96 carried";
    EXPECT_EQ(fine.mapper.mapWheel(0.01, kShift), 5) << "4.096 plus the 0.92 carried";

    Clocked toggle;
    toggle.mapper.resolution = 1;
    EXPECT_EQ(toggle.mapper.mapWheel(1, 0), 1);
    EXPECT_EQ(toggle.mapper.mapWheel(1, 0), 1);
    EXPECT_EQ(toggle.mapper.mapWheel(-0.25, 0), -1) << "a reversal always moves";
    EXPECT_EQ(toggle.mapper.mapWheel(-0.25, 0), 0);
    EXPECT_EQ(toggle.mapper.mapWheel(-0.25, 0), -1);

    gui::ValueControl two(0, 1, 0);
    EXPECT_EQ(two.step(1, 0), 1);
    EXPECT_EQ(two.getPosition(), 1);
    EXPECT_EQ(two.step(-1, 0), 1) << "the largest change, as a magnitude";
    EXPECT_EQ(two.getPosition(), 0);
}

gui::Knob::Style plainStyle() {
    gui::Knob::Style s;
    s.sweepDegrees = 300;
    s.innerFraction = 0.5;
    return s;
}

struct KnobFixture {
    // A 100 x 100 knob at (0, 0): centre (50, 50), inner area radius 25.
    gui::Knob knob{0, 1000, 500, plainStyle()};
    KnobFixture() { knob.setBounds({0, 0, 100, 100}); }
};

TEST_F(ValueControls, CtrlClickResetsAndProToolsUsesAlt) {
    KnobFixture f;
    f.knob.setPosition(900);
    f.knob.mouseDown(at(50, 50, kCtrl));
    EXPECT_EQ(f.knob.getPosition(), 500);
    EXPECT_FALSE(f.knob.isInGesture());

    gui::ModifierActions::installProTools();
    f.knob.setPosition(100);
    f.knob.mouseDown(at(50, 50, kCtrl));
    f.knob.mouseUp(at(50, 50));
    EXPECT_NE(f.knob.getPosition(), 500) << "Ctrl is fine adjustment now";
    f.knob.mouseDown(at(50, 50, kAlt));
    EXPECT_EQ(f.knob.getPosition(), 500);
}

TEST_F(ValueControls, RotaryDragFollowsTheAngleAndRefusesBigJumps) {
    KnobFixture f;
    EXPECT_NEAR(f.knob.angleAt({50, 0}), 0.0, 1e-9);
    EXPECT_NEAR(f.knob.angleAt({100, 50}), 0.25, 1e-9);
    EXPECT_NEAR(f.knob.angleAt({0, 50}), 0.75, 1e-9);

    // Press on the ring at the top, move a quarter turn clockwise: 90 of 300 degrees.
    f.knob.mouseDown(at(50, 5));
    EXPECT_EQ(f.knob.getDrag(), gui::Knob::Drag::Rotary);
    f.knob.mouseMove(at(80, 15));
    f.knob.mouseMove(at(95, 50));
    EXPECT_NEAR(f.knob.getPosition(), 500 + 1000 * 90 / 300, 2);
    f.knob.mouseUp(at(95, 50));

    // On a 90-degree knob a quarter turn in one move would jump the whole range: refused.
    gui::Knob::Style narrowStyle = plainStyle();
    narrowStyle.sweepDegrees = 90;
    gui::Knob narrow(0, 1000, 0, narrowStyle);
    narrow.setBounds({0, 0, 100, 100});
    narrow.mouseDown(at(50, 5));
    narrow.mouseMove(at(95, 50));
    EXPECT_EQ(narrow.getPosition(), 0);
    narrow.mouseMove(at(60, 6));
    EXPECT_GT(narrow.getPosition(), 0) << "a small turn still counts";
    narrow.mouseUp(at(60, 6));

    // Crossing the top does not count a whole turn.
    f.knob.setPosition(500);
    f.knob.mouseDown(at(60, 5));
    f.knob.mouseMove(at(45, 5));
    f.knob.mouseMove(at(40, 5));
    EXPECT_LT(f.knob.getPosition(), 500);
    EXPECT_GT(f.knob.getPosition(), 400);
    f.knob.mouseUp(at(40, 5));
}

TEST_F(ValueControls, ClickOnTheRingJumpsAndInsideDragsVertically) {
    KnobFixture f;
    f.knob.mouseDown(at(95, 50));  // right: 90 degrees clockwise of the top
    f.knob.mouseUp(at(95, 50));
    EXPECT_NEAR(f.knob.getPosition(), 500 + 1000 * 90 / 300, 1);
    f.knob.mouseDown(at(50, 98));  // the gap at the bottom belongs to the nearer end
    f.knob.mouseUp(at(50, 98));
    EXPECT_TRUE(f.knob.getPosition() == 0 || f.knob.getPosition() == 1000);

    f.knob.setPosition(500);
    f.knob.mouseDown(at(50, 50));
    EXPECT_EQ(f.knob.getDrag(), gui::Knob::Drag::Vertical);
    f.knob.mouseMove(at(50, 20));
    EXPECT_GT(f.knob.getPosition(), 500) << "dragging up raises the value";
    f.knob.mouseUp(at(50, 20));
    EXPECT_FALSE(f.knob.isInGesture());
}

TEST_F(ValueControls, LinkedDragMovesTheGroupBySameFraction) {
    gui::LinkGroup group;
    gui::ValueControl a(0, 1000, 0), b(0, 100, 0), c(0, 4096, 0);
    a.setPosition(500);
    b.setPosition(20);
    c.setPosition(4000);
    for (gui::ValueControl* v : {&a, &b, &c}) {
        v->setBounds({0, 0, 40, 40});
        v->setLinkGroup(&group);
        v->getMapper().accelerationEnabled = false;
    }
    // Alt-drag up 20 px: 1000 * 20 / 200 = 100 steps on a, a tenth of its range.
    a.mouseDown(at(20, 30, kAlt));
    EXPECT_TRUE(a.isLinkedGesture());
    a.mouseMove(at(20, 10, kAlt));
    a.mouseUp(at(20, 10));
    EXPECT_EQ(a.getPosition(), 600);
    EXPECT_EQ(b.getPosition(), 30);
    EXPECT_EQ(c.getPosition(), 4096) << "each control limits itself";

    // Without Alt only the dragged control moves.
    a.mouseDown(at(20, 30));
    a.mouseMove(at(20, 10));
    a.mouseUp(at(20, 10));
    EXPECT_EQ(a.getPosition(), 700);
    EXPECT_EQ(b.getPosition(), 30);

    // The gesture result is the largest change: a at its maximum still moves the others.
    a.setPosition(1000);
    a.beginGesture(kAlt);
    EXPECT_EQ(a.changeBy(100), 10);
    a.endGesture();
    EXPECT_EQ(b.getPosition(), 40);
}

TEST_F(ValueControls, GesturesReachTheListenerBalanced) {
    struct Recorder : gui::ValueControl::Listener {
        int began = 0, changed = 0, ended = 0;
        void gestureBegan(gui::ValueControl&) override { ++began; }
        void positionChanged(gui::ValueControl&) override { ++changed; }
        void gestureEnded(gui::ValueControl&) override { ++ended; }
    } recorder;
    KnobFixture f;
    f.knob.setListener(&recorder);
    f.knob.mouseDown(at(50, 50));
    f.knob.mouseMove(at(50, 30));
    f.knob.windowDeactivated();  // the window lost focus mid-drag
    EXPECT_EQ(recorder.began, 1);
    EXPECT_EQ(recorder.ended, 1);
    EXPECT_GE(recorder.changed, 1);
    f.knob.mouseDown(at(50, 50, kCtrl));
    EXPECT_EQ(recorder.began, 2);
    EXPECT_EQ(recorder.ended, 2);
}

}  // namespace
