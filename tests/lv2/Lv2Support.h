#pragma once
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "RenderJob.h"

class AbstractPluginParameter;
class GenericPlugin;
class KestrumPlugin;

// Settings as the renderer's --set takes them ("NAME=TEXT"), given as display numbers or item
// names so that a port carries exactly the same number.
using Settings = std::vector<std::string>;

namespace lv2test {

// A reproducible test signal: a saw with noise, different on each channel.
std::vector<std::vector<float>> signal(int channels, size_t frames, uint32_t seed = 1);
// What kestrum-render produces for the settings (same library, same host buffers).
std::vector<std::vector<float>> renderReference(const std::vector<std::vector<float>>& input, int channels,
                                                const Settings& settings, int block, double rate = 48000.0,
                                                float tempo = 120.0f);
// The (symbol, port value) pairs that ask an LV2 instance for the same settings.
std::vector<std::pair<std::string, float>> portValues(const Settings& settings);
bool allFinite(const std::vector<std::vector<float>>& audio);
// The parameter of that exact name (the test fails with an exception when there is none).
AbstractPluginParameter& parameterNamed(GenericPlugin& plugin, const std::string& name);
// The bundle in the build tree.
std::string bundle();

}  // namespace lv2test
