#include "data/schema_upgrade.h"

#include "data/engine.h"
#include "data/schema.h"

namespace nettora {

namespace {

UpgradeStepHook &stepHook()
{
    static UpgradeStepHook hook;
    return hook;
}

// Caseless index parts used to be ordered by the engine's NOCASE, which
// folds ASCII alone; they now order by nt_lower, the fold the filters search
// by, and the client last-name index serves the name search as well, so its
// separate search index goes. Dropped and made anew, which also suits a file
// that has the new indexes already.
QStringList caselessIndexesByFold()
{
    QStringList sql{QStringLiteral("DROP INDEX IF EXISTS \"key_Client_lastname\"")};
    for (const NamedIndexSql &i : namedIndexSql())
        sql << QStringLiteral("DROP INDEX IF EXISTS \"%1\"").arg(i.name) << i.sql;
    return sql;
}

}  // namespace

const std::vector<UpgradeStep> &upgradeSteps()
{
    static const std::vector<UpgradeStep> steps = {
        {1, QStringLiteral("User"), QStringLiteral("CompilationText"),
         {QStringLiteral("ALTER TABLE \"User\" ADD COLUMN \"CompilationText\" TEXT")}},
        {2, QString(), QString(), caselessIndexesByFold()},
        // The review page is off until asked for, in old files as in new.
        {3, QStringLiteral("User"), QStringLiteral("PrintReview"),
         {QStringLiteral("ALTER TABLE \"User\" ADD COLUMN \"PrintReview\" TEXT"),
          QStringLiteral("UPDATE \"User\" SET \"PrintReview\" = 'N'")}},
    };
    return steps;
}

int dataVersion()
{
    return upgradeSteps().empty() ? 0 : upgradeSteps().back().version;
}

void setUpgradeStepHook(UpgradeStepHook hook)
{
    stepHook() = std::move(hook);
}

void runUpgradeSteps(Database &db, int from)
{
    for (const UpgradeStep &step : upgradeSteps()) {
        if (step.version <= from)
            continue;
        Transaction t(db);
        // A file that already has the field (made by a program that wrote
        // no version) only takes the number.
        bool has = false;
        if (!step.field.isEmpty()) {
            Statement columns = db.prepare(QStringLiteral("PRAGMA table_info(\"%1\")").arg(step.table));
            while (columns.step())
                has = has || columns.columnText(1).compare(step.field, Qt::CaseInsensitive) == 0;
        }
        if (!has)
            for (const QString &sql : step.sql)
                db.exec(sql);
        db.exec(QStringLiteral("PRAGMA user_version = %1").arg(step.version));
        if (stepHook())
            if (const QString why = stepHook()(step.version); !why.isEmpty())
                throw EngineError(why);
        t.commit();
    }
}

}  // namespace nettora
