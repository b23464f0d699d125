#pragma once
// InstrumentCore: the part of the instrument component that knows no plug-in format. It owns
// the KernelEngine, the CC map and the runtime bank in use, writes and reads the component
// state document, and turns notes and controllers into engine events. The VST3 processor and
// the LV2 plug-in both drive the engine through it, so a state saved by one restores in the other.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ccmap/cc_mapping.h"
#include "docs/state_chunk.h"
#include "engine/kernel_engine.h"

namespace velmo {

class InstrumentCore {
public:
    explicit InstrumentCore(KernelModule& kernel = productKernelModule());

    KernelEngine& engine() { return engine_; }
    const KernelEngine& engine() const { return engine_; }

    // Audio thread. A note-on of velocity 0 is a note-off (running-status MIDI sends them so).
    void queueNote(bool on, std::int32_t pitch, double velocity, std::int32_t frame,
                   std::uint32_t route, std::uint32_t channel);
    // Audio thread: a MIDI controller (channel 0-15, value 0-1) becomes a change of the
    // parameter the CC map binds it to, at its frame. False when no binding takes it.
    bool queueController(std::int32_t channel, std::int32_t cc, double value, std::int32_t frame);

    // Main thread, while not processing: the state document of the engine's values and CC map,
    // or of `params` (VELMO_PARAM_COUNT plain values) and `cc` when given.
    std::string saveState(const double* params = nullptr, const CcMapping* cc = nullptr) const;
    struct Restored {
        bool parsed = false;     // false: not a state document, nothing changed
        bool bankTried = false;  // a bank folder was loaded and checked (its outcome recorded)
    };
    Restored restoreState(const char* text, std::size_t size);

    void adoptCcMap(const CcMap& map);
    const CcMap& ccMap() const { return cc_.map; }
    bool hasCcMap() const { return cc_.present; }

    // Loads and checks the bank folder at path for the engine; the outcome (RuntimeBankOutcome)
    // with its explanation in detail, recorded in the engine's diagnostics.
    int loadRuntimeBankFromPath(const std::string& path, const std::string& source,
                                const std::string& instrument, std::string& detail);
    const std::string& runtimeBankSource() const { return bankSource_; }

    // A bank request as the page's bank panel makes it, "source\nfolder\nhash\ninstrument"
    // (missing lines empty), answered as outcome name, line feed, detail. `tried`: a folder was
    // named, loaded and checked.
    std::string answerBankRequest(std::string_view request, bool& tried);

private:
    bool loadRestoredBank(const BankStateRef& ref, bool& tried);

    KernelEngine engine_;
    CcMapping cc_;
    // The runtime bank in use; stays empty while the engine accepts no bank.
    std::string bankSource_;
    std::string bankLocator_;
    std::string bankHash_;
    std::string bankInstrument_;
};

}  // namespace velmo
