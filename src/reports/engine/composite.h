#pragma once
// A composite report: an ordered list of reports, filled by a callback when
// the composite starts generating, prepared in one pass and shown or written
// as one document.

#include "reports/engine/footer.h"
#include "reports/engine/report.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QWidget;

namespace nettora::reports {

class CompositeReport {
public:
    explicit CompositeReport(const QString &name = QString()) : m_name(name) {}

    QString name() const { return m_name; }

    // The footer of every page, numbered over the whole document; none when
    // numbered is false.
    DocumentFooter footer;
    bool numbered = false;

    // Asked for the reports each time the composite generates.
    std::function<void(CompositeReport &)> onAddReports;
    // Asked, once the reports are prepared, for lines the preview shows
    // under the page (what could not be printed as it is).
    std::function<QStringList()> onNotes;
    void addReport(Report *report) { m_reports.push_back(report); }
    const std::vector<Report *> &reports() const { return m_reports; }

    // Lists the reports anew, prepares each in order and gathers their pages.
    void prepare();
    const std::vector<PreparedPage> &pages() const { return m_pages; }
    int pageCount() const { return int(m_pages.size()); }

    // Prepares, then shows the document in the preview window and returns
    // when the user has closed it.
    void preview(QWidget *parent);

private:
    QString m_name;
    std::vector<Report *> m_reports;
    std::vector<PreparedPage> m_pages;
};

}  // namespace nettora::reports
