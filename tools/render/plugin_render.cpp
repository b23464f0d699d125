#include "tools/render/plugin_render.h"

#include <algorithm>
#include <cmath>

#include "docs/number_text.h"
#include "params/param_table.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "tools/host/event_list.h"
#include "tools/host/plugin_presets.h"
#include "tools/render/parameter_lookup.h"
#include "tools/render/plugin_listing.h"

namespace velmo::render {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

using Edit = host::RecordingComponentHandler::Edit;

std::vector<int> busChannels(IComponent* component, BusDirection direction) {
    std::vector<int> channels;
    const int32 count = component->getBusCount(kAudio, direction);
    for (int32 i = 0; i < count; ++i) {
        BusInfo info{};
        component->getBusInfo(kAudio, direction, i, info);
        channels.push_back(std::max(0, static_cast<int>(info.channelCount)));
    }
    return channels;
}

void toUtf16(const std::string& text, String128 out) {
    std::size_t n = 0;
    for (; n < text.size() && n < 127; ++n) out[n] = static_cast<TChar>(static_cast<unsigned char>(text[n]));
    out[n] = 0;
}

}  // namespace

PluginRenderer::~PluginRenderer() {
    if (processing_) plugin_.processor()->setProcessing(false);
    if (active_) plugin_.component()->setActive(false);
}

bool PluginRenderer::prepare(const RenderSettings& settings, std::string& error) {
    settings_ = settings;
    IComponent* component = plugin_.component();
    IAudioProcessor* processor = plugin_.processor();

    // An instrument: its main stereo output and event input; other buses stay as they are.
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    if (component->getBusCount(kAudio, kInput) == 0 && component->getBusCount(kAudio, kOutput) == 1)
        processor->setBusArrangements(nullptr, 0, &stereo, 1);
    if (component->getBusCount(kAudio, kOutput) < 1) {
        error = "the plug-in has no audio output";
        return false;
    }
    component->activateBus(kAudio, kOutput, 0, true);
    if (component->getBusCount(kEvent, kInput) > 0) component->activateBus(kEvent, kInput, 0, true);
    outputChannels_ = busChannels(component, kOutput);
    inputChannels_ = busChannels(component, kInput);
    if (outputChannels_[0] < 1) {
        error = "the plug-in's main output has no channel";
        return false;
    }

    if (processor->canProcessSampleSize(kSample32) != kResultTrue) {
        error = "the plug-in cannot process 32-bit samples";
        return false;
    }
    ProcessSetup setup{settings.realtime ? kRealtime : kOffline, kSample32, settings.blockFrames, settings.sampleRate};
    if (processor->setupProcessing(setup) != kResultOk) {
        error = "the plug-in refused " + std::to_string(settings.sampleRate) + " Hz with blocks of " +
                std::to_string(settings.blockFrames);
        return false;
    }
    if (component->setActive(true) != kResultOk) {
        error = "the plug-in refused to activate";
        return false;
    }
    active_ = true;
    // Hosts call this; plug-ins may answer that they do not need it.
    processor->setProcessing(true);
    processing_ = true;
    return true;
}

bool PluginRenderer::selectProgram(const std::string& nameOrIndex, std::string& error) {
    const auto choice = findProgram(plugin_.controller(), nameOrIndex, error);
    if (!choice) return false;
    // The controller applies the preset and reports its edits through the component handler;
    // they are forwarded with the first block, like any edit the controller makes.
    plugin_.controller()->setParamNormalized(choice->parameter, choice->normalized);
    queueParameter(choice->parameter, choice->normalized);
    return true;
}

bool PluginRenderer::pinParameter(const std::string& path, const std::string& value, std::string& error) {
    IEditController* controller = plugin_.controller();
    const auto id = findParameter(controller, path);
    if (!id) {
        error = "no parameter \"" + path + "\"";
        return false;
    }
    String128 text{};
    toUtf16(value, text);
    ParamValue normalized = 0.0;
    if (controller->getParamValueByString(*id, text, normalized) != kResultOk) {
        error = "\"" + value + "\" is not a value of " + path;
        return false;
    }
    // The plug-in clamps a number beyond either end; a user who typed it meant something else.
    double typed = 0.0;
    const bool isNumber = numberFromTextAfterBlanks(value, typed) != 0;
    const double low = controller->normalizedParamToPlain(*id, 0.0);
    const double high = controller->normalizedParamToPlain(*id, 1.0);
    if (isNumber && !(typed >= std::min(low, high) && typed <= std::max(low, high))) {
        error = path + "=" + value + " is outside the range of " + path + ": " + parameterRange(controller, *id);
        return false;
    }
    controller->setParamNormalized(*id, normalized);
    queueParameter(*id, normalized);
    pinned_[*id] = normalized;
    return true;
}

bool PluginRenderer::loadPreset(const std::string& file, std::string& error) {
    host::PresetFile preset;
    if (!host::loadPresetFile(file, preset, error)) return false;
    if (!host::applyPreset(plugin_, preset, error)) {
        error = file + ": " + error;
        return false;
    }
    return true;
}

void PluginRenderer::queueParameter(ParamID id, ParamValue normalized) { pending_[id] = normalized; }

void PluginRenderer::forwardControllerEdits(host::ProcessBlock& block) {
    const auto& edits = plugin_.handler().edits();
    for (; editsForwarded_ < edits.size(); ++editsForwarded_) {
        const Edit& e = edits[editsForwarded_];
        if (e.kind == Edit::Kind::Perform && pinned_.count(e.id) == 0) block.params().add(e.id, 0, e.value);
    }
}

