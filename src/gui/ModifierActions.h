#pragma once

namespace gui {

// The process-wide table that says what held modifier keys mean to a value control. A
// combination absent from the table means no action. Only the bits in modifiers::kLookupMask count.
class ModifierActions {
public:
    static constexpr int kReset = 1;   // return to the default on mouse-down
    static constexpr int kFine = 2;    // fine adjustment
    static constexpr int kLinked = 4;  // adjust the control's whole link group

    // Ctrl resets, Shift is fine, Alt links, Shift+Alt is fine and linked. Installed at start-up.
    static void installDefault();
    // For hosts whose users expect Pro Tools conventions: Alt resets, Ctrl is fine, Shift links,
    // Shift+Ctrl is fine and linked.
    static void installProTools();

    static int lookup(int modifiers);
};

}  // namespace gui
