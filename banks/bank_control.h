#pragma once
// The controller's keeper of what the page knows about sample banks: the requested runtime
// bank and the processor's answer about it, the pad overrides and the selected bank preset.
// It handles the page's bank messages, asks the processor for banks through its host, adopts
// the processor's reply and answers the page with "velmo.bankState" after every change.
// UI thread only; a hosted download runs elsewhere and comes back through the fetcher.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "banks/staged_bank.h"
#include "docs/pad_overrides.h"

namespace velmo {

struct BridgeMessage;

class BankControlHost {
public:
    virtual ~BankControlHost() = default;
    virtual void sendBankJson(const std::string& json) = 0;
    // A user edit of parameter id (0-9) to a plain value: a whole gesture.
    virtual void editParam(std::uint32_t id, double plain) = 0;
    virtual double readParam(std::uint32_t id) const = 0;
    // The processor's reply arrives later in adoptRuntimeBankReply.
    virtual void requestRuntimeBank(const std::string& source, const std::string& folder,
                                    const std::string& sha256, const std::string& instrument) = 0;
    virtual bool applyPadOverrides(const SamplerPadOverrides& overrides) = 0;
    // True with a path; false with an error (empty when the user cancelled).
    virtual bool pickFolder(std::string& path, std::string& error) = 0;
    virtual void notePresetSelected(const std::string& id, const std::string& name) = 0;
};

// Starts a hosted-bank download without blocking; `done` runs later on the UI thread with the
// cached bank folder, or ok false. Returns false when no download could be started.
using HostedBankDone = std::function<void(bool ok, const std::string& folder)>;
using HostedBankFetcher =
    std::function<bool(const std::string& url, const std::string& sha256, HostedBankDone done)>;

// Error code answering a hosted request while another download is still running.
inline constexpr const char* kBankFetchBusy = "bank-fetch-busy";

class BankControl {
public:
    explicit BankControl(BankControlHost& host);
    ~BankControl();
    BankControl(const BankControl&) = delete;
    BankControl& operator=(const BankControl&) = delete;

    void setHostedBankFetcher(HostedBankFetcher fetcher) { fetcher_ = std::move(fetcher); }

    // True when the message was a bank message it handled.
    bool handleMessage(const BridgeMessage& message);
    void handleBankPreset(const std::string& id);
    void handleRuntimeBank(const std::string& source, const std::string& folder,
                           const std::string& instrument, const std::string& url,
                           const std::string& sha256);
    void handlePickFolder();
    void adoptRuntimeBankReply(const std::string& reply);

    // reason null: "query"; errorCode null: no error block.
    void sendBankState(const char* reason, const char* errorCode = nullptr,
                       const std::string& requestedId = std::string());

    void clearRuntimeFacts();
    void adoptRestoredRef(const std::string& source, const std::string& locator,
                          const std::string& sha256, const std::string& instrument,
                          const std::string& presetId);
    void adoptRestoredPadOverrides(const SamplerPadOverrides& overrides) { padOverrides_ = overrides; }

    const SamplerPadOverrides& padOverrides() const { return padOverrides_; }
    bool hasRuntimeBank() const { return hasRuntimeBank_; }
    bool fetchRunning() const { return fetching_; }

private:
    void continueRuntimeBank(const std::string& source, const std::string& folder,
                             const std::string& instrument, const std::string& url,
                             const std::string& sha256);
    void startHostedFetch(const std::string& instrument, const std::string& url,
                          const std::string& sha256);

    BankControlHost& host_;
    HostedBankFetcher fetcher_;
    // Cleared on destruction so a download finishing later finds nobody to answer.
    std::shared_ptr<BankControl*> self_;
    bool fetching_ = false;  // one hosted download at a time

    bool hasRuntimeBank_ = false;
    std::string source_;
    std::string locator_;
    std::string sha256_;
    std::string requestedInstrument_;
    std::string instrumentId_, instrumentName_, instrumentKind_;
    std::vector<std::string> positionings_;
    std::vector<BankControlPreset> presets_;
    std::string selectedPresetId_;
    SamplerPadOverrides padOverrides_;
};

}  // namespace velmo
