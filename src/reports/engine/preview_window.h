#pragma once
// The preview window: prepared pages one at a time with page navigation and
// zoom, and Print, which asks for the printer, the page range and the number
// of copies. Shown modally (exec) by the composite report.

#include "reports/engine/report.h"

#include <QDialog>
#include <vector>

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace nettora::reports {

class PreviewPage;

class PreviewWindow : public QDialog {
    Q_OBJECT
public:
    explicit PreviewWindow(std::vector<PreparedPage> pages, QWidget *parent = nullptr);
    ~PreviewWindow() override;

    int pageCount() const { return int(m_pages.size()); }
    const std::vector<PreparedPage> &pages() const { return m_pages; }
    int currentPage() const { return m_current; }  // 0-based
    void showPage(int index);
    // Zoom as a factor of full size (1.0 = 100%).
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);

    // The printing step after the dialog, for a printer set up elsewhere.
    void printTo(QPrinter &printer);
    // Lines under the page, such as the fields that cannot be printed as
    // they are; none hides the line.
    void setNotes(const QStringList &lines);

    QToolButton *bFirst, *bPrior, *bNext, *bLast;
    QLabel *lPage, *lNotes;
    QComboBox *cbZoom;
    QPushButton *bPrint, *bClose;

public Q_SLOTS:
    void print();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void zoomChosen(int index);
    void applyFitZoom();
    void refresh();

    std::vector<PreparedPage> m_pages;
    int m_current = 0;
    double m_zoom = 1.0;
    int m_fit = 1;  // 0: none, 1: whole page, 2: page width
    QScrollArea *m_scroll;
    PreviewPage *m_view;
};

}  // namespace nettora::reports
