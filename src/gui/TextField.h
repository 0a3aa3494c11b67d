#pragma once
#include <functional>
#include <string>

#include "gui/Component.h"

namespace gui {

// A one-line text entry. It takes the keyboard focus when clicked (or by focus()); Enter commits,
// Escape cancels. Text is UTF-8; the caret moves by characters.
class TextField : public Component {
public:
    explicit TextField(std::string text = {});

    const std::string& getText() const { return text_; }
    void setText(std::string text);
    std::size_t getCaret() const { return caret_; }
    bool hasSelection() const { return selectionStart_ != caret_; }
    void selectAll();
    // Asks the window for the keyboard focus.
    void focus();
    bool isFocused() const { return focused_; }

    std::function<void(const std::string&)> onCommit;
    std::function<void()> onCancel;
    std::function<void(const std::string&)> onEdit;
    // Characters this field refuses (for numeric entry, say); empty accepts everything.
    std::function<bool(const std::string&)> accepts;

    bool mouseDown(const MouseEvent& event) override;
    void mouseMove(const MouseEvent& event) override;
    bool keyPressed(const KeyEvent& event) override;
    void focusChanged(bool focused) override;

protected:
    void paint(Canvas& canvas) override;

private:
    void insert(const std::string& text);
    void eraseSelection();
    std::size_t previousCharacter(std::size_t at) const;
    std::size_t nextCharacter(std::size_t at) const;
    // The character boundary nearest to a window x coordinate.
    std::size_t caretAt(int x) const;

    std::string text_;
    std::size_t caret_ = 0;
    std::size_t selectionStart_ = 0;
    bool focused_ = false;
    // How far long text is shifted left to keep the caret in view (set when painting).
    double scroll_ = 0;
};

}  // namespace gui
