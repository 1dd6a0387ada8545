#pragma once
// Where nettora-cli takes the login password from: a file, standard input,
// NETTORA_PASSWORD, or a question at the terminal. Every way hands it over in
// guarded memory; nothing here prints it.

#include "data/secret.h"

#include <QString>
#include <functional>

class QIODevice;

namespace nettora::cli {

// The longest password line read; a longer one is refused rather than cut.
inline constexpr size_t MaxPasswordBytes = 1024;

// NETTORA_PASSWORD's value, and the variable taken out of the environment so
// that nothing started later inherits it. Empty when it is unset or empty.
SecretBytes takeEnvironmentPassword();

// The file's first line without its line end (LF or CRLF). Says through warn
// when the group or others may read the file. Throws CliError when it cannot
// be read or the line is too long.
SecretBytes readPasswordFile(const QString &path, const std::function<void(const QString &)> &warn);

// One line of in without its line end; nothing after it is read.
SecretBytes readPasswordLine(QIODevice &in);

// Whether in is the program's standard input and a terminal, where a
// question can be asked without anyone seeing the answer.
bool canPrompt(const QIODevice &in);

// Asks at the terminal and reads one line with the echo off. The echo comes
// back on every way out: a return, an exception, and an ending signal (the
// signal then ends the program as it would have). Throws CliError when the
// terminal cannot be used.
SecretBytes promptPassword(const char *prompt);

}  // namespace nettora::cli
