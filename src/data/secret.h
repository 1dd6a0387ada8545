#pragma once
// Bytes that must never reach the disk, a log or a core dump in clear: held
// in libsodium's guarded memory (locked in RAM, fenced by guard pages, wiped
// when freed) and readable only while a reader holds them open.

#include <QByteArray>
#include <QString>
#include <cstddef>

namespace nettora {

class SecretBytes {
public:
    SecretBytes() = default;
    explicit SecretBytes(size_t size);
    ~SecretBytes();
    SecretBytes(SecretBytes &&o) noexcept;
    SecretBytes &operator=(SecretBytes &&o) noexcept;
    SecretBytes(const SecretBytes &) = delete;
    SecretBytes &operator=(const SecretBytes &) = delete;

    // A copy of text's UTF-8 bytes; the caller clears its own copies.
    static SecretBytes fromText(const QString &text);
    SecretBytes clone() const;

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    unsigned char *data() { return m_data; }
    const unsigned char *data() const { return m_data; }
    bool operator==(const SecretBytes &o) const;

private:
    unsigned char *m_data = nullptr;
    size_t m_size = 0;
};

// Wipes a QString's or QByteArray's characters (what a line edit or a read
// handed over) before it is released.
void wipe(QString &text);
void wipe(QByteArray &bytes);

// Starts libsodium once; throws EngineError when it cannot start.
void requireSodium();

}  // namespace nettora
