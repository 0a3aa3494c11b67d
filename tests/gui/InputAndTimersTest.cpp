// Timers of the user-interface loop, text editing in a field and the file dialog's helper
// programs, without a display: components live under a host that records what they ask of it.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/Component.h"
#include "gui/ComponentHost.h"
#include "gui/FileDialog.h"
#include "gui/Modifiers.h"
#include "gui/PathEntryDialog.h"
#include "gui/TextField.h"
#include "gui/TimerQueue.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Timers

struct ManualClock {
    std::int64_t now = 0;
    gui::TimerQueue queue{[this] { return now; }};
};

TEST(TimerQueue, TimersRunInTheOrderTheyFellDueWhateverTheOrderAdded) {
    ManualClock c;
    std::vector<std::string> log;
    c.queue.add(30, false, [&] { log.push_back("once30"); });
    c.queue.add(10, true, [&] { log.push_back("every10"); });
    c.queue.add(20, false, [&] { log.push_back("once20a"); });
    c.queue.add(20, false, [&] { log.push_back("once20b"); });
    EXPECT_EQ(c.queue.msUntilNext(), 10);
    c.now = 35;  // a late loop: everything is due at once
    c.queue.runDue();
    EXPECT_EQ(log, (std::vector<std::string>{"every10", "once20a", "once20b", "once30"}));
    // One-shots are gone, the interval timer stays and does not catch up with a burst.
    EXPECT_EQ(c.queue.size(), 1u);
    log.clear();
    c.queue.runDue();
    EXPECT_TRUE(log.empty());
    // It fell behind, so its schedule restarts from the late run: due again 10 ms later.
    EXPECT_EQ(c.queue.msUntilNext(), 10);
}

TEST(TimerQueue, IntervalKeepsItsPhaseWhenServedOnTime) {
    ManualClock c;
    std::vector<std::int64_t> runs;
    c.queue.add(10, true, [&] { runs.push_back(c.now); });
    for (std::int64_t t : {10, 13, 20, 22, 30, 39, 40}) {
        c.now = t;
        c.queue.runDue();
    }
    // A run 3 ms late does not move the next one.
    EXPECT_EQ(runs, (std::vector<std::int64_t>{10, 20, 30, 40}));
    EXPECT_EQ(c.queue.msUntilNext(), 10);
}

TEST(TimerQueue, CancellingDuringCallbacks) {
    ManualClock c;
    std::vector<std::string> log;
    int second = 0;
    int self = 0;
    // The first removes the second before its turn, though both are due.
    c.queue.add(5, false, [&] {
        log.push_back("first");
        c.queue.remove(second);
    });
    second = c.queue.add(5, false, [&] { log.push_back("second"); });
    // An interval timer that stops itself from its own callback runs exactly once.
    self = c.queue.add(5, true, [&] {
        log.push_back("self");
        c.queue.remove(self);
    });
    // A timer added from a callback is not run in the same pass, even with no delay.
    c.queue.add(5, false, [&] {
        log.push_back("adder");
        c.queue.add(0, false, [&] { log.push_back("added"); });
    });
    c.now = 5;
    c.queue.runDue();
    EXPECT_EQ(log, (std::vector<std::string>{"first", "self", "adder"}));
    EXPECT_FALSE(c.queue.contains(second));
    EXPECT_FALSE(c.queue.contains(self));
    EXPECT_EQ(c.queue.msUntilNext(), 0);
    c.queue.runDue();
    EXPECT_EQ(log.back(), "added");
    EXPECT_EQ(c.queue.size(), 0u);
    EXPECT_EQ(c.queue.msUntilNext(), -1);
}

// ---------------------------------------------------------------------------------------------
// A host without a window

class RecordingHost final : public gui::ComponentHost {
public:
    RecordingHost() { root.setHost(this); }
    ~RecordingHost() override {
        // Everything goes while this host can still be told about it.
        while (!root.getChildren().empty()) root.removeChild(*root.getChildren().back());
        graveyard.clear();
        root.setHost(nullptr);
    }

