#include "kit/app_state.h"

namespace nettora {

QString modeWord(ClientMode mode)
{
    switch (mode) {
    case ClientMode::None: return QString();
    case ClientMode::Add: return QStringLiteral("Add");
    case ClientMode::Edit: return QStringLiteral("Edit");
    case ClientMode::Update: return QStringLiteral("Update");
    case ClientMode::Delete: return QStringLiteral("Delete");
    case ClientMode::Print: return QStringLiteral("Print");
    case ClientMode::Email: return QStringLiteral("Email");
    case ClientMode::Pdf: return QStringLiteral("PDF");
    }
    return QString();
}

AppState &appState()
{
    static AppState state;
    return state;
}

void resetAppState() { appState() = AppState(); }

}  // namespace nettora
