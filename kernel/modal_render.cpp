#include "kernel/modal_render.h"

#include <atomic>

#include "kernel/simd/modal_render_simd.h"

namespace velmo {
namespace {

// The automatic choice: the fastest renderer this CPU runs.
ModalRenderFunction automaticRenderer() { return fastestModalRenderer(); }

// Chosen once at load time, so the audio path never runs a guarded initialisation.
const ModalRenderFunction g_automatic = automaticRenderer();
std::atomic<bool> g_forceScalar{false};

}  // namespace

void renderModalVoices(ModalStruckState& state, float* left, float* right, uint32_t frames) {
    const ModalRenderFunction render =
        g_forceScalar.load(std::memory_order_relaxed) ? &renderModalVoicesScalar : g_automatic;
    render(state, left, right, frames);
}

void forceScalarModalRender(bool scalar) { g_forceScalar.store(scalar, std::memory_order_relaxed); }

const char* modalRenderName() {
    return g_forceScalar.load(std::memory_order_relaxed) ? "scalar" : "automatic";
}

}  // namespace velmo
