#pragma once
#include "gui/Colour.h"

// The one style sheet of the toolkit: colours, sizes and fonts. The artwork generator draws the
// editor's images from these same values, so drawn controls and images always match.
namespace gui::style {

inline constexpr const char* kFontFamily = "DejaVu Sans";
inline constexpr double kFontSize = 11.0;
inline constexpr double kSmallFontSize = 9.5;
inline constexpr double kTitleFontSize = 13.0;

// Surfaces, darkest first.
inline constexpr Colour kWindow{24, 26, 30, 255};
inline constexpr Colour kPanel{34, 37, 43, 255};
inline constexpr Colour kPanelRaised{46, 50, 58, 255};
inline constexpr Colour kPanelBorder{62, 67, 77, 255};
inline constexpr Colour kField{18, 20, 23, 255};
inline constexpr Colour kShadow{0, 0, 0, 110};
inline constexpr Colour kScrim{8, 9, 11, 150};

// Text.
inline constexpr Colour kText{226, 229, 234, 255};
inline constexpr Colour kTextDim{146, 152, 163, 255};
inline constexpr Colour kTextDisabled{92, 97, 107, 255};
inline constexpr Colour kTextOnAccent{24, 20, 14, 255};

// The accent marks values, selection and focus.
inline constexpr Colour kAccent{242, 163, 58, 255};
inline constexpr Colour kAccentBright{255, 196, 110, 255};
inline constexpr Colour kAccentDim{140, 96, 40, 255};
inline constexpr Colour kSelection{242, 163, 58, 90};

// Controls.
inline constexpr Colour kKnobBody{58, 63, 72, 255};
inline constexpr Colour kKnobBodyLight{84, 90, 101, 255};
inline constexpr Colour kKnobRing{28, 30, 35, 255};
inline constexpr Colour kTrack{20, 22, 26, 255};
inline constexpr Colour kPointer{236, 238, 242, 255};
inline constexpr Colour kHover{255, 255, 255, 18};
inline constexpr Colour kPressed{0, 0, 0, 40};

// Display dots (filter handles).
inline constexpr Colour kDot{214, 220, 228, 255};
inline constexpr Colour kDotActive{255, 255, 255, 255};
inline constexpr Colour kDotSelected{242, 163, 58, 255};
inline constexpr Colour kDotLink{120, 190, 230, 255};

// Sizes in logical pixels.
inline constexpr int kKnobSize = 48;
inline constexpr int kSmallKnobSize = 32;
inline constexpr int kKnobSweepDegrees = 300;
inline constexpr int kSliderThumbWidth = 18;
inline constexpr int kSliderThumbHeight = 10;
inline constexpr int kSliderTrackWidth = 4;
inline constexpr int kButtonHeight = 22;
inline constexpr int kCornerRadius = 4;
inline constexpr int kDotSize = 18;
inline constexpr int kIconSize = 16;
inline constexpr int kMenuItemHeight = 22;
inline constexpr int kMenuSeparatorHeight = 9;
inline constexpr int kMenuPadding = 4;
inline constexpr int kMenuMinWidth = 140;
inline constexpr int kTextFieldHeight = 22;
inline constexpr int kRoutingWidth = 56;
inline constexpr int kRoutingHeight = 36;

// Timing in milliseconds.
inline constexpr int kDoubleClickMs = 400;
inline constexpr int kHintDelayMs = 600;
inline constexpr int kCaretBlinkMs = 530;

}  // namespace gui::style
