#pragma once
// The preparer's particulars in the user row, composed the one way every
// window, printout and nettora-cli shows them.

#include <QString>
#include <QStringList>
#include <vector>

namespace nettora {

class Table;

// "First M. Last", or "First Last" without a middle initial.
QString composedName(const QString &first, const QString &middle, const QString &last);

// The preparer's name from the current user row.
QString PreparerName();

// The fields that feed the letterhead are kept composed in the user row:
// FullName, Address3, CityStateZip and FaxNumber, from the row's own
// preparer fields. The row must be in edit or insert state.
void DerivePreparerFields(Table *user);

// Each composed field with the fields it is composed from.
struct ComposedPreparerField {
    QString field;
    QStringList sources;
};
const std::vector<ComposedPreparerField> &composedPreparerFields();

}  // namespace nettora
