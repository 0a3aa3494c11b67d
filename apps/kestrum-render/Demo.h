#pragma once
#include <iosfwd>
#include <string>

// The built-in demo: a synthesised loop and its rendering through a showcase setting (a table of
// parameter names and value texts in Demo.cpp, applied in order to a fresh stereo instance).
namespace Demo {

// Creates `folder` if needed and writes demo-input.wav and demo-output.wav into it, one line per
// written file on `out`. Returns 0, or 2 after one line on `err` when the folder cannot be created
// or written or a setting is refused.
int write(const std::string& folder, std::ostream& out, std::ostream& err);

}  // namespace Demo
