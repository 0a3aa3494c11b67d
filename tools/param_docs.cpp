// Prints the parameter reference (docs/parameters.md) of the product as markdown.
//   kestrum_param_docs > docs/parameters.md
#include <iostream>

#include "product/KestrumPlugin.h"
#include "product/ParameterDocs.h"

int main() {
    KestrumPlugin plugin(2);
    std::cout << ParameterDocs::markdown(plugin);
    return std::cout.good() ? 0 : 1;
}
