#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/wave/Producer.h"
#include "parameters/ParameterText.h"
#include "parameters/PiecewiseLinearCurve.h"
#include "support/SetsTestPlugin.h"

namespace {

std::vector<std::string> allNames(SetsTestPlugin& plugin) {
    std::vector<std::string> names;
    for (int i = 0; i < plugin.getNumParameters(); ++i) names.push_back(plugin.getParameter(i)->getName());
    return names;
}

int idOf(SetsTestPlugin& plugin, const std::string& name) {
    for (int i = 0; i < plugin.getNumParameters(); ++i) {
        if (plugin.getParameter(i)->getName() == name) return i;
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Names and ids

TEST(ParameterSets, MembersAreNamedAfterTheirSetAndListsAfterTheirName) {
    SetsTestPlugin plugin;
    EXPECT_EQ(plugin.filters.at(0).freq.getName(), "Filter 1 Freq");
    EXPECT_EQ(plugin.filters.at(3).linked.getName(), "Filter 4 Linked");
    EXPECT_EQ(plugin.xlfos.at(0).steps.at(0).value.getName(), "XLFO 1 Step 1 Value");
    EXPECT_EQ(plugin.xlfos.at(5).steps.at(15).glideFunction.getName(), "XLFO 6 Step 16 Glide function");
    EXPECT_EQ(plugin.xlfos.at(1).steps.getNumActive().getName(), "Num Active XLFO 2 Steps");
    EXPECT_EQ(plugin.xlfoExtensions.at(0).phaseOffset.getName(), "XLFO 1 Phase Offset");
    EXPECT_EQ(plugin.egExtensions.at(5).delay.getName(), "EG 6 Delay");
    EXPECT_EQ(plugin.efs.at(3).release.getName(), "EF 4 Release");
    EXPECT_EQ(plugin.midiSources.at(9).controllerNumber.getName(), "MIDI Source 10 Controller Number");
    EXPECT_EQ(plugin.midiSources.at(9).getShortLabel(), "MS 10");
    EXPECT_EQ(plugin.midiExtensions.at(9).responseCurve.getName(), "MIDI Source 10 Response Curve");
    EXPECT_EQ(plugin.xyControllers.at(3).ver.getName(), "XY Controller 4 Ver");
    EXPECT_EQ(plugin.slots.at(0).level.getName(), "Slot 1 Level");
    EXPECT_EQ(plugin.slots.at(23).target.getName(), "Slot 24 Target");

    EXPECT_EQ(plugin.filters.getNumActive().getName(), "Num Active Filters");
    EXPECT_EQ(plugin.midiSources.getNumActive().getName(), "Num Active MIDI Sources");
    EXPECT_EQ(plugin.xyControllers.getNumActive().getName(), "Num Active XY Controllers");
    EXPECT_EQ(plugin.slots.getNumActive().getName(), "Num Active Slots");

    // Host names are unique, so automation lanes can be told apart.
    std::vector<std::string> names = allNames(plugin);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());

    // A set's group index is the index of its name; extension sets share their item's name.
    EXPECT_EQ(plugin.getNames()[static_cast<size_t>(plugin.xlfos.at(2).getGroupIndex())], "XLFO 3");
    EXPECT_EQ(plugin.xlfoExtensions.at(2).getGroupIndex(), plugin.xlfos.at(2).getGroupIndex());
}

TEST(ParameterSets, IdsFollowTheProductOrderAndAreConsecutivePerList) {
    SetsTestPlugin plugin;
    for (int i = 0; i < plugin.getNumParameters(); ++i) ASSERT_EQ(plugin.getParameter(i)->getId(), i);

    // Seven product parameters, then the lists; the list's "Num Active" precedes its sets.
    EXPECT_EQ(plugin.filters.firstId(), 7);
    EXPECT_EQ(plugin.filters.at(0).freq.getId(), 8);
    EXPECT_EQ(plugin.filters.at(3).linked.getId(), 7 + 4 * 9);
    // XLFO set: six members, then its step list (Num Active and 16 steps of 4).
    const int xlfoSize = 6 + 1 + 16 * 4;
    EXPECT_EQ(plugin.xlfos.firstId(), 44);
    EXPECT_EQ(plugin.xlfos.at(0).getNumParameters(), xlfoSize);
    EXPECT_EQ(plugin.xlfos.at(0).steps.getNumActive().getId(), 45 + 6);
    EXPECT_EQ(plugin.xlfos.at(0).steps.at(0).value.getId(), 45 + 7);
    EXPECT_EQ(plugin.egs.firstId(), 45 + 6 * xlfoSize);
    EXPECT_EQ(idOf(plugin, "Receive MIDI"), plugin.midiSources.firstId() + 1 + 10 * 2);
    EXPECT_EQ(plugin.slots.firstId(), idOf(plugin, "Audition Signal") + 1);
    EXPECT_EQ(plugin.xlfoExtensions.firstId(), plugin.xyControllers.firstId() + 1 + 4 * 2);
    EXPECT_EQ(plugin.midiExtensions.firstId() + 10, plugin.getNumParameters());

    for (AbstractParameterSetArray* array : plugin.allArrays()) {
        std::vector<AbstractPluginParameter*> collected;
        array->collectParameters(collected);
        ASSERT_FALSE(collected.empty());
        EXPECT_EQ(collected.front()->getId(), array->firstId());
        for (size_t i = 1; i < collected.size(); ++i) EXPECT_EQ(collected[i]->getId(), collected[i - 1]->getId() + 1);
        EXPECT_TRUE(array->containsId(collected.back()->getId()));
        EXPECT_FALSE(array->containsId(collected.back()->getId() + 1));
        EXPECT_FALSE(array->containsId(array->firstId() - 1));
    }
    // A list also answers for its extensions.
    EXPECT_TRUE(plugin.xlfos.containsId(plugin.xlfoExtensions.at(5).snap.getId()));
    EXPECT_FALSE(plugin.filters.containsId(plugin.xlfoExtensions.at(5).snap.getId()));
}

TEST(ParameterSets, NumActiveRangesAndDefaults) {
    SetsTestPlugin plugin;
    struct Expected {
        AbstractParameterSetList* list;
        int minimum, maximum, defaultValue;
    };
    const Expected expected[] = {
        {&plugin.filters, 1, 4, 1},       {&plugin.xlfos, 0, 6, 0},         {&plugin.egs, 0, 6, 0},
        {&plugin.efs, 0, 4, 0},           {&plugin.midiSources, 0, 10, 0},  {&plugin.xyControllers, 0, 4, 0},
        {&plugin.slots, 0, 24, 0},        {&plugin.xlfos.at(0).steps, 1, 16, 2},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.list->getName());
        EXPECT_FLOAT_EQ(e.list->getNumActive().getMinimum(), static_cast<float>(e.minimum));
        EXPECT_FLOAT_EQ(e.list->getNumActive().getMaximum(), static_cast<float>(e.maximum));
        EXPECT_EQ(e.list->getActiveCount(), e.defaultValue);
        EXPECT_EQ(e.list->getNumSets(), e.maximum);
    }
}

// ---------------------------------------------------------------------------------------------
// Ranges, defaults and display chains

TEST(ParameterSets, FilterMembersShowFrequencyPanDelayAndItems) {
    SetsTestPlugin plugin;
    FilterParameterSet& f = plugin.filters.at(0);
    // Freq: 0..1 over log2 Hz; the default is the top frequency.
    EXPECT_FLOAT_EQ(f.freq.getDefaultValue(), 1.0f);
    EXPECT_NEAR(f.freq.valueToDisplay(1.0f), std::exp2(16.2064f), 1.0f);
    EXPECT_NEAR(f.freq.valueToDisplay(0.0f), 4.812f, 0.01f);
    EXPECT_EQ(f.freq.formatValue(1.0f), formatFrequency(std::exp2(16.2064f)) + " Hz");
    EXPECT_NEAR(f.freq.plainValue(0.5f), (2.2666f + 16.2064f) / 2, 1e-4f);
    float parsed = 0.0f;
    ASSERT_TRUE(f.freq.parseText("1 kHz", parsed));
    EXPECT_NEAR(f.freq.valueToDisplay(parsed), 1000.0f, 0.5f);

    // Pan: +-3.5 octaves shown as +-1.
    EXPECT_FLOAT_EQ(f.pan.getMinimum(), -3.5f);
    EXPECT_NEAR(f.pan.valueToDisplay(3.5f), 1.0f, 1e-6f);
    EXPECT_NEAR(f.pan.valueToDisplay(-1.75f), -0.5f, 1e-6f);
    ASSERT_TRUE(f.pan.parseText("-0.5", parsed));
    EXPECT_NEAR(parsed, -1.75f, 1e-5f);

    // Delay: the middle of the knob is 0.16 of 50 ms.
    EXPECT_NEAR(f.delay.valueToDisplay(0.5f), 8.0f, 1e-4f);
    EXPECT_EQ(f.delay.formatValue(1.0f), "50.000 ms");
    ASSERT_TRUE(f.delay.parseText("8 ms", parsed));
    EXPECT_NEAR(parsed, 0.5f, 1e-5f);

    EXPECT_FLOAT_EQ(f.characteristic.getValue(), 6.0f);
    // The characteristic names are the filters' and come with the product (ProductParameters).
    EXPECT_EQ(f.response.formatValue(2.0f), "BP");
    EXPECT_FLOAT_EQ(f.slope.getMinimum(), 1.0f);
    ASSERT_TRUE(f.slope.parseText("24", parsed));
    EXPECT_FLOAT_EQ(parsed, 2.0f);
    EXPECT_EQ(f.slope.appliedValue(3.0f), FilterEnums::Slope48);
    EXPECT_TRUE(f.enabled.getStoredValue());
    EXPECT_EQ(f.enabled.formatValue(0.0f), "Disabled");
    EXPECT_EQ(f.linked.formatValue(1.0f), "Linked");
}

TEST(ParameterSets, ModulationSourceMembersShowTheirUnits) {
    SetsTestPlugin plugin;
    XLFOParameterSet& x = plugin.xlfos.at(0);
    // The LFO frequency defaults to 1 Hz.
    EXPECT_NEAR(x.frequency.valueToDisplay(x.frequency.getDefaultValue()), 1.0f, 1e-4f);
    EXPECT_EQ(x.frequency.formatValue(x.frequency.getDefaultValue()), "1.000 Hz");
    EXPECT_NEAR(x.frequency.valueToDisplay(1.0f), 500.0f, 1e-3f);
    EXPECT_NEAR(x.frequency.valueToDisplay(0.0f), 0.02f, 1e-6f);
    EXPECT_NEAR(x.frequencyOffset.valueToDisplay(1.0f), 2.0f, 1e-6f);
    EXPECT_NEAR(x.frequencyOffset.valueToDisplay(-1.0f), 0.5f, 1e-6f);
    EXPECT_FLOAT_EQ(x.balance.getDefaultValue(), 0.5f);
    EXPECT_EQ(x.syncMode.formatValue(7.0f), "1/4");
    EXPECT_EQ(x.syncMode.appliedValue(11.0f), XLFOEnums::SixtyFourth);
    EXPECT_EQ(x.midiTrigger.formatValue(1.0f), "On");
    auto& step = x.steps.at(3);
    EXPECT_FLOAT_EQ(step.value.getMinimum(), -1.0f);
    EXPECT_EQ(step.glideFunction.formatValue(2.0f), "Sqrt");
    EXPECT_EQ(step.random.formatValue(1.0f), "Random");
    EXPECT_EQ(plugin.xlfoExtensions.at(0).snap.formatValue(1.0f), "Snap");

    EGParameterSet& eg = plugin.egs.at(0);
    EXPECT_FLOAT_EQ(eg.threshold.getDefaultValue(), 0.3f);
    EXPECT_NEAR(eg.threshold.valueToDisplay(0.5f), 0.16f, 1e-6f);
    EXPECT_EQ(eg.triggering.formatValue(2.0f), "MIDI");
    // Sustain is a level shown in decibels.
    EXPECT_EQ(eg.sustain.formatValue(1.0f), "0.00 dB");
    EXPECT_EQ(eg.sustain.formatValue(0.5f), "-6.02 dB");
    EXPECT_EQ(eg.sustain.formatValue(0.0f), "-INF dB");
    float parsed = 0.0f;
    ASSERT_TRUE(eg.sustain.parseText("-6", parsed));
    EXPECT_NEAR(parsed, 0.50119f, 1e-4f);
    // Times on the time curve: half the knob is 0.1 of the range.
    EXPECT_EQ(eg.attack.formatValue(1.0f), "3.000 sec");
    EXPECT_NEAR(eg.decay.valueToDisplay(0.5f), 0.5f, 1e-5f);
    ASSERT_TRUE(eg.release.parseText("500 ms", parsed));
    EXPECT_NEAR(parsed, 0.5f, 1e-5f);
    EXPECT_NEAR(plugin.egExtensions.at(0).hold.valueToDisplay(1.0f), 19.0f, 1e-4f);
    EXPECT_NEAR(plugin.egExtensions.at(0).delay.valueToDisplay(0.5f), 0.8f, 1e-5f);

    EFParameterSet& ef = plugin.efs.at(0);
    EXPECT_NEAR(ef.attack.valueToDisplay(0.0f), 0.001f, 1e-7f);
    EXPECT_NEAR(ef.release.valueToDisplay(1.0f), 5.0f, 1e-5f);
    EXPECT_EQ(ef.input.formatValue(1.0f), "Side Chain");

    MidiSourceParameterSet& ms = plugin.midiSources.at(0);
    EXPECT_EQ(ms.input.formatValue(4.0f), "KB Track");
    EXPECT_TRUE(ms.controllerNumber.isNumeric());
    EXPECT_EQ(ms.controllerNumber.formatValue(74.0f), "74");
    EXPECT_EQ(plugin.midiExtensions.at(0).responseCurve.formatValue(5.0f), "Sine");

    XYParameterSet& xy = plugin.xyControllers.at(0);
    EXPECT_FLOAT_EQ(xy.hor.getMinimum(), -1.0f);
    EXPECT_FLOAT_EQ(xy.ver.getMaximum(), 1.0f);
}

TEST(ParameterSets, EveryMemberButFilterEnabledAndCountsHasHelp) {
    SetsTestPlugin plugin;
    for (AbstractParameterSetArray* array : plugin.allArrays()) {
        for (int i = 0; i < array->getNumSets(); ++i) {
            for (AbstractPluginParameter* p : array->getSet(i)->getMembers()) {
                const bool isEnabledSwitch = p->getName().ends_with(" Enabled");
                const bool isCount = p->getName().starts_with("Num Active");
                if (isEnabledSwitch) {
                    EXPECT_TRUE(p->getHelpText().empty()) << p->getName();
                } else if (!isCount) {
                    EXPECT_GT(p->getHelpText().size(), 40u) << p->getName();
                }
            }
        }
    }
    // The delay help text states the knob's real range.
    EXPECT_NE(plugin.filters.at(0).delay.getHelpText().find("50 milliseconds"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// Curves

TEST(ParameterCurves, PassThroughTheirPointsAndInvert) {
    const PiecewiseLinearCurve* curves[] = {&PiecewiseLinearCurve::delay(), &PiecewiseLinearCurve::time(),
                                            &PiecewiseLinearCurve::lfoFrequency()};
    const PiecewiseLinearCurve* inverses[] = {&PiecewiseLinearCurve::delayInverse(), &PiecewiseLinearCurve::timeInverse(),
                                              &PiecewiseLinearCurve::lfoFrequencyInverse()};
    for (int c = 0; c < 3; ++c) {
        const PiecewiseLinearCurve& curve = *curves[c];
        const PiecewiseLinearCurve& inverse = *inverses[c];
        for (size_t i = 0; i < curve.xs().size(); ++i) {
            EXPECT_FLOAT_EQ(curve(curve.xs()[i]), curve.ys()[i]);
            EXPECT_FLOAT_EQ(inverse(curve.ys()[i]), curve.xs()[i]);
            if (i + 1 < curve.xs().size()) {
                // Half way between two points is half way between their outputs.
                const float mx = (curve.xs()[i] + curve.xs()[i + 1]) / 2;
                EXPECT_NEAR(curve(mx), (curve.ys()[i] + curve.ys()[i + 1]) / 2, 1e-6f);
            }
        }
        for (float x = 0.0f; x <= curve.xs().back(); x += 0.01f) EXPECT_NEAR(inverse(curve(x)), x, 2e-5f) << x;
    }
    EXPECT_FLOAT_EQ(PiecewiseLinearCurve::delay()(0.5f), 0.16f);
    EXPECT_FLOAT_EQ(PiecewiseLinearCurve::delayInverse()(0.16f), 0.5f);
}

TEST(ParameterCurves, EndsAndSymmetry) {
    const PiecewiseLinearCurve& delay = PiecewiseLinearCurve::delay();
    EXPECT_FLOAT_EQ(delay(-0.5f), -0.16f);
    EXPECT_FLOAT_EQ(delay(-0.8f), -delay(0.8f));
    EXPECT_FLOAT_EQ(delay(1.7f), 1.0f);
    EXPECT_FLOAT_EQ(delay(-3.0f), -1.0f);
    EXPECT_FLOAT_EQ(PiecewiseLinearCurve::delayInverse()(-0.16f), -0.5f);

    const PiecewiseLinearCurve& time = PiecewiseLinearCurve::time();
    EXPECT_FLOAT_EQ(time(-0.3f), 0.0f);
    EXPECT_FLOAT_EQ(time(1.2f), 1.0f);

    const PiecewiseLinearCurve& lfo = PiecewiseLinearCurve::lfoFrequency();
    EXPECT_FLOAT_EQ(lfo(-1.0f), 0.0f);
    EXPECT_FLOAT_EQ(lfo(0.99f), 1.0f);
    EXPECT_FLOAT_EQ(PiecewiseLinearCurve::lfoFrequencyInverse()(1.0f), 0.98f);
    EXPECT_NEAR(PiecewiseLinearCurve::lfoFrequencyInverse()(0.00196008f), 0.248004f, 1e-6f);

    // A broken input never becomes a broken output.
    EXPECT_FLOAT_EQ(delay(NAN), 0.0f);
    EXPECT_FLOAT_EQ(time(INFINITY), 1.0f);
    EXPECT_FLOAT_EQ(delay(-INFINITY), -1.0f);
}

// ---------------------------------------------------------------------------------------------
// Target parameters and the target table

TEST(ModulationTargets, EveryTargetIndexHoldsItsParameter) {
    SetsTestPlugin plugin;
    for (int t = 0; t < AbstractModulationOwner::kNumTargets; ++t) {
        ModulationTargetParameter* p = plugin.getTargetParameter(t);
        ASSERT_NE(p, nullptr) << t;
        EXPECT_EQ(p->getTarget(), t);
        EXPECT_TRUE(p->isRegistered());
    }
    EXPECT_EQ(plugin.getTargetParameter(0)->getName(), "Filter 1 Freq");
    EXPECT_EQ(plugin.getTargetParameter(15)->getName(), "Filter 4 Delay");
    EXPECT_EQ(plugin.getTargetParameter(18)->getName(), "XLFO 1 Glide");
    EXPECT_EQ(plugin.getTargetParameter(19)->getName(), "XLFO 1 Phase Offset");
    EXPECT_EQ(plugin.getTargetParameter(42)->getName(), "EG 1 Sustain");
    EXPECT_EQ(plugin.getTargetParameter(45)->getName(), "EG 1 Delay");
    EXPECT_EQ(plugin.getTargetParameter(83)->getName(), "EF 4 Release");
    EXPECT_EQ(plugin.getTargetParameter(88)->getName(), "Mix");
    EXPECT_EQ(plugin.getTargetParameter(112)->getName(), "Slot 24 Level");
    EXPECT_EQ(plugin.getTargetParameter(113), nullptr);
    EXPECT_EQ(plugin.getTargetParameter(-1), nullptr);
}

TEST(ModulationTargets, TakenOrInvalidIndicesAreRefusedAndFreedOnDestruction) {
    SetsTestPlugin plugin;
    ModulationTargetParameter* original = plugin.getTargetParameter(5);
    {
        ModulationTargetParameter duplicate(&plugin, "Duplicate", &plugin, 5);
        EXPECT_FALSE(duplicate.isRegistered());
        EXPECT_EQ(plugin.getTargetParameter(5), original);
        ModulationTargetParameter outside(&plugin, "Outside", &plugin, 113);
        EXPECT_FALSE(outside.isRegistered());
    }
    // The refused duplicate did not take the original's entry with it.
    EXPECT_EQ(plugin.getTargetParameter(5), original);

    ModulationMatrixOwner owner;
    {
        ModulationTargetParameter p(&plugin, "Temporary", &owner, 7);
        EXPECT_EQ(owner.getTargetParameter(7), &p);
    }
    EXPECT_EQ(owner.getTargetParameter(7), nullptr);
}

TEST(ModulationTargets, AppliedValuesReachTheOwnerInPlainUnits) {
    SetsTestPlugin plugin;
    ModulationTargetParameter& delay = plugin.filters.at(1).delay;
    delay.applyValue(0.5f);
    ASSERT_EQ(plugin.applied.size(), 1u);
    EXPECT_EQ(plugin.applied[0].first, 7);
    EXPECT_NEAR(plugin.applied[0].second, 8.0f, 1e-5f);  // ms

    // The queued change of a real setValue arrives the same way.
    plugin.applied.clear();
    plugin.filters.at(0).freq.setValue(0.0f, 0);
    plugin.applyQueuedChanges();
    ASSERT_EQ(plugin.applied.size(), 1u);
    EXPECT_EQ(plugin.applied[0].first, 0);
    EXPECT_NEAR(plugin.applied[0].second, 2.2666f, 1e-5f);  // log2 Hz

    // Plain values go back through the inverse curve.
    delay.setPlainValue(40.0f, 0);
    EXPECT_NEAR(delay.getPlainValue(), 40.0f, 1e-3f);
    plugin.slots.at(0).level.setPlainValue(0.16f, 0);
    EXPECT_NEAR(plugin.slots.at(0).level.getValue(), 0.5f, 1e-6f);
    const float before = delay.getValue();
    delay.setPlainValue(NAN, 0);
    EXPECT_FLOAT_EQ(delay.getValue(), before);
}

// ---------------------------------------------------------------------------------------------
// Num Active and the items' producers

class IdleSource : public wave::Source {
public:
    using wave::Source::Source;
    void render(wave::Buffer&, int, int) override {}
};

TEST(NumActive, SwitchesTheProducersOfInactiveItemsOff) {
    SetsTestPlugin plugin;
    auto& numActive = plugin.xlfos.getNumActive();
    std::vector<std::unique_ptr<IdleSource>> producers;
    for (int c = 0; c < 2; ++c) {
        for (int j = 0; j < 6; ++j) {
            producers.push_back(std::make_unique<IdleSource>(plugin.getEnvironment()));
            numActive.setItemProducer(c, j, producers.back().get());
        }
    }
    // Registration takes the current count (none active).
    for (const auto& p : producers) EXPECT_FALSE(p->isEnabled());

    auto enabledCount = [&](int channel) {
        int n = 0;
        for (int j = 0; j < 6; ++j) n += numActive.getItemProducer(channel, j)->isEnabled() ? 1 : 0;
        return n;
    };
    numActive.setValue(3.0f, 0);
    plugin.applyQueuedChanges();
    EXPECT_EQ(enabledCount(0), 3);
    EXPECT_EQ(enabledCount(1), 3);
    EXPECT_TRUE(numActive.getItemProducer(1, 2)->isEnabled());
    EXPECT_FALSE(numActive.getItemProducer(1, 3)->isEnabled());

    // Removing an item lowers the count and disables the freed producer.
    plugin.xlfos.removeItem(0);
    plugin.applyQueuedChanges();
    EXPECT_EQ(enabledCount(0), 2);
    EXPECT_FALSE(numActive.getItemProducer(0, 2)->isEnabled());

    numActive.setValue(6.0f, 0);
    plugin.applyQueuedChanges();
    EXPECT_EQ(enabledCount(0), 6);

    // Out-of-range registrations are ignored.
    IdleSource extra(plugin.getEnvironment());
    numActive.setItemProducer(2, 0, &extra);
    numActive.setItemProducer(0, 6, &extra);
    EXPECT_EQ(numActive.getItemProducer(2, 0), nullptr);
    EXPECT_EQ(numActive.getItemProducer(0, 6), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Resetting and plain list removal (no modulation involved)

TEST(ParameterSetLists, ResetAllKeepsTheCountAndResetsExtensions) {
    SetsTestPlugin plugin;
    PropPluginParameter<bool>& snap = plugin.xlfoExtensions.at(2).snap;
    plugin.xlfos.getNumActive().setValue(3.0f, 0);
    plugin.xlfos.at(2).balance.setValue(0.9f, 0);
    plugin.xlfos.at(2).steps.at(5).value.setValue(-0.7f, 0);
    snap.setValue(1.0f, 0);
    plugin.xlfos.resetAll();
    EXPECT_EQ(plugin.xlfos.getActiveCount(), 3);
    EXPECT_FLOAT_EQ(plugin.xlfos.at(2).balance.getValue(), 0.5f);
    EXPECT_FLOAT_EQ(plugin.xlfos.at(2).steps.at(5).value.getValue(), 0.0f);
    EXPECT_FALSE(snap.getStoredValue());
}

TEST(ParameterSetLists, RemovingAStepMovesTheLaterStepsDown) {
    SetsTestPlugin plugin;
    auto& steps = plugin.xlfos.at(1).steps;
    steps.getNumActive().setValue(4.0f, 0);
    for (int s = 0; s < 4; ++s) steps.at(s).value.setValue(0.1f * static_cast<float>(s + 1), 0);
    steps.at(3).random.setValue(1.0f, 0);
    steps.removeItem(1);
    EXPECT_EQ(steps.getActiveCount(), 3);
    EXPECT_FLOAT_EQ(steps.at(0).value.getValue(), 0.1f);
    EXPECT_FLOAT_EQ(steps.at(1).value.getValue(), 0.3f);
    EXPECT_FLOAT_EQ(steps.at(2).value.getValue(), 0.4f);
    EXPECT_TRUE(steps.at(2).random.getStoredValue());
    // The freed step is back at its defaults.
    EXPECT_FLOAT_EQ(steps.at(3).value.getValue(), 0.0f);
    EXPECT_FALSE(steps.at(3).random.getStoredValue());

    // The last step can't go; neither can an inactive one.
    steps.getNumActive().setValue(1.0f, 0);
    steps.removeItem(0);
    steps.removeItem(5);
    EXPECT_EQ(steps.getActiveCount(), 1);
    EXPECT_FLOAT_EQ(steps.at(0).value.getValue(), 0.1f);
}

}  // namespace
