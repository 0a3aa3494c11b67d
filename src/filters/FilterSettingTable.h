#pragma once
#include <cstddef>
#include <vector>

#include "platform/Property.h"

class BinaryDataReader;

// One 11 by 11 (size by size) table of a filter characteristic, indexed by (peak row, frequency
// column) and read with bilinear interpolation. The grids carry one guard row and one guard column
// of zeros so that interpolation may read one cell past the last data cell; `steps` holds the
// difference to the next column, so a read costs two multiply-adds per row and no division.
// Built and loaded before audio starts; read-only (and lock-free) afterwards.
class FilterSettingTable : public PropertyOwner {
public:
    static constexpr int kDefaultSize = 11;
    static constexpr int kMaxSize = 64;

    FilterSettingTable();
    ~FilterSettingTable() override = default;

    // Reads an int32 size n and n·n float32 values row by row. A size that differs from `size`
    // resizes the table first. A size outside 0..kMaxSize fails the reader and changes nothing;
    // values are not checked: callers that may see damaged data validate it first.
    void read(BinaryDataReader& reader);

    // Where grid coordinates (col = frequency index, row = peak index) fall: the lower cell and the
    // fractions towards the next column and row. The coordinates are limited to the data cells, so
    // any argument reads inside the grid. A place serves every table of the same size.
    struct Place {
        size_t at = 0;
        size_t stride = 0;
        float fc = 0.0f;
        float fr = 0.0f;
        bool empty = true;  // a table of size 0 reads 0
    };
    Place placeOf(float col, float row) const {
        Place p;
        const int last = size.get() - 1;
        if (last < 0) return p;
        if (!(col >= 0.0f)) col = 0.0f;  // also NaN
        if (col > static_cast<float>(last)) col = static_cast<float>(last);
        if (!(row >= 0.0f)) row = 0.0f;
        if (row > static_cast<float>(last)) row = static_cast<float>(last);
        const int r = static_cast<int>(row);  // a floor: both are non-negative here
        const int c = static_cast<int>(col);
        p.fc = col - static_cast<float>(c);
        p.fr = row - static_cast<float>(r);
        p.stride = static_cast<size_t>(last) + 2;
        p.at = static_cast<size_t>(r) * p.stride + static_cast<size_t>(c);
        p.empty = false;
        return p;
    }
    // The interpolated value at a place of a table of this size.
    float valueAt(const Place& p) const {
        if (p.empty) return 0.0f;
        const float lower = values_[p.at] + p.fc * steps_[p.at];
        const float upper = values_[p.at + p.stride] + p.fc * steps_[p.at + p.stride];
        return lower + (upper - lower) * p.fr;
    }
    float valueAt(float col, float row) const { return valueAt(placeOf(col, row)); }

    float value(int row, int col) const { return values_[index(row, col)]; }
    float step(int row, int col) const { return steps_[index(row, col)]; }
    // Writes one data cell; call updateSteps() after a batch of writes.
    void setValue(int row, int col, float v) { values_[index(row, col)] = v; }
    void updateSteps();

    void propertyChanged(PropertyBase* property) override;

    // Number of grid points on each axis; a change reallocates both grids, zero-filled.
    Property<int> size{this, kDefaultSize};

private:
    size_t index(int row, int col) const { return static_cast<size_t>(row) * (size.get() + 1) + col; }
    void allocate();

    std::vector<float> values_;
    std::vector<float> steps_;
};
