#pragma once
#include <stdexcept>
#include <string>

namespace gui {

// Raised when a named resource is not embedded in the program.
class EResource : public std::runtime_error {
public:
    explicit EResource(std::string name) : std::runtime_error("Resource not found"), name_(std::move(name)) {}
    const std::string& getName() const { return name_; }

private:
    std::string name_;
};

}  // namespace gui
