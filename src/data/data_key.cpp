#include "data/data_key.h"

#include "data/durable_file.h"
#include "data/failure_cause.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sodium.h>

#include <fcntl.h>
#include <unistd.h>

namespace nettora {

namespace {

KdfLimits &limits()
{
    static KdfLimits l;
    return l;
}

constexpr int FormatVersion = 1;
constexpr const char *Alphabet = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
constexpr int RecoveryChars = 25;
// Larger than anything this program writes, so a huge file is not read whole.
constexpr qint64 MaxKeyFileSize = 64 * 1024;

QString b64(const unsigned char *data, size_t size)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).toBase64());
}

QByteArray fromB64(const QJsonValue &v)
{
    return QByteArray::fromBase64(v.toString().toLatin1());
}

// What each slot's seal is bound to, beside its key.
QByteArray associatedData(const QString &kind, const QJsonObject &slot)
{
    return QStringLiteral("nettora-key %1 %2 %3 %4")
        .arg(FormatVersion)
        .arg(kind)
        .arg(slot.value(QStringLiteral("ops")).toInteger())
        .arg(slot.value(QStringLiteral("memory")).toInteger())
        .toLatin1();
}

SecretBytes derive(const QString &kind, const QJsonObject &slot, const SecretBytes &secret)
{
    SecretBytes key(crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
    const QByteArray salt = fromB64(slot.value(QStringLiteral("salt")));
    // An empty secret has no bytes; the library still wants a pointer.
    static const unsigned char nothing = 0;
    const unsigned char *bytes = secret.empty() ? &nothing : secret.data();
    if (kind == QLatin1String("password")) {
        const qint64 ops = slot.value(QStringLiteral("ops")).toInteger();
        const qint64 memory = slot.value(QStringLiteral("memory")).toInteger();
        if (salt.size() != crypto_pwhash_SALTBYTES || ops < qint64(crypto_pwhash_OPSLIMIT_MIN)
            || memory < qint64(crypto_pwhash_MEMLIMIT_MIN) || ops > 64 || memory > (qint64(4) << 30))
            throw KeyFileUnreadable(QStringLiteral("its password entry is damaged"));
        if (crypto_pwhash(key.data(), key.size(), reinterpret_cast<const char *>(bytes), secret.size(),
                          reinterpret_cast<const unsigned char *>(salt.constData()), quint64(ops), size_t(memory),
                          crypto_pwhash_ALG_ARGON2ID13)
            != 0)
            throw EngineError(QStringLiteral("Not enough memory to derive the key from the password."));
    } else {
        if (salt.size() != crypto_generichash_KEYBYTES)
            throw KeyFileUnreadable(QStringLiteral("its recovery entry is damaged"));
        crypto_generichash(key.data(), key.size(), bytes, secret.size(),
                           reinterpret_cast<const unsigned char *>(salt.constData()), size_t(salt.size()));
    }
    return key;
}

QJsonObject seal(const QString &kind, const SecretBytes &dataKey, const SecretBytes &secret)
{
    QJsonObject slot;
    QByteArray salt(kind == QLatin1String("password") ? crypto_pwhash_SALTBYTES : crypto_generichash_KEYBYTES, '\0');
    randombytes_buf(salt.data(), size_t(salt.size()));
    slot.insert(QStringLiteral("kind"), kind);
    slot.insert(QStringLiteral("salt"), QString::fromLatin1(salt.toBase64()));
    if (kind == QLatin1String("password")) {
        slot.insert(QStringLiteral("kdf"), QStringLiteral("argon2id13"));
        slot.insert(QStringLiteral("ops"), qint64(limits().ops));
        slot.insert(QStringLiteral("memory"), qint64(limits().memory));
    } else {
        slot.insert(QStringLiteral("kdf"), QStringLiteral("blake2b"));
    }
    const SecretBytes key = derive(kind, slot, secret);
    unsigned char nonce[crypto_aead_xchacha20poly1305_ietf_NPUBBYTES];
    randombytes_buf(nonce, sizeof nonce);
    const QByteArray ad = associatedData(kind, slot);
    QByteArray sealed(qsizetype(dataKey.size() + crypto_aead_xchacha20poly1305_ietf_ABYTES), '\0');
    unsigned long long sealedSize = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(reinterpret_cast<unsigned char *>(sealed.data()), &sealedSize,
                                               dataKey.data(), dataKey.size(),
                                               reinterpret_cast<const unsigned char *>(ad.constData()),
                                               quint64(ad.size()), nullptr, nonce, key.data());
    slot.insert(QStringLiteral("nonce"), b64(nonce, sizeof nonce));
    slot.insert(QStringLiteral("sealed"), QString::fromLatin1(sealed.left(qsizetype(sealedSize)).toBase64()));
    return slot;
}

// The data key from one slot, or an empty SecretBytes when the secret is wrong.
SecretBytes unseal(const QJsonObject &slot, const SecretBytes &secret)
{
    const QString kind = slot.value(QStringLiteral("kind")).toString();
    const QByteArray nonce = fromB64(slot.value(QStringLiteral("nonce")));
    const QByteArray sealed = fromB64(slot.value(QStringLiteral("sealed")));
    if (nonce.size() != crypto_aead_xchacha20poly1305_ietf_NPUBBYTES
        || sealed.size() != qsizetype(DataKeyBytes + crypto_aead_xchacha20poly1305_ietf_ABYTES))
        throw KeyFileUnreadable(QStringLiteral("its %1 entry is damaged").arg(kind));
    const SecretBytes key = derive(kind, slot, secret);
    const QByteArray ad = associatedData(kind, slot);
    SecretBytes dataKey(DataKeyBytes);
    unsigned long long size = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            dataKey.data(), &size, nullptr, reinterpret_cast<const unsigned char *>(sealed.constData()),
            quint64(sealed.size()), reinterpret_cast<const unsigned char *>(ad.constData()), quint64(ad.size()),
            reinterpret_cast<const unsigned char *>(nonce.constData()), key.data())
            != 0
        || size != DataKeyBytes)
        return {};
    return dataKey;
}

