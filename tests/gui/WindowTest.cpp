#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "XServer.h"
#include "gui/Bitmap.h"
#include "gui/Button.h"
#include "gui/Canvas.h"
#include "gui/Knob.h"
#include "gui/MessageBox.h"
#include "gui/PopupMenu.h"
#include "gui/Style.h"
#include "gui/TextField.h"
#include "gui/Window.h"

namespace {

// Drives a real window with synthesised input from a second connection.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (XServer::display().empty()) GTEST_SKIP() << "Xvfb is not available";
        input_ = XOpenDisplay(XServer::display().c_str());
        ASSERT_NE(input_, nullptr);
    }
    void TearDown() override {
        window_.reset();
        if (input_) XCloseDisplay(input_);
    }

    gui::Window& open(int acceleration = 0) {
        gui::Window::Options options;
        options.width = 300;
        options.height = 200;
        options.display = XServer::display();
        options.graphicsAcceleration = acceleration;
        options.scale = 1;
        window_ = std::make_unique<gui::Window>(options);
        EXPECT_TRUE(window_->isOpen());
        pump(100);
        return *window_;
    }

    void pump(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) window_->runOnce(5);
    }
    bool pumpUntil(const std::function<bool()>& done, int ms = 2000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done() && std::chrono::steady_clock::now() < end) window_->runOnce(5);
        return done();
    }

    // Pointer moves are relative to the window's top-left corner on the screen.
    void moveTo(int x, int y) {
        int sx = 0, sy = 0;
        ::Window child;
        XTranslateCoordinates(input_, window_->getNativeWindow(), DefaultRootWindow(input_), x, y, &sx, &sy, &child);
        XTestFakeMotionEvent(input_, DefaultScreen(input_), sx, sy, CurrentTime);
        XFlush(input_);
        pump(20);
    }
    void button(bool press) {
        XTestFakeButtonEvent(input_, 1, press, CurrentTime);
        XFlush(input_);
        pump(20);
    }
    void key(KeySym sym, bool shift = false) {
        const KeyCode code = XKeysymToKeycode(input_, sym);
        const KeyCode shiftCode = XKeysymToKeycode(input_, XK_Shift_L);
        if (shift) XTestFakeKeyEvent(input_, shiftCode, True, CurrentTime);
        XTestFakeKeyEvent(input_, code, True, CurrentTime);
        XTestFakeKeyEvent(input_, code, False, CurrentTime);
        if (shift) XTestFakeKeyEvent(input_, shiftCode, False, CurrentTime);
        XFlush(input_);
        pump(20);
    }
    gui::Colour screenPixel(int x, int y) {
        XImage* image = XGetImage(input_, window_->getNativeWindow(), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return {0, 0, 0, 0};
        const unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p), 255};
    }

    Display* input_ = nullptr;
    std::unique_ptr<gui::Window> window_;
};

// A content component with a fixed background, so pixels can be checked.
class Backdrop : public gui::Component {
protected:
    void paint(gui::Canvas& canvas) override;
};

void Backdrop::paint(gui::Canvas& canvas) { canvas.fillRect(getBounds(), gui::Colour{10, 120, 200, 255}); }

TEST_F(WindowTest, KnobFollowsASynthesisedDrag) {
    gui::Window& window = open();
    auto content = std::make_unique<Backdrop>();
    auto& knob = content->add<gui::Knob>(0, 4096, 1000, gui::Knob::Style::large());
    knob.setBounds({100, 50, 48, 48});
    window.setContent(std::move(content));
    pump(50);
    moveTo(124, 74);
    button(true);
    for (int y = 70; y >= 20; y -= 10) moveTo(124, y);
    button(false);
    EXPECT_GT(knob.getPosition(), 1000);
    EXPECT_FALSE(knob.isInGesture());
    // Pixels on screen: the backdrop colour away from the knob.
    pump(50);
    const gui::Colour background = screenPixel(10, 190);
    EXPECT_EQ(background.r, 10);
    EXPECT_EQ(background.g, 120);
    EXPECT_EQ(background.b, 200);
}

