#include "GalleryPanel.h"

#include <cmath>
#include <cstdio>

#include "gui/Artwork.h"
#include "gui/Button.h"
#include "gui/Canvas.h"
#include "gui/ComponentHost.h"
#include "gui/FileDialog.h"
#include "gui/HintWindow.h"
#include "gui/Knob.h"
#include "gui/Label.h"
#include "gui/MessageBox.h"
#include "gui/PopupMenu.h"
#include "gui/Slider.h"
#include "gui/Style.h"
#include "gui/TextField.h"
#include "gui/ToggleButton.h"

using namespace gui;

namespace {

const Rect kFilterPanel{16, 48, 430, 206};
const Rect kModPanel{462, 48, 448, 206};
const Rect kControlsPanel{16, 268, 430, 228};
const Rect kArtPanel{462, 268, 448, 228};

std::string hertz(const Knob& knob) {
    const double f = std::pow(2.0, 2.2666 + (16.2064 - 2.2666) * knob.getFraction());
    char text[32];
    if (f >= 1000) {
        std::snprintf(text, sizeof text, "%.2f kHz", f / 1000);
    } else {
        std::snprintf(text, sizeof text, "%.0f Hz", f);
    }
    return text;
}

std::string percent(const Knob& knob) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f %%", knob.getFraction() * 100);
    return text;
}

std::string balance(const Knob& knob) {
    const int value = int(std::lround((knob.getFraction() - 0.5) * 200));
    char text[32];
    if (value == 0) return "C";
    std::snprintf(text, sizeof text, "%s %d", value < 0 ? "L" : "R", std::abs(value));
    return text;
}

}  // namespace

GalleryPanel::GalleryPanel() {
    background_ = Artwork::get("Background.png");
    frequency_ = &add<Knob>(0, 4096, 2048, Knob::Style::large());
    frequency_->setLabel("FREQUENCY");
    frequency_->setValueText(hertz);
    peak_ = &add<Knob>(0, 4096, 1200, Knob::Style::large());
    peak_->setLabel("PEAK");
    peak_->setValueText(percent);
    Knob::Style bipolar = Knob::Style::large();
    bipolar.bipolar = true;
    pan_ = &add<Knob>(0, 4096, 2048, bipolar);
    pan_->setLabel("PAN");
    pan_->setValueText(balance);
    const char* smallNames[] = {"RATE", "DEPTH", "SHAPE"};
    for (int i = 0; i < 3; ++i) {
        small_[i] = &add<Knob>(0, 4096, 1024 * (i + 1), Knob::Style::small());
        small_[i]->setLabel(smallNames[i]);
        small_[i]->setValueText(percent);
        small_[i]->setLinkGroup(&links_);
    }
    for (auto& slider : sliders_) slider = &add<Slider>(0, 4096, 3000);
    sliders_[1]->setPosition(1400);
    mix_ = &add<Slider>(0, 4096, 4096, Slider::Orientation::Horizontal);
    const char* toggleNames[] = {"Sync", "Bypass", "Linked"};
    for (int i = 0; i < 3; ++i) toggles_[i] = &add<ToggleButton>(toggleNames[i], i == 0);

    auto& menu = add<Button>("Routing", Artwork::get("IconMenu.png"));
    menu.onClick = [this] { openMenu(); };
    menuButton_ = &menu;
    auto& message = add<Button>("Message");
    message.onClick = [this] { openMessage(false); };
    auto& question = add<Button>("Question");
    question.onClick = [this] { openMessage(true); };
    auto& open = add<Button>("Open File...");
    open.onClick = [this] {
        if (ComponentHost* host = getHost())
            FileDialog::show(*host, FileDialog::Mode::Open, "Open Preset", "", [this](std::optional<std::string> path) {
                setStatus(path ? "Chosen: " + *path : "No file chosen");
            }, FileDialog::Helper::Builtin);
    };
    auto& hint = add<Button>("", Artwork::get("IconHelp.png"));
    hint.onClick = [this] { showHint(); };
    auto& undo = add<Button>("", Artwork::get("IconUndo.png"));
    undo.onClick = [this] { setStatus("Undo"); };
    buttons_[0] = &message;
    buttons_[1] = &question;
    buttons_[2] = &open;
    buttons_[3] = &hint;
    buttons_[4] = &undo;
    auto& redo = add<Button>("", Artwork::get("IconRedo.png"));
    redo.onClick = [this] { setStatus("Redo"); };
    buttons_[5] = &redo;

    field_ = &add<TextField>("1.25 kHz");
    field_->onCommit = [this](const std::string& text) { setStatus("Entered: " + text); };
    statusLabel_ = &add<Label>("Ready", Font{style::kSmallFontSize, false}, Align::Left, style::kTextDim);
    setStatus("Ready");
}