QJsonObject readKeyFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (!f.exists())
            throw KeyFileUnreadable(QStringLiteral("The key file \"%1\" is missing.").arg(path));
        throw KeyFileUnreadable(QStringLiteral("The key file \"%1\" cannot be read: %2.").arg(path, f.errorString()));
    }
    const QByteArray text = f.read(MaxKeyFileSize + 1);
    const auto damaged = [&path](const QString &why) {
        return KeyFileUnreadable(QStringLiteral("The key file \"%1\" is damaged (%2). Restore the data directory "
                                                "from a backup, which carries its key file.")
                                     .arg(path, why));
    };
    if (text.size() > MaxKeyFileSize)
        throw damaged(QStringLiteral("it is far too large"));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (!doc.isObject())
        throw damaged(QStringLiteral("it is not a key file"));
    const QJsonObject o = doc.object();
    const int version = o.value(QStringLiteral("nettora-key")).toInt();
    if (version > FormatVersion)
        throw KeyFileUnreadable(QStringLiteral("The key file \"%1\" was written by a newer version of Nettora. "
                                               "Install the newer version to open the data.")
                                    .arg(path));
    if (version != FormatVersion)
        throw damaged(QStringLiteral("it is not a key file"));
    return o;
}

QJsonObject slotOf(const QJsonObject &file, const QString &kind, const QString &path)
{
    for (const QJsonValue &v : file.value(QStringLiteral("slots")).toArray())
        if (v.toObject().value(QStringLiteral("kind")).toString() == kind)
            return v.toObject();
    throw KeyFileUnreadable(QStringLiteral("The key file \"%1\" is damaged (it has no %2 entry). Restore the data "
                                           "directory from a backup, which carries its key file.")
                                .arg(path, kind));
}

void writeJson(const QString &path, const QJsonObject &o)
{
    const QByteArray text = QJsonDocument(o).toJson(QJsonDocument::Indented);
    const QString tmp = path + QStringLiteral(".new");
    const QByteArray tmpName = QFile::encodeName(tmp);
    const auto fail = [&path](int err) {
        return EngineError(QStringLiteral("The key file \"%1\" cannot be written: %2.").arg(path, systemCause(err)));
    };
    ::unlink(tmpName.constData());
    UniqueFd fd(::open(tmpName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.valid())
        throw fail(errno);
    for (qsizetype done = 0; done < text.size();) {
        const ssize_t n = ::write(fd.get(), text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            fd.reset();
            ::unlink(tmpName.constData());
            throw fail(err);
        }
        done += n;
    }
    if (const int err = syncAndClose(fd)) {
        ::unlink(tmpName.constData());
        throw fail(err);
    }
    if (const int err = replaceFile(tmp, path)) {
        ::unlink(tmpName.constData());
        throw fail(err);
    }
}

}  // namespace

