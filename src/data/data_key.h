#pragma once
// The data key and the key file that keeps it.
//
// The data file is encrypted under a random 256-bit data key (the engine's
// raw-key form). The key is kept only sealed, in the key file beside the data
// file, once under the login password and once under the recovery key:
//
//   password slot: key = Argon2id(password, fresh salt, KdfLimits)
//   recovery slot: key = BLAKE2b(recovery code, fresh salt); the code holds
//                  125 random bits, so a slow derivation adds nothing
//   each slot:     XChaCha20-Poly1305 of the data key under that key, with
//                  the slot's kind and limits as associated data, so a
//                  changed limit or a swapped slot fails like a wrong password
//
// The file is JSON text, mode 0600, written under a temporary name, synced
// and renamed over the old one, so a kill leaves the old or the new file
// whole: the old password or the new one works, never neither.

#include "data/engine_error.h"
#include "data/secret.h"

#include <QString>

namespace nettora {

// Argon2id's cost. The default takes about 0.35 s on the 2-core machine the
// program is built on (3 passes over 128 MiB): slow enough to make guessing
// a stolen file's password costly, quick enough for a login.
struct KdfLimits {
    unsigned long long ops = 3;
    size_t memory = size_t(128) << 20;
};
KdfLimits keyDerivationLimits();
// Lowers the cost for files made from then on (tests, which make hundreds of
// data directories). The limits are stored in each key file, so a file
// opens with the limits it was made with.
void setKeyDerivationLimits(KdfLimits limits);

// The password (or recovery key) given does not open the key file.
class WrongPassword : public EngineError {
public:
    using EngineError::EngineError;
};

// The key file cannot be read as one (damaged, cut short, another format).
class KeyFileUnreadable : public EngineError {
public:
    using EngineError::EngineError;
};

inline constexpr const char *KeyFileName = "nettora.key";
QString keyFilePath(const QString &dataDir);

constexpr size_t DataKeyBytes = 32;
SecretBytes newDataKey();

// "XXXXX-XXXXX-XXXXX-XXXXX-XXXXX" in the letters and digits that cannot be
// misread (Crockford's base 32).
QString newRecoveryCode();
// The code as typed, normalised: case, spaces and dashes ignored, O read as
// 0 and I or L as 1. Empty when it cannot be a recovery code.
QString normalisedRecoveryCode(const QString &typed);

// Seals dataKey under password and recoveryCode and writes the key file
// atomically (0600). Throws EngineError naming the file when it cannot.
void writeKeyFile(const QString &path, const SecretBytes &dataKey, const SecretBytes &password,
                  const QString &recoveryCode);
// Re-seals the password slot under a new password; the recovery slot and the
// data key stay as they are.
void rewrapPassword(const QString &path, const SecretBytes &dataKey, const SecretBytes &newPassword);

// The data key, unsealed. WrongPassword when the password or code does not
// open it; KeyFileUnreadable when the file is not a key file.
SecretBytes unwrapWithPassword(const QString &path, const SecretBytes &password);
SecretBytes unwrapWithRecoveryCode(const QString &path, const QString &code);

// The data key as the engine takes it: "x'<64 hex digits>'", in guarded memory.
SecretBytes engineKeyText(const SecretBytes &dataKey);

}  // namespace nettora
