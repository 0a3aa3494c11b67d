#pragma once

// Maps a host parameter's real value to the host's normalized 0..1 scale and back.
class AAX_ITaperDelegate {
public:
    virtual ~AAX_ITaperDelegate() = default;
    virtual double getMinimum() const = 0;
    virtual double getMaximum() const = 0;
    // Limits a real value to what the parameter can hold.
    virtual double constrain(double value) const = 0;
    virtual double normalizedToReal(double normalized) const = 0;
    virtual double realToNormalized(double value) const = 0;
};
