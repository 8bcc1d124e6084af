// The desktop's work area: the primary screen less panels and docks.
#pragma once

namespace kalo {

// Right and bottom edges (exclusive) of the primary screen's work area; 0
// when there is no screen.
int WorkAreaRight();
int WorkAreaBottom();

} // namespace kalo