GalleryPanel::~GalleryPanel() = default;

void GalleryPanel::layout() {
    const Rect& b = getBounds();
    const int ox = b.x;
    const int oy = b.y;
    auto at = [ox, oy](Rect r) { return r.translated(ox, oy); };
    const int knobW = 96;
    for (int i = 0; i < 3; ++i) {
        Knob* knob = i == 0 ? frequency_ : i == 1 ? peak_ : pan_;
        knob->setBounds(at({kFilterPanel.x + 20 + i * (knobW + 40), kFilterPanel.y + 52, knobW, 78}));
    }
    for (int i = 0; i < 3; ++i) small_[i]->setBounds(at({kModPanel.x + 16 + i * 76, kModPanel.y + 44, 72, 62}));
    sliders_[0]->setBounds(at({kModPanel.x + 262, kModPanel.y + 40, 26, 120}));
    sliders_[1]->setBounds(at({kModPanel.x + 300, kModPanel.y + 40, 26, 120}));
    mix_->setBounds(at({kModPanel.x + 20, kModPanel.y + 150, 212, 22}));
    for (int i = 0; i < 3; ++i)
        toggles_[i]->setBounds(at({kFilterPanel.x + 20 + i * 88, kFilterPanel.y + 160, 80, style::kButtonHeight}));
    menuButton_->setBounds(at({kControlsPanel.x + 20, kControlsPanel.y + 44, 110, style::kButtonHeight}));
    buttons_[0]->setBounds(at({kControlsPanel.x + 140, kControlsPanel.y + 44, 84, style::kButtonHeight}));
    buttons_[1]->setBounds(at({kControlsPanel.x + 232, kControlsPanel.y + 44, 84, style::kButtonHeight}));
    buttons_[2]->setBounds(at({kControlsPanel.x + 20, kControlsPanel.y + 78, 110, style::kButtonHeight}));
    buttons_[3]->setBounds(at({b.width - 36, 6, 24, style::kButtonHeight}));
    buttons_[4]->setBounds(at({b.width - 96, 6, 24, style::kButtonHeight}));
    buttons_[5]->setBounds(at({b.width - 68, 6, 24, style::kButtonHeight}));
    field_->setBounds(at({kControlsPanel.x + 80, kControlsPanel.y + 124, 150, style::kTextFieldHeight}));
    statusLabel_->setBounds(at({kControlsPanel.x + 20, kControlsPanel.bottom() - 30, kControlsPanel.width - 40, 18}));
}

void GalleryPanel::setStatus(const std::string& text) {
    status_ = text;
    statusLabel_->setText(text);
}

void GalleryPanel::openMenu() {
    ComponentHost* host = getHost();
    if (!host) return;
    Menu modes;
    modes.addItem(11, "Stereo", checkedMode_ == 1).addItem(12, "Per Channel", checkedMode_ == 2).addItem(13, "Mid/Side", checkedMode_ == 3);
    Menu menu;
    menu.addItem(1, "Serial").addItem(2, "Parallel", true).addItem(3, "Split (needs 4 filters)", false, false);
    menu.addSeparator();
    menu.addSubmenu("Routing Mode", modes);
    menu.addSeparator();
    menu.addItem(4, "Reset Routing");
    const Rect r = menuButton_->getBounds();
    PopupMenu::show(*host, {r.x, r.bottom() + 2}, menu, [this](int id) {
        if (id >= 11 && id <= 13) checkedMode_ = id - 10;
        setStatus(id ? "Menu item " + std::to_string(id) : "Menu dismissed");
    });
}

void GalleryPanel::openMessage(bool question) {
    ComponentHost* host = getHost();
    if (!host) return;
    if (question) {
        MessageBox::show(*host, "Overwrite Preset", "A preset named \"Warm Sweep\" already exists. Do you want to replace it?",
                         MessageBox::Buttons::YesNo,
                         [this](MessageBox::Result r) { setStatus(r == MessageBox::Result::Yes ? "Answered Yes" : "Answered No"); });
    } else {
        MessageBox::show(*host, "Preset", "The preset could not be loaded because the file is damaged.",
                         MessageBox::Buttons::Ok, [this](MessageBox::Result) { setStatus("Message closed"); });
    }
}

