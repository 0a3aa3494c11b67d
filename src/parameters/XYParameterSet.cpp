#include "parameters/XYParameterSet.h"

XYParameterSet::XYParameterSet(GenericParameterOwner* owner, const std::string& name)
    : PluginParameterSet(owner, name), hor(this, memberName(" Hor")), ver(this, memberName(" Ver")) {}

void XYParameterSet::configure() {
    hor.setRange(-1.0f, 1.0f, 0.0f);
    hor.setHelpText(
        "The horizontal position of the XY controller, from -1 (left) to 1 (right). Drag the handle of the XY pad, or "
        "automate this parameter, to modulate every target connected to the horizontal output.");

    ver.setRange(-1.0f, 1.0f, 0.0f);
    ver.setHelpText(
        "The vertical position of the XY controller, from -1 (bottom) to 1 (top). Drag the handle of the XY pad, or "
        "automate this parameter, to modulate every target connected to the vertical output.");
}
