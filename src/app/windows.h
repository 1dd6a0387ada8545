#pragma once

namespace nettora {

// Tells the window openers how to make every window of the program; called
// once at start-up (and by tests that open windows through the openers).
void registerAllWindows();

}  // namespace nettora
