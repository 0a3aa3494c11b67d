#pragma once
#include <stdexcept>
#include <string>

namespace gui {

// Raised for every image decoding failure; what() is the message shown to developers and tests.
class EBitmap : public std::runtime_error {
public:
    explicit EBitmap(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace gui
