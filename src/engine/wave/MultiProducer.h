#pragma once
#include <array>
#include <memory>

#include "engine/wave/Producer.h"

namespace wave {

// A node with several outputs computed together once per block. Each output is a producer of its
// own (MultiProducer::Output) that consumers pull like any other.
class MultiProducer : public Component {
public:
    static constexpr int kMaxOutputs = 2;

    class Output final : public Producer {
    public:
        Output(MultiProducer& owner, int index);
        void render(Buffer& buffer, int frames, int flags) override;
        void resetState() override { owner_.resetState(); }
        void publish(Buffer* buffer, bool constant) {
            setOutput(buffer);
            setConstant(constant);
        }

    private:
        MultiProducer& owner_;
        int index_;
    };

    MultiProducer(Environment& environment, int numOutputs = kMaxOutputs);
    virtual ~MultiProducer() = default;

    // Computes every output. Implementations call setOutput(i, ...) for each output.
    virtual void renderAll(Buffer* const* buffers, int frames, int flags) = 0;
    virtual void resetState() {}

    int getNumOutputs() const { return numOutputs_; }
    Output& output(int i) { return *outputs_[i]; }
    Environment& getEnvironment() const { return environment_; }

protected:
    void setOutput(int i, Buffer* buffer, bool constant) { outputs_[i]->publish(buffer, constant); }
    Buffer& ownBuffer(int i) { return *buffers_[i]; }

private:
    friend class Output;
    void renderOnce(int frames, int flags);

    Environment& environment_;
    int numOutputs_;
    std::int64_t blockStamp_ = -1;
    std::array<std::unique_ptr<Buffer>, kMaxOutputs> buffers_;
    std::array<Buffer*, kMaxOutputs> bufferPointers_{};
    std::array<std::unique_ptr<Output>, kMaxOutputs> outputs_;
};

}  // namespace wave