bool PluginRenderer::render(const Score& score, std::vector<float>& interleaved, std::string& error,
                            const std::function<void(double)>& progress) {
    const double rate = settings_.sampleRate;
    const int blockFrames = settings_.blockFrames;
    const auto totalFrames =
        static_cast<std::int64_t>(std::ceil((score.lengthSeconds + settings_.tailSeconds) * rate));
    // Every frame is written below; no need to clear what is already there.
    interleaved.resize(static_cast<std::size_t>(std::max<std::int64_t>(totalFrames, 0)) * 2);

    IEditController* controller = plugin_.controller();
    // The score's parameter changes are Zuriz's; other plug-ins get only the notes.
    bool zurizParameter[VELMO_PARAM_COUNT] = {};
    for (ParamID id = 0; id < VELMO_PARAM_COUNT; ++id)
        zurizParameter[id] = isZurizParameter(controller, id) && pinned_.count(id) == 0;

    FUnknownPtr<IMidiMapping> mapping(controller);
    host::ProcessBlock block(outputChannels_, blockFrames, inputChannels_);
    ProcessContext& context = block.context();
    context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid;
    context.sampleRate = rate;
    context.tempo = 120.0;
    std::size_t next = 0;
    std::int64_t blocks = 0;
    failedBlocks_ = 0;

    for (std::int64_t start = 0; start < totalFrames; start += blockFrames) {
        const int frames = static_cast<int>(std::min<std::int64_t>(blockFrames, totalFrames - start));
        // Only the block's lists are reset: the plug-in writes every output sample, and a
        // channel it flags silent is taken as zeros below.
        block.params().clear();
        block.events().clear();
        ProcessData& data = block.data();
        data.numSamples = frames;
        block.outputBus(0).silenceFlags = 0;
        data.processMode = kOffline;
        data.processContext = &context;
        context.projectTimeSamples = start;
        context.projectTimeMusic = double(start) / rate * 2.0;  // quarter notes at 120 bpm

        for (const auto& [id, value] : pending_) block.params().add(id, 0, value);
        pending_.clear();
        forwardControllerEdits(block);

        for (; next < score.events.size(); ++next) {
            const ScoreEvent& e = score.events[next];
            const auto at = static_cast<std::int64_t>(std::llround(e.seconds * rate));
            if (at >= start + frames) break;
            const auto offset = static_cast<int32>(std::max<std::int64_t>(at - start, 0));
            switch (e.kind) {
                case ScoreEvent::Kind::NoteOn:
                    block.events().add(host::makeNoteOn(offset, static_cast<int16>(e.index),
                                                        static_cast<float>(e.value), e.channel));
                    break;
                case ScoreEvent::Kind::NoteOff:
                    block.events().add(host::makeNoteOff(offset, static_cast<int16>(e.index), e.channel));
                    break;
                case ScoreEvent::Kind::Parameter: {
                    if (e.index >= VELMO_PARAM_COUNT || !zurizParameter[e.index]) break;
                    const ParamValue v = controller->plainParamToNormalized(e.index, e.value);
                    controller->setParamNormalized(e.index, v);
                    block.params().add(e.index, offset, v);
                    break;
                }
                case ScoreEvent::Kind::Controller: {
                    // Controllers reach a VST3 plug-in as the parameters it maps them to.
                    ParamID id = 0;
                    if (!mapping || mapping->getMidiControllerAssignment(0, e.channel,
                                                                         static_cast<CtrlNumber>(e.index),
                                                                         id) != kResultOk)
                        break;
                    if (pinned_.count(id) != 0) break;
                    controller->setParamNormalized(id, e.value);
                    block.params().add(id, offset, e.value);
                    break;
                }
            }
        }

        ++blocks;
        if (plugin_.processor()->process(data) != kResultOk) ++failedBlocks_;
        const int channels = outputChannels_[0];
        const int rightChannel = channels > 1 ? 1 : 0;
        const uint64 silent = block.outputBus(0).silenceFlags;
        const float* left = block.output(0, 0);
        const float* right = block.output(0, rightChannel);
        float* out = interleaved.data() + start * 2;
        static const float zeros[1] = {0.0f};
        const bool leftSilent = (silent & 1) != 0;
        const bool rightSilent = (silent & (uint64(1) << rightChannel)) != 0;
        if (leftSilent && rightSilent) {
            std::fill(out, out + 2 * frames, 0.0f);
        } else if (!leftSilent && !rightSilent) {
            for (int f = 0; f < frames; ++f) {
                out[2 * f] = left[f];
                out[2 * f + 1] = right[f];
            }
        } else {
            const float* l = leftSilent ? zeros : left;
            const float* r = rightSilent ? zeros : right;
            const int ls = leftSilent ? 0 : 1, rs = rightSilent ? 0 : 1;
            for (int f = 0; f < frames; ++f) {
                out[2 * f] = l[f * ls];
                out[2 * f + 1] = r[f * rs];
            }
        }
        if (progress) progress(double(start + frames) / double(totalFrames));
    }
    if (blocks > 0 && failedBlocks_ == blocks) {
        error = "the plug-in failed to process every block";
        return false;
    }
    return true;
}

}  // namespace velmo::render