    void invalidate(const gui::Rect&) override { ++invalidations; }
    void setCapture(gui::Component* c) override { capture = c; }
    gui::Component* getCapture() const override { return capture; }
    void setFocus(gui::Component* c) override {
        if (c == focus) return;
        gui::Component* previous = focus;
        focus = c;
        if (previous) previous->focusChanged(false);
        if (focus) focus->focusChanged(true);
    }
    gui::Component* getFocus() const override { return focus; }
    gui::TimerQueue& getTimers() override { return timers; }
    void forgetComponent(gui::Component& c) override {
        if (focus == &c) focus = nullptr;
        if (capture == &c) capture = nullptr;
    }
    void deleteLater(std::unique_ptr<gui::Component> c) override { graveyard.push_back(std::move(c)); }
    gui::Component& addOverlay(std::unique_ptr<gui::Component> overlay) override {
        gui::Component& added = root.addChild(std::move(overlay));
        added.setBounds(getWindowBounds());
        overlays.push_back(&added);
        return added;
    }
    gui::Component* findOverlay(const std::string& name) const override {
        for (const auto& child : root.getChildren())
            if (child->getName() == name) return child.get();
        return nullptr;
    }
    gui::Rect getWindowBounds() const override { return {0, 0, 600, 400}; }
    void watchFd(int fd, std::function<void()> onReadable) override { watched[fd] = std::move(onReadable); }
    void unwatchFd(int fd) override { watched.erase(fd); }

    // Serves watched descriptors as the window's loop would, until none is left or time runs out.
    bool serveWatched(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!watched.empty() && std::chrono::steady_clock::now() < end) {
            std::vector<pollfd> fds;
            for (const auto& entry : watched) fds.push_back({entry.first, POLLIN, 0});
            poll(fds.data(), fds.size(), 20);
            for (const pollfd& p : fds) {
                auto it = watched.find(p.fd);
                if (!(p.revents & (POLLIN | POLLHUP | POLLERR)) || it == watched.end()) continue;
                auto callback = it->second;
                callback();
            }
        }
        return watched.empty();
    }

    gui::Component root;
    gui::TimerQueue timers;
    gui::Component* capture = nullptr;
    gui::Component* focus = nullptr;
    std::vector<std::unique_ptr<gui::Component>> graveyard;
    std::vector<gui::Component*> overlays;
    std::map<int, std::function<void()>> watched;
    int invalidations = 0;
};

// ---------------------------------------------------------------------------------------------
// Text fields

gui::KeyEvent key(gui::KeyEvent::Key k, int mods = 0) {
    gui::KeyEvent e;
    e.key = k;
    e.modifiers = mods;
    return e;
}

gui::KeyEvent typed(const std::string& text) {
    gui::KeyEvent e;
    e.key = gui::KeyEvent::Key::Character;
    e.text = text;
    return e;
}

class TextFieldEditing : public ::testing::Test {
protected:
    gui::TextField& make(const std::string& text) {
        field = &host.root.add<gui::TextField>(text);
        field->setBounds({10, 10, 200, 24});
        field->onCommit = [this](const std::string& t) { committed.push_back(t); };
        field->onCancel = [this] { ++cancelled; };
        field->onEdit = [this](const std::string& t) { edits.push_back(t); };
        field->focus();
        return *field;
    }
    void press(gui::KeyEvent::Key k, int mods = 0) { EXPECT_TRUE(field->keyPressed(key(k, mods))); }

    RecordingHost host;
    gui::TextField* field = nullptr;
    std::vector<std::string> committed;
    std::vector<std::string> edits;
    int cancelled = 0;
};

TEST_F(TextFieldEditing, FocusSelectsEverythingAndTypingReplacesIt) {
    gui::TextField& f = make("440 Hz");
    EXPECT_TRUE(f.isFocused());
    EXPECT_TRUE(f.hasSelection());
    EXPECT_TRUE(f.keyPressed(typed("2")));
    EXPECT_TRUE(f.keyPressed(typed("k")));
    EXPECT_EQ(f.getText(), "2k");
    EXPECT_EQ(f.getCaret(), 2u);
    EXPECT_FALSE(f.hasSelection());
    EXPECT_EQ(edits, (std::vector<std::string>{"2", "2k"}));
}

