#pragma once
// The backup window: the data file copied into a folder the user names and
// places (see data/data_backup.h for how the copy is made and checked).

#include "kit/frame.h"

#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace nettora {

// "Nettora_Backup_" and the date as mmddyyyy.
QString defaultBackupFolderName(const QDate &date);

class TfrmBackup : public ScreenFrame {
    Q_OBJECT
public:
    explicit TfrmBackup(QWidget *parent = nullptr);

    QWidget *tsBackup;
    HoverLabel *backupLink;
    QLabel *dataLocationLabel;
    QLineEdit *folderNameBox, *locationBox;
    QPushButton *browseButton, *cancelButton, *okButton;

    void browseClick();
    void okClick();
    void cancelClick();

protected:
    bool isOwnEntry(Entry e) const override { return e == Entry::Backup; }
};

}  // namespace nettora
