#pragma once
#include "gui/DialogLayer.h"
#include "gui/FileDialog.h"

namespace gui {

class Button;
class TextField;

// The toolkit's own file dialog: a path typed into a text field, with OK and Cancel.
class PathEntryDialog final : public DialogLayer {
public:
    PathEntryDialog(FileDialog::Mode mode, std::string title, const std::string& initialPath, FileDialog::Callback onResult);

    TextField& getField() const { return *field_; }
    void finish(bool accepted);

protected:
    void layoutPanel() override;
    void paint(Canvas& canvas) override;

private:
    FileDialog::Mode mode_;
    FileDialog::Callback onResult_;
    TextField* field_;
    Button* ok_;
    Button* cancel_;
    bool finished_ = false;
};

}  // namespace gui