TEST_F(TextFieldEditing, CaretMovesByWholeUtf8Characters) {
    // "é" is two bytes, "€" three, "𝄞" four.
    gui::TextField& f = make("aé€𝄞b");
    press(gui::KeyEvent::Key::End);
    EXPECT_EQ(f.getCaret(), f.getText().size());
    const std::vector<std::size_t> stops = {10, 6, 3, 1, 0, 0};
    for (std::size_t expected : stops) {
        press(gui::KeyEvent::Key::Left);
        EXPECT_EQ(f.getCaret(), expected);
    }
    for (std::size_t expected : {1u, 3u, 6u, 10u, 11u, 11u}) {
        press(gui::KeyEvent::Key::Right);
        EXPECT_EQ(f.getCaret(), expected);
    }
    // Deleting removes whole characters, never leaving a broken sequence.
    press(gui::KeyEvent::Key::Left);  // before "b"
    press(gui::KeyEvent::Key::Backspace);
    EXPECT_EQ(f.getText(), "aé€b");
    press(gui::KeyEvent::Key::Home);
    press(gui::KeyEvent::Key::Right);
    press(gui::KeyEvent::Key::Delete);
    EXPECT_EQ(f.getText(), "a€b");
    EXPECT_EQ(f.getCaret(), 1u);
}

TEST_F(TextFieldEditing, ShiftExtendsASelectionThatTypingReplaces) {
    gui::TextField& f = make("1.50 kHz");
    press(gui::KeyEvent::Key::Home);
    for (int i = 0; i < 4; ++i) press(gui::KeyEvent::Key::Right, gui::modifiers::kShift);
    EXPECT_TRUE(f.hasSelection());
    EXPECT_EQ(f.getCaret(), 4u);
    EXPECT_TRUE(f.keyPressed(typed("€")));
    EXPECT_EQ(f.getText(), "€ kHz");
    EXPECT_EQ(f.getCaret(), 3u);
    // Shift+Home then Backspace erases back to the start.
    press(gui::KeyEvent::Key::Home, gui::modifiers::kShift);
    press(gui::KeyEvent::Key::Backspace);
    EXPECT_EQ(f.getText(), " kHz");
    EXPECT_EQ(f.getCaret(), 0u);
}

TEST_F(TextFieldEditing, ArrowWithoutShiftCollapsesTheSelectionToItsEdge) {
    gui::TextField& f = make("abcdef");  // all selected, caret at the end
    press(gui::KeyEvent::Key::Left);
    EXPECT_EQ(f.getCaret(), 0u);
    EXPECT_FALSE(f.hasSelection());
    f.selectAll();
    press(gui::KeyEvent::Key::Right);
    EXPECT_EQ(f.getCaret(), 6u);
    EXPECT_FALSE(f.hasSelection());
}

TEST_F(TextFieldEditing, RefusedCharactersLeaveTheTextAlone) {
    gui::TextField& f = make("12");
    f.accepts = [](const std::string& t) { return t.find_first_not_of("0123456789.-") == std::string::npos; };
    EXPECT_TRUE(f.keyPressed(typed("x")));
    EXPECT_EQ(f.getText(), "12");  // the selection was not erased either
    EXPECT_TRUE(f.keyPressed(typed("7")));
    EXPECT_EQ(f.getText(), "7");
}

TEST_F(TextFieldEditing, EnterCommitsTheTextAndEscapeCancels) {
    gui::TextField& f = make("0 dB");
    f.keyPressed(typed("-"));
    f.keyPressed(typed("6"));
    press(gui::KeyEvent::Key::Enter);
    EXPECT_EQ(committed, (std::vector<std::string>{"-6"}));
    EXPECT_EQ(cancelled, 0);
    press(gui::KeyEvent::Key::Escape);
    EXPECT_EQ(cancelled, 1);
    EXPECT_EQ(committed.size(), 1u);
    // Neither changes the text.
    EXPECT_EQ(f.getText(), "-6");
    // Without the focus, keys are not taken at all.
    host.setFocus(nullptr);
    EXPECT_FALSE(f.isFocused());
    EXPECT_FALSE(f.keyPressed(key(gui::KeyEvent::Key::Enter)));
    EXPECT_FALSE(f.keyPressed(typed("1")));
    EXPECT_EQ(committed.size(), 1u);
}

