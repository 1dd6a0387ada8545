#include "data/schema_upgrade.h"

#include "data/engine.h"

namespace nettora {

namespace {

UpgradeStepHook &stepHook()
{
    static UpgradeStepHook hook;
    return hook;
}

}  // namespace

const std::vector<UpgradeStep> &upgradeSteps()
{
    static const std::vector<UpgradeStep> steps = {
        {1, QStringLiteral("User"), QStringLiteral("CompilationText"),
         QStringLiteral("ALTER TABLE \"User\" ADD COLUMN \"CompilationText\" TEXT")},
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
        Statement columns = db.prepare(QStringLiteral("PRAGMA table_info(\"%1\")").arg(step.table));
        while (columns.step())
            has = has || columns.columnText(1).compare(step.field, Qt::CaseInsensitive) == 0;
        if (!has)
            db.exec(step.sql);
        db.exec(QStringLiteral("PRAGMA user_version = %1").arg(step.version));
        if (stepHook())
            if (const QString why = stepHook()(step.version); !why.isEmpty())
                throw EngineError(why);
        t.commit();
    }
}

}  // namespace nettora
