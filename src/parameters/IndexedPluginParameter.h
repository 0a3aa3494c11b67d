#pragma once
#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "parameters/AbstractPluginParameter.h"
#include "parameters/ParameterText.h"

// A discrete parameter whose value is an integer index (travelling as a float), with optional
// item names and an optional value map. T is the type consumers store: bool, int or an enum.
//
// Without a value map the index is the stored value and the range is the configured one. With a
// value map, index i stores map[i - base] (clamped to the map) and the range is
// [base, base + count - 1]; item names then follow the map's order, so a stored value keeps its
// meaning whatever its position in the list.
//
// Threads: set-up before processing starts; setValue from the host, editor or preset threads;
// the stored value is atomic, so any thread may read it.
template <class T>
class IndexedPluginParameter : public AbstractPluginParameter {
    static_assert(std::is_same_v<T, bool> || std::is_integral_v<T> || std::is_enum_v<T>,
                  "indexed parameters store bool, integer or enum values");

public:
    using Items = std::vector<std::string>;

    IndexedPluginParameter(GenericParameterOwner* owner_, const std::string& name_)
        : AbstractPluginParameter(owner_, 1, name_) {}

    // Range set-up: configured range and default; the stored value becomes the default's
    // without telling the owner; own item names are cleared. Bounds in the wrong order are swapped.
    void setRange(int lo, int hi, int defaultIndex_) {
        if (hi < lo) std::swap(lo, hi);
        configuredMinimum = lo;
        configuredMaximum = hi;
        ownItems.clear();
        items = &ownItems;
        updateRange();
        defaultIndex = defaultIndex_;
        resetToDefault();
    }
    // Item names from a comma-separated list ("Off,On"); every "," splits, so "a,,b" has an
    // empty middle item. An empty text means no items (the parameter shows numbers).
    void setItems(const std::string& commaSeparated) {
        ownItems.clear();
        items = &ownItems;
        if (commaSeparated.empty()) return;
        size_t start = 0;
        for (;;) {
            size_t comma = commaSeparated.find(',', start);
            ownItems.push_back(commaSeparated.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    }
    void setItems(Items names) {
        ownItems = std::move(names);
        items = &ownItems;
    }
    // Uses a list owned elsewhere (it must outlive the parameter); nullptr returns to own items.
    void shareItems(const Items* shared) { items = shared ? shared : &ownItems; }
    // A value map (not owned; it must outlive the parameter); nullptr or count <= 0 removes it.
    // The range follows the map and the stored value becomes the default's.
    void setValueMap(const int* map, int count, int base) {
        if (!map || count <= 0) {
            valueMap = nullptr;
            valueMapCount = 0;
            valueMapBase = 0;
        } else {
            valueMap = map;
            valueMapCount = count;
            valueMapBase = base;
        }
        updateRange();
        resetToDefault();
    }
    void setDefaultIndex(int index) { defaultIndex = index; }
    // Declares that files of versions up to `key` knew values only up to `value` (pairs in
    // ascending key order).
    void addVersionRange(int value, int key) { versionRanges.emplace_back(value, key); }

    const Items& getItems() const { return *items; }
    int getIndex() const { return indexOfStored(stored.load(std::memory_order_relaxed)); }
    T getStoredValue() const { return stored.load(std::memory_order_relaxed); }
    // The value consumers receive for an index value v.
    T appliedValue(float v) const { return storedFor(clampedIndex(v)); }

    float normalize(float v) override {
        const int span = maximum - minimum;
        if (span <= 0) return 0.0f;
        return static_cast<float>(clampedIndex(v) - minimum) / static_cast<float>(span);
    }
    float normalizeForVersion(float v, int version) override {
        if (versionRanges.empty()) return normalize(v);
        int lower, upper;
        versionBounds(version, lower, upper);
        const int i = truncated(v);
        if (i <= lower || i > upper) return 0.0f;
        return static_cast<float>(i - lower) / static_cast<float>(upper - lower);
    }
    // Rounds to the nearest index.
    float denormalize(float n) override {
        if (std::isnan(n)) return n;
        return static_cast<float>(minimum + nearestStep(n, maximum - minimum));
    }
    bool denormalizeForVersion(float n, int version, float& out) override {
        if (versionRanges.empty()) {
            out = denormalize(n);
            return true;
        }
        int lower, upper;
        const bool passed = versionBounds(version, lower, upper);
        if (std::isnan(n)) n = 0.0f;
        const int k = nearestStep(n, upper - lower);
        out = static_cast<float>(lower + k);
        return !(passed && k < 1);
    }
    int getVersionLimit(int version) override {
        for (const auto& [limit, key] : versionRanges) {
            if (key == version) return limit;
        }
        return -1;
    }
    std::string formatValue(float v) override {
        const int i = clampedIndex(v);
        const int position = i - minimum;
        if (hasName(i)) return (*items)[static_cast<size_t>(position)];
        return std::to_string(shownNumber(i));
    }
    bool parseText(const std::string& text, float& out) override {
        return readText(text, out) == TextVerdict::Accepted;
    }
    // Accepts what a position shows, surrounding blanks aside: an item name (an exact match first,
    // then ignoring letter case) or, at a position without a name, its number (the index, or the
    // mapped value with a value map), also with a sign or leading zeros. Any other text is refused
    // and out is the current value: a number of no such position is OutOfRange when the parameter
    // shows numbers, anything else NotAValue. So "3.0" or "1e308" never pick a position of a
    // switch whose names are numbers.
    TextVerdict readText(const std::string& text, float& out) override {
        out = getValue();
        const std::string_view typed = trimBlanks(text);
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = minimum; i <= maximum; ++i) {
                const std::string shown = formatValue(static_cast<float>(i));
                if (pass == 0 ? shown == typed : equalsIgnoringCase(shown, typed)) {
                    out = static_cast<float>(i);
                    return TextVerdict::Accepted;
                }
            }
        }
        long number = 0;
        bool showsNumbers = false;
        const bool readable = readWholeInteger(typed, number);
        for (int i = minimum; i <= maximum; ++i) {
            if (hasName(i)) continue;
            showsNumbers = true;
            if (readable && shownNumber(i) == number) {
                out = static_cast<float>(i);
                return TextVerdict::Accepted;
            }
        }
        return readable && showsNumbers ? TextVerdict::OutOfRange : TextVerdict::NotAValue;
    }
    // "a whole number from 1 to 4" for a parameter that shows its index, else what every
    // position shows ("one of LP, HP, BP"); a long list is shortened to its first entries, its
    // last and its length.
    std::string acceptedText() override {
        bool plainNumbers = !valueMap;
        for (int i = minimum; i <= maximum && plainNumbers; ++i) plainNumbers = !hasName(i);
        if (plainNumbers) return "a whole number from " + std::to_string(minimum) + " to " + std::to_string(maximum);
        constexpr int kListed = 16;
        const int count = maximum - minimum + 1;
        std::string text = "one of ";
        for (int i = minimum; i <= maximum; ++i) {
            const int position = i - minimum;
            if (count > kListed && position >= kListed - 2 && i < maximum) {
                if (position == kListed - 2) text += ", ...";
                continue;
            }
            if (position > 0) text += ", ";
            text += formatValue(static_cast<float>(i));
        }
        if (count > kListed) text += " (" + std::to_string(count) + " values)";
        return text;
    }
    float getDefaultValue() override { return static_cast<float>(indexOfStored(storedFor(defaultIndex))); }
    float getMaximum() override { return static_cast<float>(maximum); }
    float getMinimum() override { return static_cast<float>(minimum); }
    float getValue() override { return static_cast<float>(getIndex()); }
    // Truncates x to an index in the range; a new index is stored and reported to the owner.
    // Non-finite x changes nothing.
    void setValue(float x, int flags) override {
        if (!std::isfinite(x)) return;
        const int i = clampedIndex(x);
        if (i == getIndex()) return;
        stored.store(storedFor(i), std::memory_order_relaxed);
        if (owner) owner->setParameter(id, static_cast<float>(i), flags);
    }
    bool isNumeric() override { return items->empty(); }

protected:
    static T toStored(int m) {
        if constexpr (std::is_same_v<T, bool>) {
            return m != 0;
        } else {
            return static_cast<T>(m);
        }
    }
    // Truncation toward zero, safe for any float (NaN gives 0).
    static int truncated(float v) {
        if (std::isnan(v)) return 0;
        return static_cast<int>(std::clamp(v, -1.0e9f, 1.0e9f));
    }
    int clampedIndex(float v) const { return std::clamp(truncated(v), minimum, maximum); }
    bool hasName(int index) const {
        const int position = index - minimum;
        return position >= 0 && position < static_cast<int>(items->size());
    }
    // The number a position without a name shows.
    long shownNumber(int index) const { return valueMap ? valueMap[mapPosition(index)] : index; }
    int mapPosition(int index) const { return std::clamp(index - valueMapBase, 0, valueMapCount - 1); }
    T storedFor(int index) const { return valueMap ? toStored(valueMap[mapPosition(index)]) : toStored(index); }
    int indexOfStored(T s) const {
        if (!valueMap) return static_cast<int>(s);
        for (int j = 0; j < valueMapCount; ++j) {
            if (toStored(valueMap[j]) == s) return valueMapBase + j;
        }
        return valueMapBase;
    }
    // int((0.5 / span + n) * span) limited to [0, span]: the nearest step of n over span steps.
    static int nearestStep(float n, int span) {
        if (span <= 0) return 0;
        const float s = static_cast<float>(span);
        const float k = (0.5f / s + n) * s;
        if (!(k >= 0.0f)) return 0;
        if (k >= s) return span;
        return static_cast<int>(k);
    }
    // The value range a file of the given version knew; returns whether any pair was passed.
    bool versionBounds(int version, int& lower, int& upper) const {
        lower = minimum;
        upper = maximum;
        bool passed = false;
        for (const auto& [limit, key] : versionRanges) {
            if (key >= version) {
                upper = limit;
                break;
            }
            lower = limit;
            passed = true;
        }
        return passed;
    }
    void updateRange() {
        if (valueMap) {
            minimum = valueMapBase;
            maximum = valueMapBase + valueMapCount - 1;
        } else {
            minimum = configuredMinimum;
            maximum = configuredMaximum;
        }
    }
    void resetToDefault() {
        defaultIndex = std::clamp(defaultIndex, minimum, maximum);
        stored.store(storedFor(defaultIndex), std::memory_order_relaxed);
    }

    int defaultIndex = 0;
    int maximum = 1;
    int minimum = 0;
    const int* valueMap = nullptr;
    int valueMapCount = 0;
    int valueMapBase = 0;
    int configuredMaximum = 1;
    int configuredMinimum = 0;
    std::atomic<T> stored{toStored(0)};
    const Items* items = &ownItems;
    Items ownItems;
    std::vector<std::pair<int, int>> versionRanges;
};
