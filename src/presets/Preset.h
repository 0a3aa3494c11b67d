#pragma once
#include <string>

// One preset file of a scanned folder tree.
struct Preset {
    std::string path;   // the full file path
    std::string name;   // the file name without folder and extension
    std::string label;  // "(bank/program) name", built when the list is numbered
    int bank = -1;      // -1 until numbered
    int program = -1;
};
