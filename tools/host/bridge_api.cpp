#include "tools/host/bridge_api.h"

namespace velmo::host {

namespace {

template <typename F>
void resolve(const PluginModule& module, const char* name, F& out) {
    out = reinterpret_cast<F>(module.symbol(name));
}

}  // namespace

BridgeApi bridgeApiOf(const PluginModule& module) {
    BridgeApi api;
    resolve(module, "velmoDiagnosticBridgeAbiVersion", api.abiVersion);
    resolve(module, "velmoInstallDiagnosticBridgeSink", api.installSink);
    resolve(module, "velmoDeliverDiagnosticBridgeMessage", api.deliver);
    resolve(module, "velmoTickDiagnosticCadence", api.tick);
    resolve(module, "velmoStartCadenceClock", api.startClock);
    resolve(module, "velmoStopCadenceClock", api.stopClock);
    return api;
}

}  // namespace velmo::host
