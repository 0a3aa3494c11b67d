#include "presets/ParameterCollection.h"

ParameterCollection ParameterCollection::allParameters(GenericPlugin& plugin) {
    ParameterCollection collection(plugin);
    const int n = plugin.getNumParameters();
    for (int i = 0; i < n; ++i) collection.add(plugin.getParameter(i));
    return collection;
}
