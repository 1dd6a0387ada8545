#pragma once
// The restore window: a backup's data file put in place of the working one
// once it has been checked, the replaced file kept (see data/data_backup.h).

#include "kit/frame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace nettora {

class TfrmRestore : public ScreenFrame {
    Q_OBJECT
public:
    explicit TfrmRestore(QWidget *parent = nullptr);

    QWidget *tsBackup;
    HoverLabel *s1;
    QLabel *lLocation;
    QLineEdit *dLocation;
    QPushButton *bBrowse, *bCancel, *bOK;

    void BrowseClick();
    void OKClick();
    void CancelClick();

protected:
    bool isOwnEntry(Entry e) const override { return e == Entry::Restore; }
};

}  // namespace nettora
