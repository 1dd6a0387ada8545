#pragma once
// Filter expressions: the small language in which the program narrows a
// table. It accepts conjunctions ("and") of these conditions, field names in
// any letter case:
//   Field = "text"      exact match; "" inside the quotes is one '"'
//   Field = 123         numeric match
//   Field = NULL        the field is empty ("" means the same)
//   Lower(Field) = "x*" case-insensitive prefix match (only the final * is a
//                       wildcard); without the final *, case-insensitive match
// Anything else is refused. The result is SQL with bound values: nothing the
// user typed ever becomes SQL text.

#include "data/engine_error.h"
#include "data/schema.h"

#include <QString>
#include <QVariant>
#include <vector>

namespace nettora {

struct CompiledFilter {
    QString where;                // SQL condition; empty means every row
    std::vector<QVariant> binds;  // values for its ? placeholders, in order
};

// Throws EngineError with a message naming the fault when the expression is
// not one of the accepted forms or names a field the table does not have.
CompiledFilter compileFilter(const TableDef &table, const QString &expression);

// Writes a text value into an expression: quoted, with '"' doubled.
QString filterText(const QString &value);

// The lower-case form used by Lower(...) in filters and by the name indexes.
QString foldCase(const QString &s);

// Storage conversions shared with the cursor. An amount outside the range
// of a currency field throws EngineError rather than wrap.
qint64 currencyToStorage(double amount);
double currencyFromStorage(qint64 stored);
// Accepts MM/dd/yy, MM/dd/yyyy (one-digit month or day too) and yyyy-MM-dd;
// two-digit years 00-49 are 2000-2049, 50-99 are 1950-1999. Returns an empty
// string when the text is not a date.
QString dateTextToIso(const QString &text);
QString dateIsoToText(const QString &iso);  // MM/dd/yy

}  // namespace nettora
