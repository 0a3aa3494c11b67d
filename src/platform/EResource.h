#pragma once
#include <stdexcept>
#include <string>

// Raised when a named resource is neither embedded in the program nor present as a file. The
// message is always "Resource not found"; the name asked for is kept for diagnostics.
class EResource : public std::runtime_error {
public:
    explicit EResource(std::string name) : std::runtime_error("Resource not found"), name_(std::move(name)) {}
    const std::string& name() const { return name_; }

private:
    std::string name_;
};
