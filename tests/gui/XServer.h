#pragma once
#include <string>

// An Xvfb server of the test process's own, started on first use on a free display number and
// stopped when the process ends. Window tests call display() and skip when it is empty.
class XServer {
public:
    static const std::string& display();
};
