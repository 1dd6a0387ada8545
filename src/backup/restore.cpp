#include "backup/restore.h"

#include "backup/backup_parts.h"
#include "backup/browseforfolder.h"
#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/pagetext.h"
#include "data/data_backup.h"
#include "data/db_functions.h"

#include <QDir>

namespace nettora {

TfrmRestore::TfrmRestore(QWidget *parent) : ScreenFrame(false, parent)
{
    setObjectName(QStringLiteral("TfrmRestore"));
    tsBackup = new QWidget;
    tsBackup->setObjectName(QStringLiteral("tsBackup"));
    QWidget *p = tsBackup;
    pagetext::heading(p, QStringLiteral("Restore Nettora Files"), 6);
    pagetext::line(p, QStringLiteral("You are about to restore backup files into the directory below:"), 12, 34);
    backupparts::section(p, QStringLiteral("Current Files"), 62);
    lLocation = backupparts::dataLocation(p, 82);
    int y = backupparts::lines(
        p,
        {"The restore function will restore the selected backup files into the current working directory.  It is ",
         "important to note that the current data will be overwritten.  It is imperative that you do not overwrite",
         "good data.   If you have doubts - backup the current data to a different directory before running the ",
         "restore function.  "},
        104);
    pagetext::line(p,
                   QStringLiteral("If restoring from removable storage, please make sure that it is connected before "
                                  "clicking on \"OK\"."),
                   12, y + 12);
    backupparts::section(p, QStringLiteral("Backup Files to be Restored"), y + 44);
    pagetext::caption(p, QStringLiteral("Backup File to be Restored:"), 24, y + 70, 170);
    dLocation = backupparts::edit(p, QStringLiteral("dLocation"), 24, y + 88, 386);
    bBrowse = pagetext::button(p, QStringLiteral("Browse"), QStringLiteral("bBrowse"), 416, y + 87);
    bCancel = pagetext::button(p, QStringLiteral("Cancel"), QStringLiteral("bCancel"), 328, 392);
    bOK = pagetext::button(p, QStringLiteral("OK"), QStringLiteral("bOK"), 416, 392);
    bOK->setDefault(true);

    s1 = addSideLink(QStringLiteral("  Restore"), tsBackup);
    s1->setObjectName(QStringLiteral("s1"));
    connect(bBrowse, &QPushButton::clicked, this, &TfrmRestore::BrowseClick);
    connect(bOK, &QPushButton::clicked, this, &TfrmRestore::OKClick);
    connect(bCancel, &QPushButton::clicked, this, &TfrmRestore::CancelClick);

    openPage(tsBackup);
    orderTabs();
}

void TfrmRestore::BrowseClick()
{
    dLocation->setText(QDir::toNativeSeparators(
        SelectFolder(QStringLiteral("Select Restore Directory Folder"), dLocation->text(), this)));
}

void TfrmRestore::OKClick()
{
    const QString folder = QDir::fromNativeSeparators(dLocation->text().trimmed());
    if (folder.isEmpty()) {
        dialogs().error(QStringLiteral("Please enter a \"File Location\"."));
        dLocation->setFocus();
        return;
    }
    if (!dialogs().warning(QStringLiteral("Are you sure that you want to restore the selected files?")))
        return;
    const DataFileResult r = backupparts::run(this, [&] { return RestoreDataFile(folder); });
    if (r.ok) {
        // The restored data may name another preparer.
        setWindowTitle(WindowCaption());
        dialogs().information(QStringLiteral("Restore Successful.\n\n") + r.text);
    } else if (r.reopened) {
        dialogs().error(r.text);
    }
}

void TfrmRestore::CancelClick()
{
    GoHome();
    close();
}

}  // namespace nettora
