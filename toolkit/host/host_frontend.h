// The host front end: the toolkit's windows, dialogs and links as the simulated machine sees them.
#pragma once
#include "core.h"

namespace tk
{

void InstallHostFrontend();

} // namespace tk
