#pragma once

namespace tk {

// Twips of the parent's client area to pixels and back.
int twipsToPixelsX(int twips);
int twipsToPixelsY(int twips);
int pixelsToTwipsX(int pixels);
int pixelsToTwipsY(int pixels);

// The system's scroll-bar thickness in pixels (vertical bar width, horizontal bar height).
int systemScrollBarWidth();
int systemScrollBarHeight();

} // namespace tk
