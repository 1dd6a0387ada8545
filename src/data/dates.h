#pragma once
// Dates as the preparer types them: month/day/year, the year in two or four
// digits. A two-digit year is read in 1950-2049, as the engine reads a date
// field, so "1/2/26" is January 2, 2026 wherever it is typed.

#include <QString>

namespace nettora {

// The typed date as MM/dd/yyyy ("1/2/26" gives "01/02/2026"), or an empty
// text when it is not a real calendar date in that form.
QString fullDateText(const QString &typed);

// The refusal of a typed date, naming its box and an example:
// "'06/31/2026' is not a valid date in Statement Date. Type it as
// month/day/year, like 12/31/2025."
QString invalidDateMessage(const QString &typed, const QString &box, const QString &example);
// The refusal of a typed statement date, wherever a statement's date is typed.
QString statementDateRefusal(const QString &typed);

}  // namespace nettora
