#pragma once
#include <functional>
#include <optional>
#include <vector>
#include <string>

namespace gui {

class ComponentHost;

// Open, save and folder choosers. The desktop's own dialog is used when zenity or kdialog is
// installed (run as a helper process, so the window keeps drawing meanwhile); otherwise the
// toolkit's path-entry dialog asks for the path. The callback gets the chosen path, or nothing
// when the user cancelled; it never runs after the window is gone.
class FileDialog {
public:
    enum class Mode { Open, Save, Folder };
    enum class Helper { Automatic, Builtin };
    using Callback = std::function<void(std::optional<std::string>)>;

    static void show(ComponentHost& host, Mode mode, const std::string& title, const std::string& initialPath,
                     Callback onResult, Helper helper = Helper::Automatic);

    // The command line for a helper program ("zenity" or "kdialog"); empty for others.
    static std::vector<std::string> helperCommand(const std::string& program, Mode mode, const std::string& title,
                                                  const std::string& initialPath);
    // The first helper found on PATH, or empty.
    static std::string findHelper();
};

}  // namespace gui
