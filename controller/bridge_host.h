#pragma once
// What the editor view sees of the controller: page messages in, a document sink out, and the
// editor's own life. Keeps the editor independent of the controller class.

#include <cstddef>
#include <functional>
#include <string>

namespace velmo {

using BridgeSink = std::function<void(const std::string&)>;

class BridgeHost {
public:
    // One message posted by the page (UTF-8 text and its byte length).
    virtual void handleBridgeMessage(const char* data, std::size_t size) = 0;
    // Installs the channel to the page; an empty function removes it.
    virtual void setBridgeSink(BridgeSink sink) = 0;
    virtual void onEditorOpened() = 0;
    virtual void onEditorClosed() = 0;
    virtual void onEditorError(const char* reason) = 0;
    // The host hid the editor's window without detaching it, or showed it again.
    virtual void onEditorShown(bool shown) = 0;

protected:
    ~BridgeHost() = default;
};

}  // namespace velmo
