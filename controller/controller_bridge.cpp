// Messages from the editor page. The page's vocabulary (hello, gestures, presets, state, CC map
// edits, subscriptions) is dispatched here; until the page exists every message is ignored.
#include "controller/velmo_controller.h"

namespace velmo {

void VelmoController::handleBridgeMessage(const char* /*data*/, std::size_t /*size*/) {}

}  // namespace velmo
