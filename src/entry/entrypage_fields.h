#pragma once
// What an entry page's building and its checks both ask of a field: its
// definition, the width and words of its bounds, the name of its box.

#include "data/currency.h"
#include "data/engine.h"
#include "entry/entrypage.h"
#include "kit/money.h"

#include <QString>
#include <algorithm>
#include <cmath>

namespace nettora::entryfields {

inline bool isNumeric(EditorKind k)
{
    return k == EditorKind::Money || k == EditorKind::Number || k == EditorKind::Percent;
}

inline const FieldDef &fieldDef(const Table *table, const QString &field)
{
    const TableDef &def = table->def();
    const int pos = def.fieldIndex(field);
    if (pos < 0)
        throw EngineError(QStringLiteral("The table %1 has no field %2.").arg(def.name, field));
    return def.fields[size_t(pos)];
}

// A percent box takes as many characters as its widest bound: "-99" and
// "999" give three, so the box can hold every value the field accepts.
inline int boundWidth(const ValueRange &range)
{
    return int(std::max(QString::number(qint64(range.min)).size(), QString::number(qint64(range.max)).size()));
}

inline QString boundText(EditorKind kind, double bound)
{
    if (kind == EditorKind::Money)
        return formatMoney(bound);
    const QString digits = QString::number(qint64(std::fabs(bound)));
    return (bound < 0 ? QStringLiteral("-") : QString()) + groupThousands(digits);
}

// "* Market Value:" names the box "Market Value".
inline QString boxName(const QString &caption)
{
    QString name = caption.trimmed();
    while (name.startsWith(QLatin1Char('*')))
        name = name.mid(1).trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name = name.chopped(1).trimmed();
    return name;
}

inline QString notANumber(const QString &text, const QString &caption)
{
    return QStringLiteral("'%1' is not a valid number in %2.").arg(text, boxName(caption));
}

}  // namespace nettora::entryfields
