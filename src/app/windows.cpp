#include "app/windows.h"

#include "app/btn_functions.h"

namespace nettora {

void registerAllWindows()
{
    // One line per window: registerWindowFactory("TfrmX", [] { return new TfrmX; });
}

}  // namespace nettora
