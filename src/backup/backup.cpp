#include "backup/backup.h"

#include "backup/backup_parts.h"
#include "backup/browseforfolder.h"
#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/pagetext.h"
#include "data/data_backup.h"
#include "data/db_functions.h"

#include <QDir>

namespace nettora {

QString defaultBackupFolderName(const QDate &date)
{
    return QStringLiteral("Nettora_Backup_") + date.toString(QStringLiteral("MMddyyyy"));
}

TfrmBackup::TfrmBackup(QWidget *parent) : ScreenFrame(false, parent)
{
    setObjectName(QStringLiteral("TfrmBackup"));
    tsBackup = new QWidget;
    tsBackup->setObjectName(QStringLiteral("tsBackup"));
    QWidget *p = tsBackup;
    pagetext::heading(p, QStringLiteral("Backup Nettora Files"), 6);
    pagetext::line(p, QStringLiteral("You are about to make a backup of your Nettora files."), 12, 34);
    pagetext::boldLine(p, QStringLiteral("Current Files"), 12, 62);
    dataLocationLabel = backupparts::dataLocation(p, 82);
    int y = backupparts::lines(
        p,
        {"Securing your data in today’s world is a must!  Secure backups are an integral part of successful ",
         "business operations.   In a data rich environment your success is based on your last backup.  It is ",
         "recommended that you backup your data to a secure storage device that is off site or to one that can",
         "be stored off site."},
        104);
    pagetext::line(p,
                   QStringLiteral("If backing up to removable storage, please make sure that it is connected before "
                                  "clicking on \"OK\"."),
                   12, y + 12);
    pagetext::boldLine(p, QStringLiteral("Backup Files"), 12, y + 44);
    pagetext::caption(p, QStringLiteral("Folder Name:"), 24, y + 70, 80);
    folderNameBox = backupparts::edit(p, QStringLiteral("dName"), 110, y + 66, 300);
    pagetext::caption(p, QStringLiteral("Location:"), 24, y + 100, 80);
    locationBox = backupparts::edit(p, QStringLiteral("dLocation"), 110, y + 96, 300);
    browseButton = pagetext::button(p, QStringLiteral("Browse"), QStringLiteral("bBrowse"), 416, y + 95);
    cancelButton = pagetext::button(p, QStringLiteral("Cancel"), QStringLiteral("bCancel"), 328, 392);
    okButton = pagetext::button(p, QStringLiteral("OK"), QStringLiteral("bOK"), 416, 392);
    okButton->setDefault(true);

    backupLink = addSideLink(QStringLiteral("  Backup"), tsBackup);
    backupLink->setObjectName(QStringLiteral("s1"));
    connect(browseButton, &QPushButton::clicked, this, &TfrmBackup::browseClick);
    connect(okButton, &QPushButton::clicked, this, &TfrmBackup::okClick);
    connect(cancelButton, &QPushButton::clicked, this, &TfrmBackup::cancelClick);

    openPage(tsBackup);
    folderNameBox->setText(defaultBackupFolderName(QDate::currentDate()));
    orderTabs();
}

void TfrmBackup::browseClick()
{
    locationBox->setText(QDir::toNativeSeparators(
        SelectFolder(QStringLiteral("Select Backup Directory Folder"), locationBox->text(), this)));
}

void TfrmBackup::okClick()
{
    const QString name = folderNameBox->text().trimmed();
    if (name.isEmpty()) {
        dialogs().error(QStringLiteral("Please enter a \"File Name\"."));
        folderNameBox->setFocus();
        return;
    }
    if (locationBox->text().trimmed().isEmpty()) {
        dialogs().error(QStringLiteral("Please enter a \"File Location\"."));
        locationBox->setFocus();
        return;
    }
    // One folder inside the location, never a way out of it.
    if (name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String("..")) {
        dialogs().error(QStringLiteral("The \"Folder Name\" must be the name of one folder, without \"/\"."));
        folderNameBox->setFocus();
        return;
    }
    const QString folder = QDir(QDir::fromNativeSeparators(locationBox->text().trimmed())).filePath(name);
    // A backup is never replaced unasked; No leaves it and writes nothing.
    const QString existing = existingBackupIn(folder);
    if (!existing.isEmpty()
        && !dialogs().warning(existing + QStringLiteral("\nReplace it with a new backup of the data as it is now?")))
        return;
    const ExistingBackup rule = existing.isEmpty() ? ExistingBackup::Refuse : ExistingBackup::Replace;
    const DataFileResult r = backupparts::run(this, [&] { return BackupDataFile(folder, rule); });
    if (r.ok)
        dialogs().information(QStringLiteral("Backup Successful."));
    else if (r.reopened)
        dialogs().error(QStringLiteral("There was an error backing up the files.\n\rHINT:  Check to see if you have "
                                       "administrative rights to backup \nto the chosen directory.\n\n")
                        + r.text);
}

void TfrmBackup::cancelClick()
{
    GoHome();
    close();
}

}  // namespace nettora
