#pragma once
// The one base of the program's failures: a sentence for the user and, when
// the engine gave one, its result code. A window or command can show any of
// them the same way; the kinds below say only where a failure arose.

#include <QString>
#include <stdexcept>

namespace nettora {

class Error : public std::runtime_error {
public:
    explicit Error(const QString &text, int code = 0)
        : std::runtime_error(text.toStdString()), m_text(text), m_code(code) {}
    const QString &text() const { return m_text; }
    int code() const { return m_code; }

private:
    QString m_text;
    int m_code;
};

}  // namespace nettora
