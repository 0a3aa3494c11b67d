#pragma once
#include "engine/wave/MultiProducer.h"
#include "platform/Property.h"

// Converts a channel pair between left/right and mid/side.
//   mode 0 (pass-through): outputs are inputs A and B, handed on by reference;
//   mode 1 (encode, A = left, B = right): output 0 = (A + B) / 2 (mid), output 1 = (A - B) / 2 (side);
//   mode 2 (decode, A = mid, B = side):   output 0 = A + B (left), output 1 = A - B (right).
// Encoding then decoding returns the original pair.
class MidSideConverter : public wave::MultiProducer {
public:
    enum Mode : int { kPassThrough = 0, kEncode = 1, kDecode = 2 };

    MidSideConverter(wave::Environment& environment, int mode = kPassThrough);

    void setInputs(wave::Producer* a, wave::Producer* b) {
        inputA_ = a;
        inputB_ = b;
    }
    wave::Producer* getInputA() const { return inputA_; }
    wave::Producer* getInputB() const { return inputB_; }

    // 0..2; set at construction or on the audio thread.
    LimitedProperty<int>& mode() { return mode_; }

    void renderAll(wave::Buffer* const* buffers, int frames, int flags) override;

private:
    wave::Buffer* pullOrSilence(wave::Producer* input, int frames, int flags, bool& constant);

    wave::Producer* inputA_ = nullptr;
    wave::Producer* inputB_ = nullptr;
    LimitedProperty<int> mode_;
};
