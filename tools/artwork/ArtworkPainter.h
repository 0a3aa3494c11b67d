#pragma once
#include <cairo.h>

#include <functional>
#include <string>
#include <vector>

// The editor's images: each a name, a logical size and a drawing in logical pixels.
struct Artwork {
    std::string name;  // without ".png"
    int width;
    int height;
    std::function<void(cairo_t*, double width, double height)> draw;
};

std::vector<Artwork> allArtwork();
