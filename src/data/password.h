#pragma once
// Login passwords are kept as salted Argon2id hashes, never as text.

#include <QString>

namespace nettora {

QString hashPassword(const QString &password);

// True when typed is the password stored. A stored value that is not a hash
// (from an older installation or backup) is compared as text, exactly; then
// needsRehash is set, so the caller can replace it by its hash.
bool verifyPassword(const QString &typed, const QString &stored, bool *needsRehash = nullptr);

bool isPasswordHash(const QString &stored);

}  // namespace nettora
