#include "app/windows.h"

#include "app/btn_functions.h"
#include "clients/clientadd.h"

namespace nettora {

void registerAllWindows()
{
    // One line per window: registerWindowFactory("TfrmX", [] { return new TfrmX; });
    registerWindowFactory(QStringLiteral("TfrmClientAdd"), [] { return new TfrmClientAdd; });
}

}  // namespace nettora
