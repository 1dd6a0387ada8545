#pragma once
// The notes window: free notes kept with the statement, each a short
// description and a text of several lines, on one entry page without a
// total.

#include "entry/entrywindow.h"

namespace nettora {

class TfrmNotes : public EntryWindow {
    Q_OBJECT
public:
    explicit TfrmNotes(QWidget *parent = nullptr);

protected:
    void firstShown() override;
};

// The notes page description (also for tests).
PageSpec notesPage();

}  // namespace nettora
