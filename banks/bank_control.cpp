#include "banks/bank_control.h"

#include "banks/bank_reply.h"
#include "banks/bank_state_json.h"
#include "docs/bridge_message.h"
#include "params/param_table.h"

namespace velmo {

BankControl::BankControl(BankControlHost& host)
    : host_(host), self_(std::make_shared<BankControl*>(this)) {}

BankControl::~BankControl() { *self_ = nullptr; }

bool BankControl::handleMessage(const BridgeMessage& m) {
    const std::string& type = m.type;
    if (type == "velmo.setPadOverrides") {
        if (!m.hasPads) return false;
        if (host_.applyPadOverrides(m.pads)) {
            padOverrides_ = m.pads;
            sendBankState("setPadOverrides");
        }
        return true;
    }
    if (type == "velmo.loadBankPreset") {
        if (m.id.empty()) return false;
        handleBankPreset(m.id);
        return true;
    }
    if (type == "velmo.loadBank") {
        if (!m.source.empty() && m.source != "embedded") {
            handleRuntimeBank(m.source, m.bankPath, m.instrument, m.url, m.sha256);
            return true;
        }
        if (m.id.empty()) return false;
        sendBankState("loadBank", "bank-missing", m.id);
        return true;
    }
    if (type == "velmo.pickFolder") {
        handlePickFolder();
        return true;
    }
    if (type == "velmo.getBankState") {
        sendBankState("query");
        return true;
    }
    return false;
}

void BankControl::handleRuntimeBank(const std::string& source, const std::string& folder,
                                    const std::string& instrument, const std::string& url,
                                    const std::string& sha256) {
    if (source == "hosted") {
        startHostedFetch(instrument, url, sha256);
        return;
    }
    continueRuntimeBank(source, folder, instrument, url, sha256);
}

// The download runs off the UI thread; its end resumes the request where a blocking fetch
// would have returned. One download at a time: another hosted request is answered at once.
void BankControl::startHostedFetch(const std::string& instrument, const std::string& url,
                                   const std::string& sha256) {
    if (fetching_) {
        sendBankState("loadBank", kBankFetchBusy, url);
        return;
    }
    std::weak_ptr<BankControl*> weak = self_;
    HostedBankDone done = [weak, instrument, url, sha256](bool ok, const std::string& folder) {
        const std::shared_ptr<BankControl*> self = weak.lock();
        if (!self || *self == nullptr) return;
        BankControl& control = **self;
        control.fetching_ = false;
        if (!ok) {
            control.sendBankState("loadBank", "bank-fetch-failed", url);
            return;
        }
        control.continueRuntimeBank("hosted", folder, instrument, url, sha256);
    };
    fetching_ = true;
    if (!fetcher_ || !fetcher_(url, sha256, std::move(done))) {
        fetching_ = false;
        sendBankState("loadBank", "bank-fetch-failed", url);
    }
}

void BankControl::continueRuntimeBank(const std::string& source, const std::string& folder,
                                      const std::string& instrument, const std::string& url,
                                      const std::string& sha256) {
    if (folder.empty()) {
        sendBankState("loadBank", "bank-missing", source);
        return;
    }
    source_ = source;
    locator_ = source == "hosted" ? url : folder;
    sha256_ = sha256;
    requestedInstrument_ = instrument;
    host_.requestRuntimeBank(source, folder, sha256, instrument);
}

void BankControl::adoptRuntimeBankReply(const std::string& text) {
    RuntimeBankReply reply = parseRuntimeBankReply(text);
    if (reply.outcome != "ok") {
        const std::string requested = requestedInstrument_.empty() ? locator_ : requestedInstrument_;
        clearRuntimeFacts();
        sendBankState("loadBank", reply.outcome.c_str(), requested);
        return;
    }
    hasRuntimeBank_ = true;
    instrumentId_ = std::move(reply.instrumentId);
    instrumentName_ = std::move(reply.instrumentName);
    instrumentKind_ = std::move(reply.instrumentKind);
    positionings_ = std::move(reply.positionings);
    presets_ = std::move(reply.presets);
    sendBankState("loadBank");
}

void BankControl::handleBankPreset(const std::string& id) {
    const BankControlPreset* found = nullptr;
    for (const BankControlPreset& p : presets_)
        if (p.id == id) {
            found = &p;
            break;
        }
    if (found == nullptr) {
        sendBankState("loadBank", "bank-missing", id);
        return;
    }
    // Copied: the reload below may answer at once and replace the preset list.
    const BankControlPreset preset = *found;
    const bool otherInstrument = !preset.instrument.empty() && preset.instrument != instrumentId_;
    if (otherInstrument && !source_.empty() && !locator_.empty()) {
        const std::string source = source_, locator = locator_, sha256 = sha256_;
        handleRuntimeBank(source, locator, preset.instrument, locator, sha256);
    }
    for (const auto& [name, value] : preset.params)
        if (const velmo_param_desc* row = findParamByPath(name.data(), name.size()))
            host_.editParam(row->id, value);
    selectedPresetId_ = preset.id;
    host_.notePresetSelected(preset.id, preset.name);
    if (!otherInstrument) sendBankState("loadBank");
}

void BankControl::handlePickFolder() {
    std::string path, error;
    const bool ok = host_.pickFolder(path, error);
    host_.sendBankJson(writeFolderPickedJson(ok, path, error));
}

void BankControl::sendBankState(const char* reason, const char* errorCode,
                                const std::string& requestedId) {
    BankStateView view;
    view.reason = reason != nullptr ? reason : "query";
    view.pads = &padOverrides_;
    view.showRuntime = hasRuntimeBank_ && !source_.empty();
    view.source = &source_;
    view.locator = &locator_;
    view.instrumentId = &instrumentId_;
    view.instrumentName = &instrumentName_;
    view.instrumentKind = &instrumentKind_;
    view.positionings = &positionings_;
    if (hasRuntimeBank_ && !presets_.empty()) view.bankPresets = &presets_;
    view.errorCode = errorCode;
    view.requestedId = &requestedId;
    host_.sendBankJson(writeBankStateJson(view));
}

void BankControl::clearRuntimeFacts() {
    hasRuntimeBank_ = false;
    source_.clear();
    locator_.clear();
    sha256_.clear();
    instrumentId_.clear();
    instrumentName_.clear();
    instrumentKind_.clear();
    positionings_.clear();
    presets_.clear();
}

void BankControl::adoptRestoredRef(const std::string& source, const std::string& locator,
                                   const std::string& sha256, const std::string& instrument,
                                   const std::string& presetId) {
    source_ = source;
    locator_ = locator;
    sha256_ = sha256;
    requestedInstrument_ = instrument;
    selectedPresetId_ = presetId;
}

}  // namespace velmo
