#include "filters/MultiDesignFilter.h"

#include <algorithm>

const MultiDesignFilter::Characteristic MultiDesignFilter::kCharacteristics[kTableCharacteristics] = {
    {"Zelvatrix One", "One.fil", 1.8f}, {"Smooth", "Smooth.fil", 1.0f},     {"Raw", "Raw.fil", 1.0f},
    {"Hard", "Monopoly.fil", 1.4f},     {"Hollow", "Cheap.fil", 1.0f},      {"Extreme", "Extreme.fil", 1.0f},
    {"Gentle", "Gentle.fil", 1.0f},     {"Tube", "Tube.fil", 1.0f},         {"Metal", "Metal.fil", 1.0f},
    {"Easy Going", "EasyGoing.fil", 1.0f},
};

std::string MultiDesignFilter::characteristicItems() {
    std::string items;
    for (const Characteristic& c : kCharacteristics) {
        items += c.name;
        items += ',';
    }
    return items + kCleanName;
}

// ---- style list ----

MultiDesignFilter::Style::~Style() {
    for (DesignFilter::Style* style : styles_) delete style;
    styles_.clear();
}

DesignFilter::Style& MultiDesignFilter::Style::add(const std::string& name, float inputGain) {
    auto style = std::make_unique<DesignFilter::Style>(name, inputGain);
    styles_.push_back(style.get());
    return *style.release();
}

void MultiDesignFilter::Style::addCharacteristics() {
    for (const Characteristic& c : kCharacteristics) add(c.resource, c.inputGain);
}

const MultiDesignFilter::Style& MultiDesignFilter::Style::shared() {
    static const Style* styles = [] {
        auto* list = new Style();  // lives until the program is unloaded
        list->addCharacteristics();
        return list;
    }();
    return *styles;
}

// ---- parallel unit ----

MultiDesignFilter::ParallelUnit::ParallelUnit(wave::Environment& environment, const Style& styles)
    : environment_(environment),
      designFilter_(std::make_unique<DesignFilter>(environment, styles[0])),
      cleanGroup_(std::make_unique<BiQuadGroup>()),
      styles_(styles) {}

// ---- filter ----

MultiDesignFilter::MultiDesignFilter(ParallelUnit& unit)
    : GenericFilter(unit.getEnvironment()),
      designFilter_(unit.designFilter()),
      clean_(std::make_unique<BiQuadFilter>(unit.getEnvironment())),
      styles_(unit.styles()) {
    entries_.reserve(kCharacteristicCount);
    for (int i = 0; i < kTableCharacteristics; ++i) entries_.push_back({nullptr, &designFilter_, i});
    entries_.push_back({clean_.get(), &unit.cleanGroup(), -1});
    joinGroup(&designFilter_);
}

MultiDesignFilter::~MultiDesignFilter() { leaveGroup(); }

void MultiDesignFilter::propertyChanged(PropertyBase* property) {
    if (property == &characteristic) selectCharacteristic(characteristic.get());
}

void MultiDesignFilter::selectCharacteristic(int index) {
    index = std::clamp(index, 0, static_cast<int>(entries_.size()) - 1);
    const Entry& entry = entries_[static_cast<size_t>(index)];
    if (entry.unit) setUnit(entry.unit);
    if (entry.group) {
        if (getGroup() != entry.group) joinGroup(entry.group);
    } else {
        leaveGroup();
    }
    if (entry.group == &designFilter_) designFilter_.setStyle(styles_[entry.styleIndex]);
}
