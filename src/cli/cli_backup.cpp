#include "cli/cli_commands.h"

#include "data/data_backup.h"

namespace nettora::cli {

QString backupToFolder(const QString &folder, bool replace)
{
    const DataFileResult r = BackupDataFile(folder, replace ? ExistingBackup::Replace : ExistingBackup::Refuse);
    if (r.existingBackupKept)
        throw CliError(r.text + QStringLiteral(" Give --replace to replace it."));
    if (!r.ok)
        throw CliError(QStringLiteral("There was an error backing up the files. ") + r.text);
    return QStringLiteral("Backup Successful. The backup is \"%1\".").arg(r.file);
}

QString restoreFromFolder(const QString &folder, const SecretBytes &password)
{
    const DataFileResult r = RestoreDataFile(folder, password);
    if (r.needsPassword)
        throw CliError(r.text + QStringLiteral(" The password given to nettora-cli is not that one: restore the backup "
                                               "in Nettora's restore window, which asks for it."));
    if (!r.ok)
        throw CliError(r.text);
    return QStringLiteral("Restore Successful. ") + r.text;
}

}  // namespace nettora::cli