KdfLimits keyDerivationLimits()
{
    return limits();
}

void setKeyDerivationLimits(KdfLimits l)
{
    limits() = l;
}

QString keyFilePath(const QString &dataDir)
{
    return QDir(dataDir).filePath(QLatin1String(KeyFileName));
}

SecretBytes newDataKey()
{
    SecretBytes key(DataKeyBytes);
    randombytes_buf(key.data(), key.size());
    return key;
}

QString newRecoveryCode()
{
    requireSodium();
    QString code;
    for (int i = 0; i < RecoveryChars; ++i) {
        if (i > 0 && i % 5 == 0)
            code += QLatin1Char('-');
        code += QLatin1Char(Alphabet[randombytes_uniform(32)]);
    }
    return code;
}

QString normalisedRecoveryCode(const QString &typed)
{
    QString out;
    for (QChar c : typed) {
        if (c.isSpace() || c == QLatin1Char('-'))
            continue;
        c = c.toUpper();
        if (c == QLatin1Char('O'))
            c = QLatin1Char('0');
        else if (c == QLatin1Char('I') || c == QLatin1Char('L'))
            c = QLatin1Char('1');
        if (c.unicode() > 127 || !strchr(Alphabet, char(c.unicode())))
            return {};
        out += c;
    }
    if (out.size() != RecoveryChars)
        return {};
    for (int i = RecoveryChars - 5; i > 0; i -= 5)
        out.insert(i, QLatin1Char('-'));
    return out;
}

void writeKeyFile(const QString &path, const SecretBytes &dataKey, const SecretBytes &password,
                  const QString &recoveryCode)
{
    const SecretBytes code = SecretBytes::fromText(normalisedRecoveryCode(recoveryCode));
    QJsonObject o;
    o.insert(QStringLiteral("nettora-key"), FormatVersion);
    o.insert(QStringLiteral("slots"), QJsonArray{seal(QStringLiteral("password"), dataKey, password),
                                                 seal(QStringLiteral("recovery"), dataKey, code)});
    writeJson(path, o);
}

void rewrapPassword(const QString &path, const SecretBytes &dataKey, const SecretBytes &newPassword)
{
    QJsonObject o = readKeyFile(path);
    const QJsonObject recovery = slotOf(o, QStringLiteral("recovery"), path);
    o.insert(QStringLiteral("slots"), QJsonArray{seal(QStringLiteral("password"), dataKey, newPassword), recovery});
    writeJson(path, o);
}

SecretBytes unwrapWithPassword(const QString &path, const SecretBytes &password)
{
    const QJsonObject o = readKeyFile(path);
    SecretBytes key = unseal(slotOf(o, QStringLiteral("password"), path), password);
    if (key.empty())
        throw WrongPassword(QStringLiteral("Invalid Login."));
    return key;
}

SecretBytes unwrapWithRecoveryCode(const QString &path, const QString &typed)
{
    const QJsonObject o = readKeyFile(path);
    const QString code = normalisedRecoveryCode(typed);
    const QJsonObject slot = slotOf(o, QStringLiteral("recovery"), path);
    if (code.isEmpty())
        throw WrongPassword(QStringLiteral("That is not the recovery key of this data."));
    SecretBytes key = unseal(slot, SecretBytes::fromText(code));
    if (key.empty())
        throw WrongPassword(QStringLiteral("That is not the recovery key of this data."));
    return key;
}

SecretBytes engineKeyText(const SecretBytes &dataKey)
{
    // x ' hex ' and a terminating zero for the engine
    SecretBytes keyText(dataKey.size() * 2 + 4);
    unsigned char *p = keyText.data();
    *p++ = 'x';
    *p++ = '\'';
    sodium_bin2hex(reinterpret_cast<char *>(p), dataKey.size() * 2 + 1, dataKey.data(), dataKey.size());
    p += dataKey.size() * 2;
    *p++ = '\'';
    *p = '\0';
    return keyText;
}

}  // namespace nettora
