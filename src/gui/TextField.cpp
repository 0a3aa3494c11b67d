#include "gui/TextField.h"

#include <algorithm>
#include <cmath>

#include "gui/Canvas.h"
#include "gui/ComponentHost.h"
#include "gui/Modifiers.h"
#include "gui/Style.h"
#include "gui/TextMetrics.h"

namespace gui {

namespace {
constexpr int kPadding = 6;
}  // namespace

TextField::TextField(std::string text) : text_(std::move(text)), caret_(text_.size()), selectionStart_(text_.size()) {}

void TextField::setText(std::string text) {
    text_ = std::move(text);
    caret_ = selectionStart_ = text_.size();
    invalidate();
}

void TextField::selectAll() {
    selectionStart_ = 0;
    caret_ = text_.size();
    invalidate();
}

void TextField::focus() {
    if (ComponentHost* host = getHost()) host->setFocus(this);
}

void TextField::focusChanged(bool focused) {
    focused_ = focused;
    if (focused) selectAll();
    invalidate();
}

bool TextField::mouseDown(const MouseEvent& event) {
    if (event.button != MouseEvent::kLeft) return false;
    if (!focused_) {
        // The first click selects everything, ready to be typed over.
        focus();
    } else {
        caret_ = caretAt(event.position.x);
        if (!(event.modifiers & modifiers::kShift)) selectionStart_ = caret_;
        invalidate();
    }
    return true;
}

void TextField::mouseMove(const MouseEvent& event) {
    if (!focused_ || !(event.buttons & (1 << (MouseEvent::kLeft - 1)))) return;
    const std::size_t caret = caretAt(event.position.x);
    if (caret == caret_) return;
    caret_ = caret;
    invalidate();
}

std::size_t TextField::caretAt(int x) const {
    const double target = x - (getBounds().x + kPadding) + scroll_;
    const Font font;
    std::size_t best = 0;
    double bestDistance = std::abs(target);
    for (std::size_t at = nextCharacter(0); at > best; best = at, at = nextCharacter(at)) {
        const double distance = std::abs(TextMetrics::width(text_.substr(0, at), font) - target);
        if (distance > bestDistance) break;  // widths only grow from here
        bestDistance = distance;
        if (at == text_.size()) return at;
    }
    return best;
}

std::size_t TextField::previousCharacter(std::size_t at) const {
    if (at == 0) return 0;
    --at;
    while (at > 0 && (static_cast<unsigned char>(text_[at]) & 0xC0) == 0x80) --at;
    return at;
}

std::size_t TextField::nextCharacter(std::size_t at) const {
    if (at >= text_.size()) return text_.size();
    ++at;
    while (at < text_.size() && (static_cast<unsigned char>(text_[at]) & 0xC0) == 0x80) ++at;
    return at;
}

void TextField::eraseSelection() {
    const std::size_t from = std::min(caret_, selectionStart_);
    const std::size_t to = std::max(caret_, selectionStart_);
    text_.erase(from, to - from);
    caret_ = selectionStart_ = from;
}

void TextField::insert(const std::string& text) {
    if (accepts && !accepts(text)) return;
    eraseSelection();
    text_.insert(caret_, text);
    caret_ += text.size();
    selectionStart_ = caret_;
}

bool TextField::keyPressed(const KeyEvent& event) {
    if (!focused_) return false;
    const std::string before = text_;
    const bool extend = event.modifiers & modifiers::kShift;
    switch (event.key) {
        case KeyEvent::Key::Character: insert(event.text); break;
        case KeyEvent::Key::Backspace:
            if (!hasSelection()) selectionStart_ = previousCharacter(caret_);
            eraseSelection();
            break;
        case KeyEvent::Key::Delete:
            if (!hasSelection()) selectionStart_ = nextCharacter(caret_);
            eraseSelection();
            break;
        case KeyEvent::Key::Left:
            // Without Shift a selection collapses to its start rather than moving past it.
            caret_ = hasSelection() && !extend ? std::min(caret_, selectionStart_) : previousCharacter(caret_);
            if (!extend) selectionStart_ = caret_;
            break;
        case KeyEvent::Key::Right:
            caret_ = hasSelection() && !extend ? std::max(caret_, selectionStart_) : nextCharacter(caret_);
            if (!extend) selectionStart_ = caret_;
            break;
        case KeyEvent::Key::Home:
            caret_ = 0;
            if (!extend) selectionStart_ = caret_;
            break;
        case KeyEvent::Key::End:
            caret_ = text_.size();
            if (!extend) selectionStart_ = caret_;
            break;
        case KeyEvent::Key::Enter:
        case KeyEvent::Key::Tab:
            if (onCommit) onCommit(text_);
            return true;
        case KeyEvent::Key::Escape:
            if (onCancel) onCancel();
            return true;
        default: return false;
    }
    invalidate();
    if (text_ != before && onEdit) onEdit(text_);
    return true;
}

void TextField::paint(Canvas& canvas) {
    const Rect& b = getBounds();
    canvas.fillRoundedRect(b, 3, style::kField);
    canvas.strokeRoundedRect(b, 3, focused_ ? style::kAccent : style::kPanelBorder);
    const Rect inner{b.x + kPadding, b.y, b.width - 2 * kPadding, b.height};
    const Font font;
    canvas.pushClip(inner);
    // Keep the caret in view: shift long text left.
    const double caretX = canvas.getTextWidth(text_.substr(0, caret_), font);
    const double shift = std::max(0.0, caretX - (inner.width - 2));
    scroll_ = shift;
    const int x0 = inner.x - int(shift);
    if (focused_ && hasSelection()) {
        const std::size_t from = std::min(caret_, selectionStart_);
        const std::size_t to = std::max(caret_, selectionStart_);
        const double s0 = canvas.getTextWidth(text_.substr(0, from), font);
        const double s1 = canvas.getTextWidth(text_.substr(0, to), font);
        canvas.fillRect({x0 + int(s0), b.y + 4, std::max(1, int(s1 - s0)), b.height - 8}, style::kSelection);
    }
    canvas.drawText(text_, {x0, b.y, int(inner.width + shift) + 1, b.height}, isEnabled() ? style::kText : style::kTextDisabled, font);
    if (focused_) canvas.fillRect({x0 + int(caretX), b.y + 4, 1, b.height - 8}, style::kAccentBright);
    canvas.popClip();
}

}  // namespace gui
