#include "filters/DesignFilter.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/BinaryDataReader.h"
#include "platform/BinaryResourceReader.h"

namespace {

// One file's content, read completely before the style accepts any of it.
struct StyleFile {
    float clipShape = 0.0f;
    float freqMin = 0.0f;
    float freqMax = 0.0f;
    int sizes[3] = {0, 0, 0};
    std::vector<float> tables[3];  // drive, saturation, resonance; row-major
};

bool allFinite(const std::vector<float>& values) {
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

}  // namespace

// ---- style ----

DesignFilter::Style::Style(const std::string& resourceName, float inputGain)
    : resourceName_(resourceName),
      clipTable_(kDefaultClipShape),
      driveTable_(std::make_unique<FilterSettingTable>()),
      saturationTable_(std::make_unique<FilterSettingTable>()),
      inputGain_(std::isfinite(inputGain) && inputGain > 0.0f ? inputGain : 1.0f),
      resonanceTable_(std::make_unique<FilterSettingTable>()) {
    updateFreqScale();
    if (resourceName.empty()) {
        fillDefaults();
    } else {
        BinaryResourceReader reader(resourceName, ResourceStore::Match::StripExtension);
        load(reader);
    }
}

DesignFilter::Style::~Style() = default;

void DesignFilter::Style::updateFreqScale() {
    const float range = freqMax.get() - freqMin.get();
    freqScale_ = range > 0.0f ? static_cast<float>(gridSize.get() - 1) / range : 0.0f;
}

void DesignFilter::Style::propertyChanged(PropertyBase* property) {
    if (property == &clipShape) {
        clipTable_.setShape(clipShape);
    } else if (property == &freqMin || property == &freqMax) {
        updateFreqScale();
        fillDefaults();
    } else if (property == &gridSize) {
        const int n = std::clamp(gridSize.get(), 2, FilterSettingTable::kMaxSize);
        gridSize.setSilently(n);
        resonanceTable_->size.set(n);
        saturationTable_->size.set(n);
        driveTable_->size.set(n);
        updateFreqScale();
        fillDefaults();
    }
}

bool DesignFilter::Style::load(BinaryDataReader& reader) {
    if (readHeader(reader) != "ZXil") return false;
    const int version = reader.getVersion();
    StyleFile file;
    file.clipShape = reader.readFloat();
    file.freqMin = reader.readFloat();
    file.freqMax = reader.readFloat();
    const int n = gridSize.get();
    for (int t = 0; t < 3; ++t) {
        file.sizes[t] = reader.readInt();
        // Only a table of the style's own size is read; anything else is damaged data, and a
        // damaged size must not decide how much is allocated.
        if (file.sizes[t] != n || !reader.good()) return false;
        file.tables[t].resize(static_cast<size_t>(n) * n);
        for (float& v : file.tables[t]) v = reader.readFloat();
    }
    if (!reader.good()) return false;  // short file
    if (!std::isfinite(file.clipShape) || !(file.clipShape > 0.0f)) return false;
    if (!std::isfinite(file.freqMin) || !std::isfinite(file.freqMax) || !(file.freqMax > file.freqMin)) return false;
    for (const auto& table : file.tables) {
        if (!allFinite(table)) return false;
    }

    version_ = version;
    clipShape.set(file.clipShape);
    freqMin.set(file.freqMin);
    freqMax.set(file.freqMax);
    FilterSettingTable* targets[3] = {driveTable_.get(), saturationTable_.get(), resonanceTable_.get()};
    for (int t = 0; t < 3; ++t) {
        for (int r = 0; r < n; ++r) {
            for (int c = 0; c < n; ++c) targets[t]->setValue(r, c, file.tables[t][static_cast<size_t>(r) * n + c]);
        }
        targets[t]->updateSteps();
    }
    return true;
}

void DesignFilter::Style::fillDefaults() {
    const int n = gridSize.get();
    for (int k = 0; k < n; ++k) {
        const float resonance = std::min(static_cast<float>(k) / static_cast<float>(n - 1), 0.999f);
        for (int i = 0; i < n; ++i) {
            resonanceTable_->setValue(k, i, resonance);
            saturationTable_->setValue(k, i, 0.0f);
            driveTable_->setValue(k, i, kMinDrive);
        }
    }
    resonanceTable_->updateSteps();
    saturationTable_->updateSteps();
    driveTable_->updateSteps();
}

void DesignFilter::Style::lookup(float freq, float peak, float& resonance, float& saturation, float& drive) const {
    const float last = static_cast<float>(gridSize.get() - 1);
    float col = (freq - freqMin.get()) * freqScale_;
    if (!(col >= 0.0f)) col = 0.0f;  // also NaN
    if (col > last) col = last;
    if (!(peak >= 0.0f)) peak = 0.0f;
    if (peak > 1.0f) peak = 1.0f;
    const float row = last * peak;
    float d;
    const int size = resonanceTable_->size.get();
    if (saturationTable_->size.get() == size && driveTable_->size.get() == size) {
        // The three tables share their grid: one place for all of them.
        const FilterSettingTable::Place place = resonanceTable_->placeOf(col, row);
        resonance = resonanceTable_->valueAt(place);
        saturation = saturationTable_->valueAt(place);
        d = driveTable_->valueAt(place);
    } else {
        resonance = resonanceTable_->valueAt(col, row);
        saturation = saturationTable_->valueAt(col, row);
        d = driveTable_->valueAt(col, row);
    }
    drive = d > kMinDrive ? d : kMinDrive;
}

// ---- filter ----

DesignFilter::DesignFilter(wave::Environment& environment, const Style* style)
    : StateVariableFilter(environment, style ? &style->clipTable() : nullptr), style_(style) {}

void DesignFilter::setStyle(const Style* style) {
    style_ = style;
    // The clipper is part of a characteristic's sound, so it follows the style.
    setClipTable(style ? &style->clipTable() : nullptr);
}

void DesignFilter::designValues(float freq, float peak, float& resonanceIn, float& saturation, float& drive) {
    if (!style_) {
        StateVariableFilter::designValues(freq, peak, resonanceIn, saturation, drive);
        return;
    }
    style_->lookup(freq, peak, resonanceIn, saturation, drive);
}

float DesignFilter::inputGain() { return style_ ? style_->getInputGain() : StateVariableFilter::inputGain(); }
