#pragma once
// The restore window: a backup's data file, or a data file kept under
// Replaced, put in place of the working one once it has been checked, the
// replaced file kept (see data/data_backup.h). At start, when the data file
// does not open, the same window is the way back, without the rest of the
// program.

#include "kit/frame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace nettora {

class TfrmRestore : public ScreenFrame {
    Q_OBJECT
public:
    // FromMenu: opened from the menu with the data open. AtStart: the data
    // file did not open; only the restore itself (and help) is offered, and
    // the window closes once the data is back.
    enum class Occasion { FromMenu, AtStart };

    explicit TfrmRestore(Occasion occasion = Occasion::FromMenu, QWidget *parent = nullptr);

    QWidget *tsBackup;
    HoverLabel *restoreLink;
    QLabel *dataLocationLabel;
    QLineEdit *locationBox;
    // The password a backup was made under, asked for only when the backup
    // does not open under the current data key and has a key file of its own.
    QLineEdit *passwordBox;
    // The kept data files, newest first; choosing one puts its path in locationBox.
    QTreeWidget *keptFiles;
    QPushButton *browseButton, *cancelButton, *okButton;

    void browseClick();
    void okClick();
    void cancelClick();
    // Reads the Replaced folder again.
    void refreshKeptFiles();

protected:
    bool isOwnEntry(Entry e) const override { return e == Entry::Restore; }

private:
    Occasion m_occasion;
};

// The start's way out of a data file that does not open (why says so): asks
// whether to restore; Yes runs the restore window until it closes. True when
// the data is open afterwards; false when the user chose to quit.
bool RestoreAtStart(const QString &why);

}  // namespace nettora
