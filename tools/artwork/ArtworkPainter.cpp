#include "ArtworkPainter.h"

#include <cmath>

#include "gui/Style.h"

using gui::Colour;
namespace style = gui::style;

namespace {

void source(cairo_t* cr, Colour c, double alpha = 1.0) {
    cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0 * alpha);
}

void stop(cairo_pattern_t* p, double at, Colour c, double alpha = 1.0) {
    cairo_pattern_add_color_stop_rgba(p, at, c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0 * alpha);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// A knob body: a dark groove for the value ring, a soft drop shadow, a lit top.
void knob(cairo_t* cr, double size, int state) {
    const double c = size / 2;
    const double groove = size * 0.5 - 1;
    const double body = size * 0.34;
    // Groove where the value arc runs.
    cairo_set_line_width(cr, size * 0.085);
    source(cr, style::kTrack);
    cairo_arc(cr, c, c, groove - size * 0.05, 0, 2 * M_PI);
    cairo_stroke(cr);
    // Shadow.
    cairo_pattern_t* shadow = cairo_pattern_create_radial(c, c + 1.5, body * 0.8, c, c + 1.5, body * 1.25);
    stop(shadow, 0, style::kShadow, 1.0);
    stop(shadow, 1, style::kShadow, 0.0);
    cairo_set_source(cr, shadow);
    cairo_arc(cr, c, c + 1.5, body * 1.25, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(shadow);
    // Body with light from above.
    cairo_pattern_t* face = cairo_pattern_create_linear(0, c - body, 0, c + body);
    const double lift = state == 1 ? 1.12 : state == 2 ? 0.92 : 1.0;
    auto lit = [lift](Colour k) {
        auto scale = [lift](int v) { return std::uint8_t(std::min(255.0, v * lift)); };
        return Colour{scale(k.r), scale(k.g), scale(k.b), k.a};
    };
    stop(face, 0, lit(style::kKnobBodyLight));
    stop(face, 1, lit(style::kKnobBody));
    cairo_set_source(cr, face);
    cairo_arc(cr, c, c, body, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(face);
    // Rim.
    cairo_set_line_width(cr, 1.0);
    source(cr, state == 2 ? style::kAccent : style::kKnobRing, state == 2 ? 0.9 : 1.0);
    cairo_arc(cr, c, c, body - 0.5, 0, 2 * M_PI);
    cairo_stroke(cr);
    source(cr, Colour{255, 255, 255, 40});
    cairo_arc(cr, c, c, body - 1.5, M_PI * 1.15, M_PI * 1.85);
    cairo_stroke(cr);
}

void sliderThumb(cairo_t* cr, double w, double h, bool active) {
    roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 2.5);
    cairo_pattern_t* face = cairo_pattern_create_linear(0, 0, 0, h);
    stop(face, 0, active ? style::kAccentBright : Colour{214, 218, 225, 255});
    stop(face, 1, active ? style::kAccent : Colour{160, 166, 176, 255});
    cairo_set_source(cr, face);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(face);
    cairo_set_line_width(cr, 1);
    source(cr, style::kKnobRing);
    cairo_stroke(cr);
    source(cr, style::kKnobRing, 0.7);
    cairo_move_to(cr, 4, h / 2);
    cairo_line_to(cr, w - 4, h / 2);
    cairo_stroke(cr);
}

void dot(cairo_t* cr, double size, Colour fill, bool highlighted, bool ring) {
    const double c = size / 2;
    const double r = size / 2 - (highlighted ? 1.0 : 3.0);
    if (highlighted) {
        cairo_pattern_t* glow = cairo_pattern_create_radial(c, c, r * 0.6, c, c, size / 2);
        stop(glow, 0, fill, 0.55);
        stop(glow, 1, fill, 0.0);
        cairo_set_source(cr, glow);
        cairo_arc(cr, c, c, size / 2, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_pattern_destroy(glow);
    }
    cairo_arc(cr, c, c, std::min(r, size / 2 - 3.0), 0, 2 * M_PI);
    source(cr, fill, ring ? 0.25 : 0.95);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1.5);
    source(cr, ring ? fill : Colour{20, 22, 26, 255}, ring ? 1.0 : 0.8);
    cairo_stroke(cr);
}

void iconStroke(cairo_t* cr) {
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    source(cr, style::kText);
    cairo_stroke(cr);
}

void arrowTurn(cairo_t* cr, double s, bool redo) {
    if (redo) {
        cairo_translate(cr, s, 0);
        cairo_scale(cr, -1, 1);
    }
    cairo_arc_negative(cr, s * 0.55, s * 0.6, s * 0.28, 0.2, M_PI * 1.15);
    iconStroke(cr);
    cairo_move_to(cr, s * 0.13, s * 0.28);
    cairo_line_to(cr, s * 0.2, s * 0.58);
    cairo_line_to(cr, s * 0.48, s * 0.45);
    iconStroke(cr);
}

void background(cairo_t* cr, double w, double h) {
    cairo_pattern_t* base = cairo_pattern_create_linear(0, 0, 0, h);
    stop(base, 0, style::kPanel);
    stop(base, 1, style::kWindow);
    cairo_set_source(cr, base);
    cairo_paint(cr);
    cairo_pattern_destroy(base);
    // Header bar.
    source(cr, style::kPanelRaised);
    cairo_rectangle(cr, 0, 0, w, 34);
    cairo_fill(cr);
    source(cr, style::kPanelBorder);
    cairo_rectangle(cr, 0, 33, w, 1);
    cairo_fill(cr);
    source(cr, style::kAccent);
    cairo_rectangle(cr, 0, 0, w, 2);
    cairo_fill(cr);
}

void hintBackground(cairo_t* cr, double w, double h) {
    roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 5);
    source(cr, Colour{44, 48, 56, 248});
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    source(cr, style::kAccentDim);
    cairo_stroke(cr);
}

// One routing picture: `count` filter boxes in `mode` (0 stereo, 1 per channel, 2 mid/side).
void routing(cairo_t* cr, double w, double h, int mode, int count, bool active) {
    roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 4);
    source(cr, active ? style::kPanelRaised : style::kField);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    source(cr, active ? style::kAccent : style::kPanelBorder);
    cairo_stroke(cr);
    const int lanes = mode == 0 ? 1 : 2;
    const int perLane = lanes == 1 ? count : std::max(1, (count + 1) / 2);
    const double boxW = 9, boxH = lanes == 1 ? 10 : 8;
    const double span = w - 16;
    for (int lane = 0; lane < lanes; ++lane) {
        const double y = lanes == 1 ? h / 2 : h * (lane == 0 ? 0.32 : 0.68);
        const int boxes = lanes == 1 ? count : (lane == 0 ? perLane : count - perLane);
        source(cr, style::kTextDim);
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, 4, y);
        cairo_line_to(cr, w - 4, y);
        cairo_stroke(cr);
        for (int b = 0; b < boxes; ++b) {
            const double x = 8 + span * (b + 0.5) / std::max(1, boxes) - boxW / 2;
            roundedRect(cr, x, y - boxH / 2, boxW, boxH, 2);
            source(cr, active ? style::kAccent : style::kKnobBodyLight);
            cairo_fill(cr);
        }
    }
    if (lanes == 2) {
        const char* labels = mode == 1 ? "LR" : "MS";
        cairo_select_font_face(cr, style::kFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, 6.5);
        source(cr, style::kTextDim);
        for (int lane = 0; lane < 2; ++lane) {
            const char text[2] = {labels[lane], 0};
            cairo_move_to(cr, 2.5, h * (lane == 0 ? 0.32 : 0.68) - 2);
            cairo_show_text(cr, text);
        }
    }
}

}  // namespace

