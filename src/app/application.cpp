#include "app/application.h"

#include "kit/artwork.h"

#include <QApplication>

namespace nettora {

void setUpApplication()
{
    QApplication::setApplicationName(QStringLiteral("Nettora"));
    QApplication::setApplicationVersion(QStringLiteral(NETTORA_VERSION));
    QApplication::setWindowIcon(artwork::applicationIcon());
}

}  // namespace nettora
