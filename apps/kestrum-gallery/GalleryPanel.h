#pragma once
#include <string>

#include "gui/Component.h"
#include "gui/Image.h"
#include "gui/LinkGroup.h"

namespace gui {
class Knob;
class Label;
class Slider;
class TextField;
}  // namespace gui

// The gallery's content: one of every control, with buttons that open a menu, message boxes,
// the hint and the file dialog. The status line says what happened last.
class GalleryPanel final : public gui::Component {
public:
    GalleryPanel();
    ~GalleryPanel() override;

    void layout();
    void setStatus(const std::string& text);
    const std::string& getStatus() const { return status_; }
    void openMenu();
    void openMessage(bool question);
    void showHint();

    gui::Knob& getFrequencyKnob() const { return *frequency_; }
    gui::TextField& getTextField() const { return *field_; }
    gui::Component& getMenuButton() const { return *menuButton_; }

protected:
    void paint(gui::Canvas& canvas) override;
    void boundsChanged() override { layout(); }

private:
    gui::Image background_;
    gui::LinkGroup links_;
    gui::Knob* frequency_ = nullptr;
    gui::Knob* peak_ = nullptr;
    gui::Knob* pan_ = nullptr;
    gui::Knob* small_[3] = {};
    gui::Slider* sliders_[2] = {};
    gui::Slider* mix_ = nullptr;
    gui::Component* toggles_[3] = {};
    gui::Component* buttons_[6] = {};
    gui::Component* menuButton_ = nullptr;
    gui::TextField* field_ = nullptr;
    gui::Label* statusLabel_ = nullptr;
    std::string status_;
    int checkedMode_ = 1;
};
