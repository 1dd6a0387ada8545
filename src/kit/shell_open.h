#pragma once
// Hands a file or an address to the desktop to open, as the shell of the
// system would.

#include <QString>
#include <functional>

namespace nettora {

// False when the desktop could not open it.
bool ShellOpen(const QString &target);
// Replaces the desktop shell behind ShellOpen (tests record what would have
// been opened); an empty handler goes back to the desktop.
void setShellHandler(std::function<bool(const QString &)> handler);

}  // namespace nettora
