#include "data/password.h"

#include "data/engine_error.h"
#include "data/secret.h"

#include <sodium.h>

namespace nettora {

bool isPasswordHash(const QString &stored)
{
    return stored.startsWith(QLatin1String(crypto_pwhash_STRPREFIX));
}

QString hashPassword(const QString &password)
{
    requireSodium();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), quint64(utf8.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        throw EngineError(QStringLiteral("Not enough memory to protect the password."));
    return QString::fromLatin1(out);
}

bool verifyPassword(const QString &typed, const QString &stored, bool *needsRehash)
{
    if (needsRehash)
        *needsRehash = false;
    if (stored.isEmpty())
        return false;
    if (!isPasswordHash(stored)) {
        const bool match = typed == stored;
        if (needsRehash)
            *needsRehash = match;
        return match;
    }
    requireSodium();
    const QByteArray hash = stored.toLatin1();
    const QByteArray utf8 = typed.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), utf8.constData(), quint64(utf8.size())) == 0;
}

}  // namespace nettora
