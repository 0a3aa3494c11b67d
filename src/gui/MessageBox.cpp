#include "gui/MessageBox.h"

#include "gui/Button.h"
#include "gui/Canvas.h"
#include "gui/ComponentHost.h"
#include "gui/Style.h"
#include "gui/TextMetrics.h"

namespace gui {

namespace {
constexpr int kWidth = 380;
constexpr int kLineHeight = 17;
}  // namespace

MessageBox& MessageBox::show(ComponentHost& host, std::string title, std::string message, Buttons buttons, Callback onResult) {
    return static_cast<MessageBox&>(
        host.addOverlay(std::make_unique<MessageBox>(std::move(title), std::move(message), buttons, std::move(onResult))));
}

MessageBox::MessageBox(std::string title, std::string message, Buttons buttons, Callback onResult)
    : DialogLayer(std::move(title), kWidth, 120), message_(std::move(message)), kind_(buttons), onResult_(std::move(onResult)) {
    setName("message-box");
    lines_ = TextMetrics::wrap(message_, kWidth - 32);
    auto addButton = [this](const char* text, Result result, bool isDefault) {
        Button& button = add<Button>(text);
        button.setDefault(isDefault);
        button.onClick = [this, result] { answer(result); };
        buttons_.push_back(&button);
    };
    if (kind_ == Buttons::Ok) {
        addButton("OK", Result::Ok, true);
    } else {
        addButton("No", Result::No, false);
        addButton("Yes", Result::Yes, true);
    }
    setPanelSize(kWidth, 34 + 16 + int(lines_.size()) * kLineHeight + 16 + style::kButtonHeight + 14);
}

void MessageBox::layoutPanel() {
    const Rect panel = getPanel();
    int x = panel.right() - 14;
    for (auto it = buttons_.rbegin(); it != buttons_.rend(); ++it) {
        x -= 76;
        (*it)->setBounds({x, panel.bottom() - 14 - style::kButtonHeight, 72, style::kButtonHeight});
        x -= 6;
    }
}

void MessageBox::answer(Result result) {
    if (answered_) return;
    answered_ = true;
    Callback callback = std::move(onResult_);
    closeLater();
    if (callback) callback(result);
}

bool MessageBox::keyPressed(const KeyEvent& event) {
    if (event.key == KeyEvent::Key::Enter) answer(kind_ == Buttons::Ok ? Result::Ok : Result::Yes);
    if (event.key == KeyEvent::Key::Escape) answer(kind_ == Buttons::Ok ? Result::Ok : Result::No);
    return true;
}

void MessageBox::paint(Canvas& canvas) {
    DialogLayer::paint(canvas);
    const Rect panel = getPanel();
    int y = panel.y + 34 + 14;
    for (const std::string& line : lines_) {
        canvas.drawText(line, {panel.x + 16, y, panel.width - 32, kLineHeight}, style::kText);
        y += kLineHeight;
    }
}

}  // namespace gui
