#pragma once
// What the client information window's opening and saving share.

#include "data/engine.h"

namespace nettora::clientadd {

// Puts a row into edit, or begins a new one, unless it is already pending.
// Editing never turns into adding: an edit on an empty view would begin a
// row that no check has passed.
inline void beginEditing(Table *t, bool append)
{
    if (t->state() == RecordState::Edit || t->state() == RecordState::Insert)
        return;
    if (append) {
        t->append();
        return;
    }
    if (t->isEmpty())
        throw EngineError(QStringLiteral("There is no current row in the table %1.").arg(t->tableName()));
    t->edit();
}

}  // namespace nettora::clientadd
