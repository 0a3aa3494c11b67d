#include "filters/FilterSettingTable.h"

#include <algorithm>

#include "platform/BinaryDataReader.h"

FilterSettingTable::FilterSettingTable() { allocate(); }

void FilterSettingTable::allocate() {
    const int n = std::max(size.get(), 0) + 1;
    values_.assign(static_cast<size_t>(n) * n, 0.0f);
    steps_.assign(static_cast<size_t>(n) * n, 0.0f);
}

void FilterSettingTable::propertyChanged(PropertyBase* property) {
    if (property == &size) {
        if (size.get() < 0) size.setSilently(0);
        allocate();
    }
}

void FilterSettingTable::read(BinaryDataReader& reader) {
    const int n = reader.readInt();
    if (n < 0 || n > kMaxSize) {
        // A size no table of ours has: the data is damaged; keep the table as it is.
        reader.stream().setstate(std::ios::failbit);
        return;
    }
    if (n != size.get()) size.set(n);
    for (int r = 0; r < size.get(); ++r) {
        for (int c = 0; c < size.get(); ++c) setValue(r, c, reader.readFloat());
    }
    updateSteps();
}

void FilterSettingTable::updateSteps() {
    const int n = size.get();
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c + 1 < n; ++c) steps_[index(r, c)] = value(r, c + 1) - value(r, c);
        if (n > 0) steps_[index(r, n - 1)] = 0.0f;
    }
}
