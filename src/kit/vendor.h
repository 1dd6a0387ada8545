#pragma once
// The maker's web addresses, in one place.

#include <QString>

namespace nettora::vendor {

inline const QString Maker = QStringLiteral("Kelmor");
inline const QString WebSite = QStringLiteral("https://www.kelmor.com");
inline const QString UpdateCheckPath = QStringLiteral("/sc/check_update.php?version=");
inline const QString AffiliatePath = QStringLiteral("/affiliates/index.html");
inline const QString SupportPage = QStringLiteral("https://www.kelmor.com/support/");
// Printed at the foot of the Professional single Net Worth Summary.
inline const QString ProductWebAddress = QStringLiteral("www.kelmor.com/nettora");
inline const QString PasswordProductPage = QStringLiteral("https://www.kelmor.com/vaultmere/");

}  // namespace nettora::vendor