TEST_F(WindowTest, MenuOpensAndAnItemIsChosen) {
    gui::Window& window = open();
    auto content = std::make_unique<Backdrop>();
    int chosen = -1;
    auto& opener = content->add<gui::Button>("Menu");
    opener.setBounds({10, 10, 80, 22});
    opener.onClick = [&] {
        gui::Menu sub;
        sub.addItem(21, "Deep");
        gui::Menu menu;
        menu.addItem(1, "First").addItem(2, "Disabled", false, false).addSeparator().addItem(3, "Third", true);
        menu.addSubmenu("More", sub);
        gui::PopupMenu::show(window, {10, 34}, menu, [&](int id) { chosen = id; });
    };
    window.setContent(std::move(content));
    pump(30);
    moveTo(40, 20);
    button(true);
    button(false);
    auto* menu = static_cast<gui::PopupMenu*>(window.findOverlay("popup-menu"));
    ASSERT_NE(menu, nullptr);
    // The disabled item does nothing; the third item is chosen.
    const gui::Rect disabled = menu->getItemBounds(0, 1);
    moveTo(disabled.x + 20, disabled.y + 5);
    button(true);
    button(false);
    EXPECT_EQ(chosen, -1);
    const gui::Rect third = menu->getItemBounds(0, 3);
    moveTo(third.x + 20, third.y + 5);
    button(true);
    button(false);
    EXPECT_EQ(chosen, 3);
    pump(20);
    EXPECT_EQ(window.findOverlay("popup-menu"), nullptr);

    // Submenus open on hover; a click outside dismisses with 0.
    moveTo(40, 20);
    button(true);
    button(false);
    menu = static_cast<gui::PopupMenu*>(window.findOverlay("popup-menu"));
    ASSERT_NE(menu, nullptr);
    const gui::Rect more = menu->getItemBounds(0, 4);
    moveTo(more.x + 20, more.y + 5);
    EXPECT_EQ(menu->getPanelCount(), 2u);
    moveTo(290, 190);
    button(true);
    button(false);
    EXPECT_EQ(chosen, 0);
}

TEST_F(WindowTest, TypedTextReachesTheFocusedField) {
    gui::Window& window = open();
    auto content = std::make_unique<Backdrop>();
    std::string committed;
    auto& field = content->add<gui::TextField>("12");
    field.setBounds({20, 20, 150, 22});
    field.onCommit = [&](const std::string& text) { committed = text; };
    window.setContent(std::move(content));
    pump(30);
    moveTo(60, 30);
    button(true);
    button(false);
    ASSERT_TRUE(field.isFocused());
    key(XK_4);  // replaces the selected text
    key(XK_4);
    key(XK_0);
    key(XK_BackSpace);
    key(XK_1);
    key(XK_H, true);
    key(XK_z);
    key(XK_Return);
    EXPECT_EQ(committed, "441Hz");
}

TEST_F(WindowTest, ClosingWithAMenuAndADragOpenLeavesNothingBehind) {
    gui::Window& window = open();
    auto content = std::make_unique<Backdrop>();
    auto& knob = content->add<gui::Knob>(0, 100, 50, gui::Knob::Style::small());
    knob.setBounds({10, 10, 32, 32});
    window.setContent(std::move(content));
    pump(30);
    moveTo(26, 26);
    button(true);
    moveTo(26, 10);
    gui::Menu menu;
    menu.addItem(1, "One");
    bool called = false;
    gui::PopupMenu::show(window, {100, 100}, menu, [&](int) { called = true; });
    gui::MessageBox::show(window, "Title", "Text", gui::MessageBox::Buttons::YesNo, [&](gui::MessageBox::Result) { called = true; });
    window.resize(320, 220);  // a resize closes the menu and ends the drag
    pump(60);
    EXPECT_FALSE(knob.isInGesture());
    EXPECT_EQ(window.findOverlay("popup-menu"), nullptr);
    window_.reset();  // the message box is still open
    XTestFakeButtonEvent(input_, 1, False, CurrentTime);
    XFlush(input_);
    EXPECT_TRUE(called) << "the menu reported its dismissal";
}

TEST_F(WindowTest, BothDrawingPathsShowTheTree) {
    for (int acceleration : {0, 1}) {
        gui::Window& window = open(acceleration);
        window.setContent(std::make_unique<Backdrop>());
        ASSERT_TRUE(pumpUntil([&] { return screenPixel(150, 100).b == 200; })) << "acceleration " << acceleration;
        gui::Bitmap picture;
        window.renderTo(picture);
        EXPECT_EQ(picture.getPixel(150, 100), (gui::Colour{10, 120, 200, 255}));
        // Xvfb with Mesa's software driver offers everything the OpenGL path needs.
        EXPECT_EQ(window.isAccelerated(), acceleration != 0);
        std::printf("acceleration %d: %s\n", acceleration, window.isAccelerated() ? "OpenGL" : "software");
        window_.reset();
    }
}

}  // namespace
