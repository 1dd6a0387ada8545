#pragma once
// Pieces of SQL text the engine's files share; not for callers.

#include <QString>

namespace nettora::engine_sql {

inline QString quoteIdent(const QString &name)
{
    QString s = name;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

inline QString quoteLiteral(const QString &s)
{
    QString t = s;
    t.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

}  // namespace nettora::engine_sql
