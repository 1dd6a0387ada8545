#include "app/windows.h"

#include "app/btn_functions.h"
#include "app/fsmain.h"
#include "clients/client.h"
#include "clients/clientadd.h"
#include "entry/assets.h"
#include "reports/preview.h"

namespace nettora {

void registerAllWindows()
{
    // One line per window: registerWindowFactory("TfrmX", [] { return new TfrmX; });
    registerWindowFactory(QStringLiteral("TfrmClient"), [] { return new TfrmClient; });
    registerWindowFactory(QStringLiteral("TfrmFSMain"), [] { return new TfrmFSMain; });
    registerWindowFactory(QStringLiteral("TfrmClientAdd"), [] { return new TfrmClientAdd; });
    registerWindowFactory(QStringLiteral("TfrmAssets"), [] { return new TfrmAssets; });
    registerStatementPreview(reports::showStatementPreview);
}

}  // namespace nettora
