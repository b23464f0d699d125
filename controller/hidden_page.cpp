#include "controller/hidden_page.h"

#include "controller/velmo_controller.h"

namespace velmo {

namespace {

// Documents the page asked for: a hidden page still gets them, or it would wait for ever.
constexpr std::string_view ANSWERS[] = {"velmo.hello", "velmo.state", "velmo.bankState", "velmo.folderPicked"};

bool isAnswer(std::string_view document) {
    constexpr std::string_view prefix = "{\"type\":\"";
    if (document.substr(0, prefix.size()) != prefix) return false;
    document.remove_prefix(prefix.size());
    for (const std::string_view type : ANSWERS)
        if (document.substr(0, type.size()) == type && document.substr(type.size(), 1) == "\"") return true;
    return false;
}

}  // namespace

BridgeSink HiddenPage::gate(BridgeSink sink) {
    hidden_ = false;
    missed_ = false;
    if (!sink) return sink;
    return [this, sink = std::move(sink)](const std::string& document) {
        if (admits(document)) sink(document);
    };
}

bool HiddenPage::setShown(bool shown) {
    const bool catchUp = shown && hidden_ && missed_;
    hidden_ = !shown;
    if (shown) missed_ = false;
    return catchUp;
}

bool HiddenPage::admits(std::string_view document) {
    if (!hidden_ || isAnswer(document)) return true;
    missed_ = true;
    return false;
}

void VelmoController::onEditorShown(bool shown) {
    // A page that has not said it is ready yet gets everything with its first hello anyway.
    if (hiddenPage_.setShown(shown) && helloSent_) sendHello();
}

}  // namespace velmo
