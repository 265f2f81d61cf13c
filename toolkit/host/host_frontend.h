// The host front end: the toolkit's windows, dialogs and links as the simulated machine sees them.
#pragma once
#include "core.h"

namespace tk
{

struct HostFrame {
    HWND window = nullptr;
    bool installReady = false;
    int sizeCheckMode = 0;
};
HostFrame& Frame();
void InstallHostFrontend(); // resets the frame too

} // namespace tk
