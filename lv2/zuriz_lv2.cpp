#include "lv2/zuriz_lv2.h"

#include <algorithm>
#include <cmath>

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>

namespace velmo::lv2 {

ZurizLv2::ZurizLv2(double sampleRate, int32_t maxBlockFrames, const Lv2Urids& urids)
    : urids_(urids),
      sampleRate_(sampleRate),
      maxBlock_(maxBlockFrames > 0 ? maxBlockFrames : kDefaultMaxBlock),
      transport_(urids_, sampleRate) {
    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        seen_[id] = static_cast<float>(core_.engine().paramValue(id));
        saved_[id].store(core_.engine().paramValue(id), std::memory_order_relaxed);
    }
    savedCcMap_.publish(CcMapRecord{});
    hostFacts_.sampleRate = sampleRate;
    hostFacts_.maxBlockFrames = maxBlock_;
    hostFacts_.addBus("output", false, 2, true, "stereo");
    core_.engine().setup(sampleRate_, maxBlock_);
}

void ZurizLv2::connect(uint32_t port, void* data) {
    if (port < VELMO_PARAM_COUNT) {
        controls_[port] = static_cast<const float*>(data);
    } else if (port == kPortMidiIn) {
        controlIn_ = static_cast<const LV2_Atom_Sequence*>(data);
    } else if (port == kPortOutLeft || port == kPortOutRight) {
        outputs_[port - kPortOutLeft] = static_cast<float*>(data);
    } else if (port == kPortNotify) {
        notifyOut_ = static_cast<LV2_Atom_Sequence*>(data);
    }
}

void ZurizLv2::activate() {
    // As the VST3 processor does on activation: a fresh engine at the same settings.
    core_.engine().setup(sampleRate_, maxBlock_);
    audition_.releaseAll();
    audition_.setProcessing(true);
}

void ZurizLv2::deactivate() { audition_.setProcessing(false); }

void ZurizLv2::queuePorts() {
    KernelEngine& engine = core_.engine();
    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        if (controls_[id] == nullptr) continue;
        const float value = *controls_[id];
        if (std::isnan(value) || value == seen_[id]) continue;
        seen_[id] = value;
        if (adoptPorts_) continue;
        // The normalised value, as a VST3 host sends it: both formats reach the same plain value.
        engine.pushParamNormalized(id, velmo_param_normalize(VELMO_PARAMS[id], value), 0);
    }
    adoptPorts_ = false;
}

void ZurizLv2::queueMidi(uint32_t from, uint32_t to) {
    if (controlIn_ == nullptr) return;
    LV2_ATOM_SEQUENCE_FOREACH(controlIn_, ev) {
        if (ev->body.type != urids_.midiEvent || ev->body.size < 2) continue;
        const auto at = static_cast<uint32_t>(std::max<int64_t>(ev->time.frames, 0));
        // Events past the block's end belong to its last frame.
        const uint32_t frame = std::min(at, to == 0 ? 0 : to - 1);
        if (frame < from || frame >= to) continue;
        const auto* msg = reinterpret_cast<const uint8_t*>(ev + 1);
        const int32_t offset = static_cast<int32_t>(frame - from);
        const uint32_t channel = msg[0] & 0x0Fu;
        const uint8_t data2 = ev->body.size > 2 ? msg[2] : 0;
        switch (lv2_midi_message_type(msg)) {
            case LV2_MIDI_MSG_NOTE_ON:
                // 7-bit velocity as a VST3 host hands it on: a float in 0-1.
                core_.queueNote(true, msg[1], static_cast<float>(data2) / 127.0f, offset, 0, channel);
                break;
            case LV2_MIDI_MSG_NOTE_OFF:
                core_.queueNote(false, msg[1], 0.0, offset, 0, channel);
                break;
            case LV2_MIDI_MSG_CONTROLLER:
                core_.queueController(static_cast<int32_t>(channel), msg[1], data2 / 127.0, offset);
                break;
            default:
                break;
        }
    }
}

void ZurizLv2::run(uint32_t frames) {
    beginNotify();
    if (frames == 0 || outputs_[0] == nullptr || outputs_[1] == nullptr) return;
    KernelEngine& engine = core_.engine();
    queuePorts();
    // The page's keys: the inbox ends what a release-all withdrew, takes this run's keys and
    // hands them to the engine at frame 0. Its clock is the frames rendered, so no key is ever
    // judged late here.
    clockNs_ = static_cast<uint64_t>(static_cast<double>(framesRendered_) * 1e9 / sampleRate_) + 1;
    takeMessages();
    if (audition_.pending()) audition_.drainInto(engine, clockNs_);
    // A host without a block bound may send more than the engine was set up for: rendered in
    // pieces, each piece's events at their own offsets.
    const auto piece = static_cast<uint32_t>(maxBlock_);
    for (uint32_t from = 0; from < frames; from += piece) {
        const uint32_t to = std::min(frames, from + piece);
        queueMidi(from, to);
        float* outs[2] = {outputs_[0] + from, outputs_[1] + from};
        engine.processBlock(nullptr, 0, outs, 2, static_cast<int32_t>(to - from));
        if (meteredFramesLeft_ > 0) peaks_.capture(outs, 2, static_cast<int32_t>(to - from), engine.blockSilent());
    }
    framesRendered_ += frames;
    meteredFramesLeft_ -= std::min(meteredFramesLeft_, frames);
    hostFacts_.lastBlockFrames = static_cast<int32_t>(frames);
    transport_.advance(frames);
    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        saved_[id].store(engine.paramValue(id), std::memory_order_relaxed);
    }
    if (pollFlags_ != 0 || replySize_ != 0) answerPoll();
}

std::string ZurizLv2::saveDocument() const {
    double params[VELMO_PARAM_COUNT];
    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        params[id] = saved_[id].load(std::memory_order_relaxed);
    }
    CcMapRecord record;
    std::uint32_t version = 0;
    // The audio thread's copy is a 2 KB write that never waits: a reader meets it rarely.
    while (!savedCcMap_.read(record, version)) {
    }
    CcMapping cc;
    cc.map = record.map;
    cc.present = record.present != 0;
    return core_.saveState(params, &cc);
}

bool ZurizLv2::restoreDocument(const char* text, std::size_t size) {
    if (!core_.restoreState(text, size).parsed) return false;
    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        saved_[id].store(core_.engine().paramValue(id), std::memory_order_relaxed);
    }
    savedCcMap_.publish(ccMapInUse());
    adoptPorts_ = true;
    audition_.releaseAll();  // a restored sound starts with no key of the page held
    reportCcMap_.store(true, std::memory_order_release);
    return true;
}

}  // namespace velmo::lv2
