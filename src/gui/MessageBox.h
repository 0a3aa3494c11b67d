#pragma once
#include <functional>
#include <string>
#include <vector>

#include "gui/DialogLayer.h"

namespace gui {

class Button;
class ComponentHost;

// A modal message with OK, or Yes and No. Enter answers OK or Yes, Escape answers OK or No.
class MessageBox final : public DialogLayer {
public:
    enum class Buttons { Ok, YesNo };
    enum class Result { Ok, Yes, No };
    using Callback = std::function<void(Result)>;

    static MessageBox& show(ComponentHost& host, std::string title, std::string message, Buttons buttons, Callback onResult);

    MessageBox(std::string title, std::string message, Buttons buttons, Callback onResult);

    void answer(Result result);
    const std::string& getMessage() const { return message_; }
    Button* getButton(std::size_t index) const { return index < buttons_.size() ? buttons_[index] : nullptr; }

    bool keyPressed(const KeyEvent& event) override;

protected:
    void paint(Canvas& canvas) override;
    void layoutPanel() override;

private:
    std::string message_;
    Buttons kind_;
    Callback onResult_;
    std::vector<std::string> lines_;
    std::vector<Button*> buttons_;
    bool answered_ = false;
};

}  // namespace gui
