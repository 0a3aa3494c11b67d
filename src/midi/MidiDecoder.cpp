#include "midi/MidiDecoder.h"

#include "midi/AbstractChannelEventReceiver.h"
#include "midi/AbstractMusicEventReceiver.h"

namespace {

enum Kind : int {
    kNoteOff = 0x8,
    kNoteOn = 0x9,
    kPolyPressure = 0xA,
    kControlChange = 0xB,
    kProgramChange = 0xC,
    kChannelPressure = 0xD,
    kPitchBend = 0xE,
};

constexpr int kBankSelectMsb = 0;
constexpr int kBankSelectLsb = 32;
constexpr int kAllNotesOff = 123;
constexpr int kSystemReset = 0xFF;

}  // namespace

MidiDecoder::MidiDecoder(AbstractMusicEventReceiver& receiver) : receiver_(&receiver) {}

MidiDecoder::MidiDecoder(std::unique_ptr<AbstractMusicEventReceiver> receiver)
    : owned_(std::move(receiver)), receiver_(owned_.get()) {}

MidiDecoder::~MidiDecoder() = default;

int MidiDecoder::getBank(int slot) const { return slot >= 0 && slot < kSlots ? banks_[static_cast<size_t>(slot)] : 0; }

float MidiDecoder::pitchBendValue(int value) {
    // Scaled separately on each side so the wheel at rest gives exactly no modulation.
    const int offset = value - 8192;
    return offset >= 0 ? static_cast<float>(offset) * (0.5f / 8191.0f) : static_cast<float>(offset) * (0.5f / 8192.0f);
}

void MidiDecoder::receiveMidi(const MidiMessage& message) {
    if (!receiver_) return;
    const int status = message.status;
    if (status < 0x80) return;

    if (status >= 0xF0) {
        if (auto* raw = receiver_->getRawMessageObserver()) raw->rawMidiMessage(message.status, message.data1, message.data2);
        if (status == kSystemReset) {
            if (auto* reset = receiver_->getSystemResetObserver()) reset->systemReset();
        }
        return;
    }

    const int kind = status >> 4;
    const bool twoDataBytes = kind != kProgramChange && kind != kChannelPressure;
    const int data1 = message.data1;
    const int data2 = twoDataBytes ? message.data2 : 0;  // bytes beyond the message's length read as 0
    if (data1 >= 0x80 || data2 >= 0x80) return;

    if (auto* raw = receiver_->getRawMessageObserver()) {
        raw->rawMidiMessage(message.status, static_cast<uint8_t>(data1), static_cast<uint8_t>(data2));
    }
    const int channelSlot = (status & 0x0F) + 1;
    AbstractChannelEventReceiver* all = receiver_->getChannelSlot(0);
    AbstractChannelEventReceiver* own = receiver_->getChannelSlot(channelSlot);
    dispatch(0, all, kind, data1, data2);
    dispatch(channelSlot, own == all ? nullptr : own, kind, data1, data2);
}

void MidiDecoder::dispatch(int slot, AbstractChannelEventReceiver* receiver, int kind, int data1, int data2) {
    int& bank = banks_[static_cast<size_t>(slot)];
    if (kind == kControlChange && data1 == kBankSelectMsb) {
        bank = (data2 << 7) | (bank & 0x7F);
        return;
    }
    if (kind == kControlChange && data1 == kBankSelectLsb) {
        bank = (bank & ~0x7F) | data2;
        return;
    }
    if (!receiver) return;

    switch (kind) {
        case kNoteOff:
            receiver->noteOff(data1, normalize(data2));
            break;
        case kNoteOn:
            if (data2 == 0) {
                receiver->noteOff(data1, 0.0f);
            } else {
                receiver->noteOn(data1, normalize(data2));
            }
            break;
        case kPolyPressure:
            receiver->polyPressure(data1, normalize(data2));
            break;
        case kControlChange:
            if (data1 == kAllNotesOff) {
                receiver->noteOff(0, 0.0f);
            } else {
                receiver->controlChange(data1, data2, normalize(data2));
            }
            break;
        case kProgramChange:
            receiver->programChange(bank, data1);
            break;
        case kChannelPressure:
            receiver->channelPressure(normalize(data1));
            break;
        case kPitchBend:
            receiver->pitchBend(pitchBendValue(data1 | (data2 << 7)));
            break;
        default:
            break;
    }
}
