#pragma once
#include "data/error.h"

namespace nettora {

// A failure of the table engine. The text is the engine's own, shown to the
// user as it stands.
class EngineError : public Error {
public:
    using Error::Error;
};

}  // namespace nettora
