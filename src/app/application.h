#pragma once
// The program's identity as the desktop sees it: the application title
// "Nettora", its version and its icon.

namespace nettora {

// Called once by the program entry, after the application object exists.
// No display name is set: the window system would append one to every
// caption (" — Nettora" on Linux), and each window's caption is exactly its
// own: the preparer's name, "About", or the home window's version line.
void setUpApplication();

}  // namespace nettora
