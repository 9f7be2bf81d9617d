#pragma once

namespace tk {

// The toolkit's process-wide settings: picture readers may allocate up to 1 GiB, and
// Verdana, rarely installed on Linux, is substituted by a wide humanist sans. Called once,
// after the application object exists and before any window is made.
void initialize();

} // namespace tk
