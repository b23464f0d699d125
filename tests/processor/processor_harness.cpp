#include "processor_harness.h"

namespace velmo::test {

using namespace Steinberg;
using namespace Steinberg::Vst;

ProcessorHarness::ProcessorHarness(KernelModule& kernel) {
    app = std::make_unique<HostApplication>();
    processor = owned(new VelmoProcessor(kernel));
    controller = owned(new host::MessageRecorder);
    processor->initialize(static_cast<IHostApplication*>(app.get()));
    link = std::make_unique<host::ConnectionLink>(processor, controller);
}

ProcessorHarness::~ProcessorHarness() {
    processor->setProcessing(false);
    processor->setActive(false);
    link->disconnect();
    processor->terminate();
}

tresult ProcessorHarness::setup(double rate, int32 maxBlock, int32 mode) {
    ProcessSetup s{mode, kSample32, maxBlock, rate};
    return processor->setupProcessing(s);
}

bool ProcessorHarness::start(double rate, int32 maxBlock) {
    SpeakerArrangement out = SpeakerArr::kStereo;
    processor->activateBus(kAudio, kOutput, 0, true);
    processor->activateBus(kEvent, kInput, 0, true);
    return processor->setBusArrangements(nullptr, 0, &out, 1) == kResultOk &&
           setup(rate, maxBlock) == kResultOk && processor->setActive(true) == kResultOk &&
           processor->setProcessing(true) == kResultOk;
}

std::string ProcessorHarness::saveState() {
    MemoryStream stream;
    if (processor->getState(&stream) != kResultOk) {
        return "<getState failed>";
    }
    int64 size = 0;
    stream.seek(0, IBStream::kIBSeekEnd, &size);
    std::string text(static_cast<size_t>(size), '\0');
    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    int32 got = 0;
    stream.read(text.data(), static_cast<int32>(size), &got);
    text.resize(static_cast<size_t>(got));
    return text;
}

tresult ProcessorHarness::loadState(const std::string& text) {
    MemoryStream stream;
    int32 written = 0;
    stream.write(const_cast<char*>(text.data()), static_cast<int32>(text.size()), &written);
    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    return processor->setState(&stream);
}

}  // namespace velmo::test