TEST_F(TextFieldEditing, ClickingAFocusedFieldPlacesTheCaretNearestThePointer) {
    gui::TextField& f = make("MMMMMMMM");
    gui::MouseEvent e;
    e.button = gui::MouseEvent::kLeft;
    e.buttons = 1;
    e.position = {f.getBounds().x + 1, 20};
    EXPECT_TRUE(f.mouseDown(e));
    EXPECT_EQ(f.getCaret(), 0u);
    EXPECT_FALSE(f.hasSelection());
    e.position.x = f.getBounds().right() - 2;  // past the end of the text
    f.mouseDown(e);
    EXPECT_EQ(f.getCaret(), 8u);
    // A click in the middle lands strictly inside, and dragging back selects.
    e.position.x = f.getBounds().x + 40;
    f.mouseDown(e);
    const std::size_t middle = f.getCaret();
    EXPECT_GT(middle, 0u);
    EXPECT_LT(middle, 8u);
    e.position.x = f.getBounds().x;
    f.mouseMove(e);
    EXPECT_EQ(f.getCaret(), 0u);
    EXPECT_TRUE(f.hasSelection());
    f.keyPressed(typed("x"));
    EXPECT_EQ(f.getText(), "x" + std::string(8 - middle, 'M'));
}

// ---------------------------------------------------------------------------------------------
// File dialogs

using Mode = gui::FileDialog::Mode;

TEST(FileDialogCommand, ZenityGetsOneArgumentPerOptionWithPathsUntouched) {
    const std::string path = "/tmp/no such dir/it's \"warm\" $HOME `x`.zxp";
    EXPECT_EQ(gui::FileDialog::helperCommand("zenity", Mode::Open, "Load Preset", path),
              (std::vector<std::string>{"zenity", "--file-selection", "--title=Load Preset", "--filename=" + path}));
    EXPECT_EQ(gui::FileDialog::helperCommand("zenity", Mode::Save, "Save 'A' \"B\"", path),
              (std::vector<std::string>{"zenity", "--file-selection", "--title=Save 'A' \"B\"", "--save",
                                        "--confirm-overwrite", "--filename=" + path}));
    EXPECT_EQ(gui::FileDialog::helperCommand("zenity", Mode::Folder, "Folder", ""),
              (std::vector<std::string>{"zenity", "--file-selection", "--title=Folder", "--directory"}));
}

TEST(FileDialogCommand, ZenityIsOpenedInsideAnExistingFolder) {
    const std::string folder = ::testing::TempDir() + "kestrum dialog folder";
    std::filesystem::create_directories(folder);
    const auto command = gui::FileDialog::helperCommand("zenity", Mode::Folder, "Folder", folder);
    EXPECT_EQ(command.back(), "--filename=" + folder + "/");
    EXPECT_EQ(gui::FileDialog::helperCommand("zenity", Mode::Folder, "Folder", folder + "/").back(),
              "--filename=" + folder + "/");
    std::filesystem::remove_all(folder);
}

TEST(FileDialogCommand, KdialogGetsTheVerbOfEachModeAndAStartingPlace) {
    const std::string path = "/home/a b/\"q\" 'p'.zxp";
    EXPECT_EQ(gui::FileDialog::helperCommand("kdialog", Mode::Open, "Load", path),
              (std::vector<std::string>{"kdialog", "--title", "Load", "--getopenfilename", path}));
    EXPECT_EQ(gui::FileDialog::helperCommand("kdialog", Mode::Save, "Save as", path),
              (std::vector<std::string>{"kdialog", "--title", "Save as", "--getsavefilename", path}));
    EXPECT_EQ(gui::FileDialog::helperCommand("kdialog", Mode::Folder, "Pick", ""),
              (std::vector<std::string>{"kdialog", "--title", "Pick", "--getexistingdirectory", "."}));
    EXPECT_TRUE(gui::FileDialog::helperCommand("xdg-open", Mode::Open, "x", path).empty());
}

