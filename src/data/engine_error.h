#pragma once
#include <QString>
#include <stdexcept>

namespace nettora {

// A failure of the table engine. The text is the engine's own, shown to the
// user as it stands.
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const QString &text, int code = 0)
        : std::runtime_error(text.toStdString()), m_text(text), m_code(code) {}
    const QString &text() const { return m_text; }
    int code() const { return m_code; }

private:
    QString m_text;
    int m_code;
};

}  // namespace nettora
