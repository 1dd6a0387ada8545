#pragma once
// The assets window: Cash, Investments, Real Estate, Autos, Life Insurance,
// Personal, Business and Other, each an entry page.

#include "entry/entrywindow.h"

namespace nettora {

class TfrmAssets : public EntryWindow {
    Q_OBJECT
public:
    explicit TfrmAssets(QWidget *parent = nullptr);

protected:
    void firstShown() override;
};

// The eight page descriptions, in page order (also for tests).
std::vector<PageSpec> assetPages();

}  // namespace nettora
