#pragma once
// The footer every page of a document carries, so that a loose page can be
// tied to its statement: who and which statement at the left, "Page N of M"
// at the right. It is drawn once the whole document is prepared, when M is
// known, into space each report kept free at the foot of its pages.

#include "reports/engine/report.h"

#include <QString>
#include <vector>

namespace nettora::reports {

struct DocumentFooter {
    QString left;    // e.g. the client's name; may be empty (blank forms)
    QString centre;  // e.g. the statement's date; may be empty
};

// The height to keep free at the foot of every page for the footer.
double footerHeight(const DocumentFooter &footer, const PageSetup &page = PageSetup());

// Draws the footer, numbered "Page N of M" over all pages, onto every page.
void addFooters(std::vector<PreparedPage> &pages, const DocumentFooter &footer,
                const PageSetup &page = PageSetup());

}  // namespace nettora::reports
