#include "gui/Slider.h"

#include "gui/Artwork.h"
#include "gui/Canvas.h"
#include "gui/Style.h"

namespace gui {

Slider::Slider(int minimum, int maximum, int defaultPosition, Orientation orientation)
    : RolloverValueControl(minimum, maximum, defaultPosition),
      orientation_(orientation),
      thumb_(Artwork::get("SliderNormal.png")),
      thumbActive_(Artwork::get("SliderActive.png")) {
    getMapper().dragSpan = 150;
}

Point Slider::getThumbCentre() const {
    const Rect& b = getBounds();
    const double f = getFraction();
    if (orientation_ == Orientation::Vertical) {
        const int travel = b.height - style::kSliderThumbHeight;
        return {b.x + b.width / 2, b.y + style::kSliderThumbHeight / 2 + int((1.0 - f) * travel + 0.5)};
    }
    const int travel = b.width - style::kSliderThumbHeight;
    return {b.x + style::kSliderThumbHeight / 2 + int(f * travel + 0.5), b.y + b.height / 2};
}

MouseEvent Slider::alongAxis(const MouseEvent& event) const {
    if (orientation_ == Orientation::Vertical) return event;
    MouseEvent turned = event;
    turned.position = {event.position.y, -event.position.x};
    return turned;
}

bool Slider::mouseDown(const MouseEvent& event) { return RolloverValueControl::mouseDown(alongAxis(event)); }

void Slider::mouseMove(const MouseEvent& event) { RolloverValueControl::mouseMove(alongAxis(event)); }

void Slider::paint(Canvas& canvas) {
    const Rect& b = getBounds();
    const Point thumb = getThumbCentre();
    const int w = style::kSliderTrackWidth;
    const Colour fill = isEnabled() ? style::kAccent : style::kTextDisabled;
    if (orientation_ == Orientation::Vertical) {
        const Rect track{b.x + (b.width - w) / 2, b.y + 2, w, b.height - 4};
        canvas.fillRoundedRect(track, w / 2.0, style::kTrack);
        canvas.fillRoundedRect({track.x, thumb.y, w, track.bottom() - thumb.y}, w / 2.0, fill);
    } else {
        const Rect track{b.x + 2, b.y + (b.height - w) / 2, b.width - 4, w};
        canvas.fillRoundedRect(track, w / 2.0, style::kTrack);
        canvas.fillRoundedRect({track.x, track.y, thumb.x - track.x, w}, w / 2.0, fill);
    }
    const Image& image = isHighlighted() ? thumbActive_ : thumb_;
    if (orientation_ == Orientation::Vertical) {
        canvas.drawImage(image, thumb.x - image.getWidth() / 2, thumb.y - image.getHeight() / 2);
    } else {
        // The thumb picture stands upright for horizontal sliders.
        canvas.drawImage(image, Rect{thumb.x - image.getHeight() / 2, thumb.y - image.getWidth() / 2, image.getHeight(),
                                     image.getWidth()});
    }
}

}  // namespace gui
