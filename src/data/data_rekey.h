#pragma once
// Moving a data file's content under another key: what the upgrade to the
// data key, the kept files' move to it and the restore of a backup from
// before the key file share.

#include "data/engine.h"
#include "data/secret.h"

#include <QString>

namespace nettora {

// Replaces target by source in one step, so that a crash leaves one or the
// other whole. Throws EngineError naming the target.
void replaceDataFile(const QString &source, const QString &target);

// The version the data file records; 0 for files made before versions were.
int dataFileVersion(Database &db);

// Writes what db holds into target under the data key (the engine's export),
// the version with it, and checks that every table holds as many rows; target
// must not exist. Throws EngineError.
void exportUnderKey(Database &db, const QString &target, const SecretBytes &dataKey);

// The copy opens on its own under the data key and the engine finds it
// whole; its journal is left in the file. Throws EngineError.
void checkCopy(const QString &file, const SecretBytes &dataKey);

}  // namespace nettora
