#pragma once
// The liabilities window: Autos, Bank, Credit Cards, Mortgages, Taxes, Other
// and Contingent, each an entry page. The Mortgages page edits the same
// real-estate rows as the assets window's Real Estate page.

#include "entry/entrywindow.h"

namespace nettora {

class TfrmLiabilities : public EntryWindow {
    Q_OBJECT
public:
    explicit TfrmLiabilities(QWidget *parent = nullptr);

protected:
    void firstShown() override;
};

// The seven page descriptions, in the order of the side links (also for tests).
std::vector<PageSpec> liabilityPages();

}  // namespace nettora
