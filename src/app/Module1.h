#pragma once

#include <QtGlobal>

namespace Module1 {

// Id of the card last chosen in the results grid, read by the card window. Wider than
// 16 bits so that every card of a large catalogue can be handed over.
extern qint32 iIdFicha;

// The program's entry point: single instance, splash, main window.
void Main();

} // namespace Module1
