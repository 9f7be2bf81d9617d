#pragma once

namespace tk {

// The toolkit's process-wide settings: picture readers may allocate up to 1 GiB, Verdana,
// rarely installed on Linux, is substituted by a wide humanist sans, Qt's own texts speak
// Spanish (when Qt's translations are installed), and the desktop learns the id of the menu
// entry. Called once, after the application object exists and before any window is made.
void initialize();

} // namespace tk