void GalleryPanel::showHint() {
    if (ComponentHost* host = getHost())
        HintWindow::show(*host,
                         "The Frequency knob sets the cutoff of the active filter. Drag up or down; hold Shift for fine "
                         "steps, Ctrl-click to reset.",
                         frequency_->getBounds());
}

void GalleryPanel::paint(Canvas& canvas) {
    const Rect& b = getBounds();
    canvas.drawImage(background_, Rect{b.x, b.y, b.width, b.height});
    canvas.drawText("KESTRUM", {b.x + 16, b.y + 2, 120, 32}, style::kText, Font{style::kTitleFontSize, true});
    canvas.drawText("Toolkit Gallery", {b.x + 112, b.y + 2, 200, 32}, style::kTextDim, Font{style::kFontSize, false});
    struct Section {
        Rect rect;
        const char* title;
    };
    for (const Section& s : {Section{kFilterPanel, "FILTER"}, Section{kModPanel, "MODULATION"},
                             Section{kControlsPanel, "CONTROLS"}, Section{kArtPanel, "ARTWORK"}}) {
        const Rect r = s.rect.translated(b.x, b.y);
        canvas.fillRoundedRect(r, 6, style::kPanel);
        canvas.strokeRoundedRect(r, 6, style::kPanelBorder);
        canvas.drawText(s.title, {r.x + 14, r.y + 6, r.width - 28, 22}, style::kAccent, Font{style::kSmallFontSize, true});
        canvas.fillRect({r.x + 14, r.y + 28, r.width - 28, 1}, style::kPanelBorder);
    }
    const Rect mod = kModPanel.translated(b.x, b.y);
    canvas.drawText("MIX", {mod.x + 20, mod.y + 132, 100, 16}, style::kTextDim, Font{style::kSmallFontSize, false});
    const Rect controls = kControlsPanel.translated(b.x, b.y);
    canvas.drawText("Value", {controls.x + 20, controls.y + 124, 56, style::kTextFieldHeight}, style::kTextDim);
    // The artwork set: display dots, routing pictures and icons.
    const Rect art = kArtPanel.translated(b.x, b.y);
    const char* dots[] = {"DisplayPeak.png", "DisplayPeakActive.png", "DisplayMid.png", "DisplayMidActive.png",
                          "DisplaySelected.png", "DisplaySelectedActive.png"};
    for (int i = 0; i < 6; ++i) canvas.drawImage(Artwork::get(dots[i]), art.x + 20 + i * 30, art.y + 42);
    const char* routings[] = {"RoutingsStereo1.png", "RoutingsStereo2.png", "RoutingsStereo4Active.png",
                              "RoutingsPerChannel2.png", "RoutingsMidSide4.png", "RoutingsMidSide3Active.png"};
    for (int i = 0; i < 6; ++i)
        canvas.drawImage(Artwork::get(routings[i]), art.x + 20 + (i % 3) * 66, art.y + 76 + (i / 3) * 46);
    const char* icons[] = {"IconUndo.png", "IconRedo.png", "IconMenu.png", "IconClose.png", "IconPrevious.png",
                           "IconNext.png", "IconLink.png", "IconHelp.png"};
    for (int i = 0; i < 8; ++i) canvas.drawImage(Artwork::get(icons[i]), art.x + 22 + i * 26, art.y + 180);
    canvas.drawImage(Artwork::get("KnobPressed.png"), art.x + 240, art.y + 76);
    canvas.drawImage(Artwork::get("SliderActive.png"), art.x + 300, art.y + 92);
    // A filter curve like the display will draw, to judge colours against the panels.
    const Rect curve{art.x + 240, art.y + 130, 190, 80};
    canvas.fillRoundedRect(curve, 4, style::kField);
    canvas.pushClip(curve);
    for (int g = 1; g < 8; ++g) canvas.drawVerticalLine(curve.x + g * curve.width / 8, curve.y, curve.bottom(), Colour{255, 200, 200, 50});
    canvas.drawCurve([&](double x) {
        const double u = (x - curve.x) / curve.width;
        const double peak = 0.55;
        const double resonance = 22.0 * std::exp(-std::pow((u - peak) / 0.05, 2));
        const double fall = u > peak ? (u - peak) * 260 : 0;
        return curve.y + 50 - resonance + fall;
    }, curve.x, curve.right(), curve.bottom(), style::kAccent, style::kAccent.withAlpha(60), 1.6);
    canvas.popClip();
}
