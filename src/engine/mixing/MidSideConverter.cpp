#include "engine/mixing/MidSideConverter.h"

#include "engine/wave/Float4.h"

using namespace wave;

MidSideConverter::MidSideConverter(Environment& environment, int mode)
    : MultiProducer(environment, 2), mode_(nullptr, mode, kPassThrough, kDecode) {}

Buffer* MidSideConverter::pullOrSilence(Producer* input, int frames, int flags, bool& constant) {
    if (!input) {
        constant = true;
        return &getEnvironment().silence();
    }
    Buffer* buffer = input->pull(frames, flags & kSkip);
    constant = input->isConstant();
    return buffer;
}

void MidSideConverter::renderAll(Buffer* const* buffers, int frames, int flags) {
    if (flags & kSkip) return;
    bool constantA, constantB;
    Buffer* a = pullOrSilence(inputA_, frames, flags, constantA);
    Buffer* b = pullOrSilence(inputB_, frames, flags, constantB);
    if (mode_ == kPassThrough) {
        setOutput(0, a, constantA);
        setOutput(1, b, constantB);
        return;
    }
    const float* pa = a->data();
    const float* pb = b->data();
    float* out0 = buffers[0]->data();
    float* out1 = buffers[1]->data();
    const int n = Buffer::groups(frames) * 4;
    if (mode_ == kEncode) {
        const Float4 half(0.5f);
        for (int i = 0; i < n; i += 4) {
            Float4 left = Float4::load(pa + i);
            Float4 side = (left - Float4::load(pb + i)) * half;  // e = (L - R) / 2
            (left - side).store(out0 + i);                       // mid = L - e = (L + R) / 2
            side.store(out1 + i);
        }
    } else {
        for (int i = 0; i < n; i += 4) {
            Float4 mid = Float4::load(pa + i);
            Float4 side = Float4::load(pb + i);
            (mid + side).store(out0 + i);  // left
            (mid - side).store(out1 + i);  // right
        }
    }
    bool constant = constantA && constantB;
    setOutput(0, buffers[0], constant);
    setOutput(1, buffers[1], constant);
}
