#include "kernel/modal_render.h"

#include "kernel/modal_struck.h"

namespace velmo {

// Sample by sample, voice by voice in index order, exactly as the voice step reads.
void renderModalVoicesScalar(ModalStruckState& state, float* left, float* right, uint32_t frames) {
    const int limit = state.voiceLimit < MODAL_STRUCK_MAX_VOICES ? state.voiceLimit
                                                                 : MODAL_STRUCK_MAX_VOICES;
    for (uint32_t i = 0; i < frames; ++i) {
        float mixLeft = 0.0f;
        float mixRight = 0.0f;
        for (int v = 0; v < limit; ++v) {
            if (state.voiceActive[v] != 1) continue;
            const ModalVoiceOutput out = modalVoiceStep(state, v);
            mixLeft += out.left;
            mixRight += out.right;
        }
        const double master = state.params[MODAL_STRUCK_PARAM_MASTER];
        left[i] = float(master * double(mixLeft));
        right[i] = float(master * double(mixRight));
    }
}

}  // namespace velmo
