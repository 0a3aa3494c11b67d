#pragma once
#include <string>

namespace gui {

struct KeyEvent {
    enum class Key { Character, Backspace, Delete, Left, Right, Up, Down, Home, End, Enter, Escape, Tab, Other };

    Key key = Key::Other;
    std::string text;  // UTF-8 text for Key::Character
    int modifiers = 0;
};

}  // namespace gui
