#include "app/frame_pacer.h"

#include <cmath>

int32_t framePacerAdvance(FramePacer& pacer, double now) {
    if (pacer.started && now > pacer.previousSeconds) {
        pacer.owedSeconds += now - pacer.previousSeconds;
    }
    pacer.previousSeconds = now;
    pacer.started = true;
    const double whole = std::floor(pacer.owedSeconds / kUpdateSeconds + 0.5);
    if (whole > kMostUpdatesPerFrame) {
        pacer.owedSeconds = 0.0;
        return kMostUpdatesPerFrame;
    }
    pacer.owedSeconds -= whole * kUpdateSeconds;
    return static_cast<int32_t>(whole);
}

double framePacerWait(const FramePacer& pacer) {
    return pacer.owedSeconds < kUpdateSeconds ? kUpdateSeconds - pacer.owedSeconds : 0.0;
}