std::vector<Artwork> allArtwork() {
    std::vector<Artwork> art;
    const char* knobStates[] = {"Normal", "Active", "Pressed"};
    for (int state = 0; state < 3; ++state) {
        art.push_back({std::string("Knob") + knobStates[state], style::kKnobSize, style::kKnobSize,
                       [state](cairo_t* cr, double w, double) { knob(cr, w, state); }});
        art.push_back({std::string("KnobSmall") + knobStates[state], style::kSmallKnobSize, style::kSmallKnobSize,
                       [state](cairo_t* cr, double w, double) { knob(cr, w, state); }});
    }
    art.push_back({"SliderNormal", style::kSliderThumbWidth, style::kSliderThumbHeight,
                   [](cairo_t* cr, double w, double h) { sliderThumb(cr, w, h, false); }});
    art.push_back({"SliderActive", style::kSliderThumbWidth, style::kSliderThumbHeight,
                   [](cairo_t* cr, double w, double h) { sliderThumb(cr, w, h, true); }});
    struct DotStyle {
        const char* name;
        Colour colour;
        bool ring;
    };
    const DotStyle dots[] = {{"DisplayPeak", style::kDot, false},
                             {"DisplayMid", style::kDotLink, true},
                             {"DisplaySelected", style::kDotSelected, false}};
    for (const DotStyle& d : dots) {
        art.push_back({d.name, style::kDotSize, style::kDotSize,
                       [d](cairo_t* cr, double w, double) { dot(cr, w, d.colour, false, d.ring); }});
        art.push_back({std::string(d.name) + "Active", style::kDotSize, style::kDotSize,
                       [d](cairo_t* cr, double w, double) { dot(cr, w, d.colour, true, d.ring); }});
    }
    const double s = style::kIconSize;
    art.push_back({"IconUndo", style::kIconSize, style::kIconSize, [s](cairo_t* cr, double, double) { arrowTurn(cr, s, false); }});
    art.push_back({"IconRedo", style::kIconSize, style::kIconSize, [s](cairo_t* cr, double, double) { arrowTurn(cr, s, true); }});
    art.push_back({"IconMenu", style::kIconSize, style::kIconSize, [s](cairo_t* cr, double, double) {
                       for (double y : {0.3, 0.5, 0.7}) {
                           cairo_move_to(cr, s * 0.2, s * y);
                           cairo_line_to(cr, s * 0.8, s * y);
                       }
                       iconStroke(cr);
                   }});
    art.push_back({"IconClose", style::kIconSize, style::kIconSize, [s](cairo_t* cr, double, double) {
                       cairo_move_to(cr, s * 0.28, s * 0.28);
                       cairo_line_to(cr, s * 0.72, s * 0.72);
                       cairo_move_to(cr, s * 0.72, s * 0.28);
                       cairo_line_to(cr, s * 0.28, s * 0.72);
                       iconStroke(cr);
                   }});
    art.push_back({"IconPrevious", style::kIconSize, style::kIconSize, [s](cairo_t* cr, double, double) {
                       cairo_move_to(cr, s * 0.62, s * 0.25);
                       cairo_line_to(cr, s * 0.36, s * 0.5);
                       cairo_line_to(cr, s * 0.62, s * 0.75);
                       iconStroke(cr);
                   }});
    art.push_back({"IconNext", style::kIconSize, style::kIconSize, [s](cairo_t* cr, double, double) {
                       cairo_move_to(cr, s * 0.38, s * 0.25);
                       cairo_line_to(cr, s * 0.64, s * 0.5);
                       cairo_line_to(cr, s * 0.38, s * 0.75);
                       iconStroke(cr);
                   }});
    art.push_back({"IconLink", style::kIconSize, style::kIconSize, [s](cairo_t* cr, double, double) {
                       roundedRect(cr, s * 0.12, s * 0.36, s * 0.44, s * 0.28, s * 0.14);
                       roundedRect(cr, s * 0.44, s * 0.36, s * 0.44, s * 0.28, s * 0.14);
                       iconStroke(cr);
                   }});
    art.push_back({"IconHelp", style::kIconSize, style::kIconSize, [s](cairo_t* cr, double, double) {
                       cairo_arc(cr, s / 2, s / 2, s * 0.38, 0, 2 * M_PI);
                       iconStroke(cr);
                       cairo_select_font_face(cr, style::kFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
                       cairo_set_font_size(cr, s * 0.55);
                       cairo_text_extents_t e;
                       cairo_text_extents(cr, "?", &e);
                       cairo_move_to(cr, s / 2 - e.x_advance / 2, s * 0.69);
                       cairo_show_text(cr, "?");
                   }});
    art.push_back({"Background", 926, 510, [](cairo_t* cr, double w, double h) { background(cr, w, h); }});
    art.push_back({"HelpHintBackground", 260, 72, [](cairo_t* cr, double w, double h) { hintBackground(cr, w, h); }});
    const char* modes[] = {"Stereo", "PerChannel", "MidSide"};
    for (int mode = 0; mode < 3; ++mode) {
        for (int count = 1; count <= 4; ++count) {
            for (bool active : {false, true}) {
                art.push_back({std::string("Routings") + modes[mode] + std::to_string(count) + (active ? "Active" : ""),
                               style::kRoutingWidth, style::kRoutingHeight, [mode, count, active](cairo_t* cr, double w, double h) {
                                   routing(cr, w, h, mode, count, active);
                               }});
            }
        }
    }
    return art;
}
