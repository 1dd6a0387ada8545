#include "data/secret.h"

#include "data/engine_error.h"

#include <sodium.h>

#include <utility>

namespace nettora {

void requireSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw EngineError(QStringLiteral("The encryption library could not be started."));
}

SecretBytes::SecretBytes(size_t size)
{
    requireSodium();
    if (size == 0)
        return;
    m_data = static_cast<unsigned char *>(sodium_malloc(size));
    if (!m_data)
        throw EngineError(QStringLiteral("Not enough protected memory for the data key."));
    m_size = size;
    sodium_memzero(m_data, size);
}

SecretBytes::~SecretBytes()
{
    if (m_data)
        sodium_free(m_data);  // wipes before it frees
}

SecretBytes::SecretBytes(SecretBytes &&o) noexcept : m_data(std::exchange(o.m_data, nullptr)), m_size(std::exchange(o.m_size, 0))
{
}

SecretBytes &SecretBytes::operator=(SecretBytes &&o) noexcept
{
    if (this != &o) {
        if (m_data)
            sodium_free(m_data);
        m_data = std::exchange(o.m_data, nullptr);
        m_size = std::exchange(o.m_size, 0);
    }
    return *this;
}

SecretBytes SecretBytes::fromText(const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    SecretBytes s(size_t(utf8.size()));
    if (!utf8.isEmpty())
        memcpy(s.m_data, utf8.constData(), size_t(utf8.size()));
    wipe(utf8);
    return s;
}

SecretBytes SecretBytes::clone() const
{
    SecretBytes s(m_size);
    if (m_size)
        memcpy(s.m_data, m_data, m_size);
    return s;
}

bool SecretBytes::operator==(const SecretBytes &o) const
{
    return m_size == o.m_size && (m_size == 0 || sodium_memcmp(m_data, o.m_data, m_size) == 0);
}

void wipe(QString &text)
{
    // data() detaches first: characters another string still shares are
    // that string's to wipe.
    if (!text.isEmpty())
        sodium_memzero(text.data(), size_t(text.size()) * sizeof(QChar));
    text.clear();
}

void wipe(QByteArray &bytes)
{
    if (!bytes.isEmpty())
        sodium_memzero(bytes.data(), size_t(bytes.size()));  // data() detaches a shared copy first
    bytes.clear();
}

}  // namespace nettora
