#pragma once
// The data file records the version of its tables in PRAGMA user_version:
// 0 for files made before versions were recorded. Each upgrade step brings a
// file from the version before it to its own, in one transaction, when the
// file is opened; a new file is made at the newest version directly.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace nettora {

class Database;

struct UpgradeStep {
    int version;       // the version the step brings the file to
    QString table;
    QString field;     // the field it adds; empty for a step that adds none
    QStringList sql;   // what it runs, in order
};
// In order of version, one step per version from 1 on.
const std::vector<UpgradeStep> &upgradeSteps();
// The version this program writes and reads.
int dataVersion();

// Brings the open file from version `from` to dataVersion(), one step per
// transaction that also records the step's version, so a step that fails
// leaves the file at the version before it. Throws EngineError with the
// engine's text.
void runUpgradeSteps(Database &db, int from);

// Called inside each step's transaction before it commits; a non-empty text
// makes the step fail with it (a test's way to break a step). An empty hook
// lets every step run.
using UpgradeStepHook = std::function<QString(int version)>;
void setUpgradeStepHook(UpgradeStepHook hook);

}  // namespace nettora
