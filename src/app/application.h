#pragma once
// The program's identity as the desktop sees it: the application title
// "Nettora", its version and its icon; and the hook that lets a start-up
// benchmark time a whole start from outside.

class QObject;

namespace nettora {

// Called once by the program entry, after the application object exists.
// No display name is set: the window system would append one to every
// caption (" — Nettora" on Linux), and each window's caption is exactly its
// own: the preparer's name, "About", or the home window's version line.
void setUpApplication();

// True when the environment asks the run to end as soon as its first window
// is shown: NETTORA_QUIT_WHEN_SHOWN set to 1. Only a benchmark that times a
// whole start sets it; a normal run never does.
bool quitWhenShownRequested();

// Ends the event loop once the first window the user can work in has been
// painted: the login page, or the home window when no login is asked (the
// home window's one-shot login check is waited for). Only the loop ends, the
// windows stay as they are (none is closed, so no close handler runs), and
// the process exits 0 through the program's normal teardown.
// Returns the watcher, an event filter on the application object that
// removes itself once it has ended the loop.
QObject *quitWhenFirstWindowShown();

}  // namespace nettora
