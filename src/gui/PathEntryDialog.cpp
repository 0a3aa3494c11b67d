#include "gui/PathEntryDialog.h"

#include "gui/Button.h"
#include "gui/Canvas.h"
#include "gui/ComponentHost.h"
#include "gui/Style.h"
#include "gui/TextField.h"

namespace gui {

PathEntryDialog::PathEntryDialog(FileDialog::Mode mode, std::string title, const std::string& initialPath,
                                 FileDialog::Callback onResult)
    : DialogLayer(std::move(title), 440, 150), mode_(mode), onResult_(std::move(onResult)) {
    setName("path-dialog");
    field_ = &add<TextField>(initialPath);
    field_->onCommit = [this](const std::string&) { finish(true); };
    field_->onCancel = [this] { finish(false); };
    cancel_ = &add<Button>("Cancel");
    cancel_->onClick = [this] { finish(false); };
    ok_ = &add<Button>(mode == FileDialog::Mode::Save ? "Save" : mode == FileDialog::Mode::Folder ? "Choose" : "Open");
    ok_->setDefault(true);
    ok_->onClick = [this] { finish(true); };
}

void PathEntryDialog::layoutPanel() {
    const Rect p = getPanel();
    field_->setBounds({p.x + 16, p.y + 68, p.width - 32, style::kTextFieldHeight});
    ok_->setBounds({p.right() - 14 - 76, p.bottom() - 14 - style::kButtonHeight, 76, style::kButtonHeight});
    cancel_->setBounds({p.right() - 14 - 76 - 6 - 76, p.bottom() - 14 - style::kButtonHeight, 76, style::kButtonHeight});
    if (getHost() && !field_->isFocused()) field_->focus();
}

void PathEntryDialog::paint(Canvas& canvas) {
    DialogLayer::paint(canvas);
    const Rect p = getPanel();
    const char* prompt = mode_ == FileDialog::Mode::Folder ? "Folder:" : "File:";
    canvas.drawText(prompt, {p.x + 16, p.y + 44, p.width - 32, 20}, style::kTextDim);
}

void PathEntryDialog::finish(bool accepted) {
    if (finished_) return;
    finished_ = true;
    std::optional<std::string> result;
    if (accepted && !field_->getText().empty()) result = field_->getText();
    FileDialog::Callback callback = std::move(onResult_);
    closeLater();
    if (callback) callback(result);
}

}  // namespace gui