// A shell word that stands for exactly `text`.
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Replaces PATH with a folder of scripted helpers for one test.
class FileDialogHelpers : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ::testing::TempDir() + "kestrum-helpers-" + std::to_string(getpid());
        std::filesystem::create_directories(folder_);
        if (const char* path = std::getenv("PATH")) savedPath_ = path;
        setenv("PATH", folder_.c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath_.c_str(), 1);
        std::filesystem::remove_all(folder_);
    }
    // A helper that writes each argument it got on a line of args.txt, prints `reply` and exits
    // with `status`.
    void script(const std::string& name, const std::string& reply, int status) {
        const std::string file = folder_ + "/" + name;
        std::ofstream out(file);
        out << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << folder_ << "/args.txt'\n"
            << "printf '%s\\n' " << quoted(reply) << "\nexit " << status << "\n";
        out.close();
        chmod(file.c_str(), 0755);
    }
    std::vector<std::string> argumentsSeen() const {
        std::ifstream in(folder_ + "/args.txt");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::string folder_;
    std::string savedPath_;
    RecordingHost host;
};

TEST_F(FileDialogHelpers, WithoutAHelperTheToolkitsOwnDialogAsks) {
    // A folder named like a helper is not one.
    std::filesystem::create_directories(folder_ + "/zenity");
    EXPECT_EQ(gui::FileDialog::findHelper(), "");
    std::optional<std::string> result = "untouched";
    gui::FileDialog::show(host, Mode::Save, "Save Preset", "/tmp/Warm Sweep.zxp",
                          [&](std::optional<std::string> r) { result = r; });
    EXPECT_TRUE(host.watched.empty());
    auto* dialog = dynamic_cast<gui::PathEntryDialog*>(host.findOverlay("path-dialog"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->getField().getText(), "/tmp/Warm Sweep.zxp");
    // The path can be typed at once.
    EXPECT_TRUE(dialog->getField().isFocused());
    dialog->getField().keyPressed(key(gui::KeyEvent::Key::Enter));
    EXPECT_EQ(result, std::optional<std::string>("/tmp/Warm Sweep.zxp"));
}

TEST_F(FileDialogHelpers, ZenityIsPreferredAndItsAnswerComesBack) {
    script("kdialog", "/wrong", 0);
    script("zenity", "/home/u/My Presets/it's.zxp", 0);
    EXPECT_EQ(gui::FileDialog::findHelper(), "zenity");
    std::optional<std::string> result;
    int calls = 0;
    const std::string start = "/home/u/My Presets/a \"b\".zxp";
    gui::FileDialog::show(host, Mode::Open, "Load Preset", start, [&](std::optional<std::string> r) {
        result = r;
        ++calls;
    });
    EXPECT_EQ(host.findOverlay("path-dialog"), nullptr);
    ASSERT_TRUE(host.serveWatched(5000));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(result, std::optional<std::string>("/home/u/My Presets/it's.zxp"));
    EXPECT_EQ(argumentsSeen(),
              (std::vector<std::string>{"--file-selection", "--title=Load Preset", "--filename=" + start}));
}

TEST_F(FileDialogHelpers, KdialogCancelGivesNothing) {
    script("kdialog", "", 1);
    std::optional<std::string> result = "untouched";
    int calls = 0;
    gui::FileDialog::show(host, Mode::Folder, "Pick a folder", "/srv/x y", [&](std::optional<std::string> r) {
        result = r;
        ++calls;
    });
    ASSERT_TRUE(host.serveWatched(5000));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(result, std::nullopt);
    EXPECT_EQ(argumentsSeen(), (std::vector<std::string>{"--title", "Pick a folder", "--getexistingdirectory", "/srv/x y"}));
}

TEST_F(FileDialogHelpers, TheBuiltinDialogCanBeAskedForEvenWithAHelper) {
    script("zenity", "/x", 0);
    gui::FileDialog::show(host, Mode::Open, "Open", "", [](std::optional<std::string>) {}, gui::FileDialog::Helper::Builtin);
    EXPECT_TRUE(host.watched.empty());
    EXPECT_NE(host.findOverlay("path-dialog"), nullptr);
}

}  // namespace
