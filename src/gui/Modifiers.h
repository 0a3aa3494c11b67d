#pragma once

namespace gui {

// Modifier bits carried by every mouse and key event.
namespace modifiers {
inline constexpr int kShift = 1;
inline constexpr int kAlt = 2;
inline constexpr int kCtrl = 4;
// The further modifier (the Super/Windows key on X11).
inline constexpr int kFurther = 0x80;
// Only these bits take part in modifier look-ups.
inline constexpr int kLookupMask = 0x87;
}  // namespace modifiers

}  // namespace gui
