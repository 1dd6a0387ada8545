#pragma once
// The report engine: a report is a list of bands laid out on a page; each
// band holds controls. Preparing a report runs its hooks, reads its tables and
// records every page as a QPicture (see canvas.h), which the preview, the
// printer and PDF files replay.
//
// Band order on paper: the page header at the top of every page, the title
// once, then for every row of the report's table (once when it has none) the
// detail band and each sub-detail band with its group header before and its
// group footer after its rows, then the summary; the page footer at the
// bottom of every page. A band that does not fit the rest of a page starts a
// new one; a group header moves on with the first row of its group, and the
// last row with the group footer, so that no header ends a page and no footer
// starts one. Positions are in layout units (1/96 inch) from the top-left corner
// of the band, inside the page margins.
//
// Nothing is cut or shrunk: a text wider than its control wraps onto further
// lines in its own size (a figure breaks after a thousands separator) and the
// band grows; a band taller than a whole page continues on the next one.
// Title bands print once each, in order; a band kept with the next one goes
// onto a new page with it rather than end a page alone.

#include "reports/engine/canvas.h"

#include <QColor>
#include <QPicture>
#include <QRectF>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace nettora {
class Table;
}

namespace nettora::reports {

class Band;
class Report;

// How a data-bound control shows its field: Auto shows currency fields as
// money ("$1,234.50") and everything else as the cursor's text.
enum class FieldFormat { Auto, Text, Money };

class Control {
public:
    enum class Kind { Label, Field, HLine, VLine, Box };

    Control(Kind kind, QRectF rect) : kind(kind), rect(rect) {}

    Kind kind;
    QString name;
    // Band coordinates; a label of zero width sizes itself to its text.
    QRectF rect;
    QString text;                                  // Label
    Table *table = nullptr;                        // Field
    QString field;                                 // Field
    FieldFormat format = FieldFormat::Auto;        // Field
    FontSpec font;
    Align align = Align::Left;
    QColor color = Qt::black;
    bool wordWrap = false;  // several lines inside the rectangle (every text wraps when it must)
    bool stretch = false;   // kept for the forms' declarations: every text grows its band
    double penWidth = 1;    // lines and boxes
    PenStyle pen = PenStyle::Solid;
    QColor penColor = Qt::black;
    QColor fillColor;       // Box: filled when valid
    bool frame = true;      // Box: draws its frame
    bool enabled = true;    // a disabled control prints nothing and its hook does not run
    bool visible = true;    // a hidden control prints nothing

    // Runs just before the control prints, with the text about to print; it may
    // change the text (an empty text prints nothing) and enable, disable, show
    // or hide any control.
    std::function<void(Control &, QString &)> onPrint;

    // Setters for declaring forms in one expression.
    Control &named(const QString &n) { name = n; return *this; }
    Control &withFont(double size, bool bold = false) { font = {size, bold}; return *this; }
    Control &bolded(bool on = true) { font.bold = on; return *this; }
    Control &aligned(Align a) { align = a; return *this; }
    Control &right() { align = Align::Right; return *this; }
    Control &centered() { align = Align::Center; return *this; }
    Control &colored(const QColor &c) { color = c; return *this; }
    Control &wrapped(bool grow = true) { wordWrap = true; stretch = grow; return *this; }
    Control &withPen(double width, PenStyle style = PenStyle::Solid) { penWidth = width; pen = style; return *this; }
    Control &dotted() { pen = PenStyle::Dotted; return *this; }
    Control &filled(const QColor &c, bool withFrame = false) { fillColor = c; frame = withFrame; return *this; }
    Control &formatted(FieldFormat f) { format = f; return *this; }
    Control &hook(std::function<void(Control &, QString &)> f) { onPrint = std::move(f); return *this; }

    bool printable() const { return enabled && visible; }
};

enum class BandKind { PageHeader, Title, Detail, GroupHeader, SubDetail, GroupFooter, Summary, PageFooter };

class Band {
public:
    Band(BandKind kind, double height) : kind(kind), height(height) {}

    BandKind kind;
    QString name;
    double height;
    bool enabled = true;
    QColor fillColor;  // behind the controls when valid

    // Sub-detail bands: the rows they repeat for, and whether the group header
    // and footer print when there are none.
    Table *dataSet = nullptr;
    bool printIfEmpty = true;
    Band *groupHeader = nullptr;
    Band *groupFooter = nullptr;

    // Runs before each printing of the band; print = false skips it.
    std::function<void(Band &, bool &print)> beforePrint;

    // Goes onto a new page together with the band printed after it.
    bool keepWithNext = false;
    // Consecutive bands of one frame group are framed together on each page
    // they occupy (across the printable width); 0: no frame.
    int frameGroup = 0;
    double frameWidth = 1;
    // Group headers: printed again at the top of a page the group continues
    // on, with " (continued)" after the text of this control.
    QString continuedControl;

    Control &add(Control::Kind kind, QRectF rect);
    // A static text; width 0 sizes it to the text.
    Control &label(double x, double y, const QString &text, double size = 8, bool bold = false, double width = 0,
                   double height = 0);
    // A field's text in a rectangle.
    Control &field(QRectF rect, Table *table, const QString &fieldName, double size = 8, bool bold = false);
    // A rule from x1 to x2 centred on y, or from y1 to y2 centred on x.
    Control &hline(double x1, double x2, double y, double width = 1, PenStyle style = PenStyle::Solid);
    Control &vline(double x, double y1, double y2, double width = 1, PenStyle style = PenStyle::Solid);
    Control &box(QRectF rect, double width = 1, PenStyle style = PenStyle::Solid);
    Control &fillBox(QRectF rect, const QColor &color);

    const std::vector<std::unique_ptr<Control>> &controls() const { return m_controls; }
    Control *control(const QString &name) const;

private:
    std::vector<std::unique_ptr<Control>> m_controls;
};

// A prepared page: its drawing, the document's footer drawn over it (when
// the document has one), and its paper size in tenths of a millimetre.
struct PreparedPage {
    QPicture picture;
    QSize sizeTenthsMm;
    QPicture footer;
};


class Report {
public:
    explicit Report(const QString &name);
    virtual ~Report();
    Report(const Report &) = delete;
    Report &operator=(const Report &) = delete;

    // Report objects alive in the process, so that a print request can be
    // shown to release every one it made.
    static int liveCount();

    QString name() const { return m_name; }

    PageSetup page;
    // A frame of this width around the printable area of every page (0: none).
    double pageFrameWidth = 0;
    // The table whose rows repeat the detail and sub-detail bands; none: once.
    Table *dataSet = nullptr;
    // Runs before the report is prepared; print = false makes it print nothing.
    std::function<void(Report &, bool &print)> beforePrint;

    Band &addBand(BandKind kind, double height, const QString &name = QString());
    // A sub-detail band over a table, with optional group header and footer.
    Band &addSubDetail(Table *table, double height, bool printIfEmpty, const QString &name = QString());
    Band &addGroupHeader(Band &subDetail, double height);
    Band &addGroupFooter(Band &subDetail, double height);

    const std::vector<std::unique_ptr<Band>> &bands() const { return m_bands; }
    Band *band(const QString &name) const;
    Control *control(const QString &name) const;  // searched in every band

    // Prepares every page (replacing earlier ones).
    void prepare();
    int pageCount() const { return int(m_pages.size()); }
    const PreparedPage &preparedPage(int index) const { return m_pages[size_t(index)]; }
    const std::vector<PreparedPage> &pages() const { return m_pages; }
    void releasePages() { m_pages.clear(); }
    // A control whose text has characters no installed font can draw (they
    // print as empty boxes); once per control and characters.
    struct Undrawable {
        QString report;
        QString control;     // its name, the field's name for a field
        QString characters;  // each once
    };
    const std::vector<Undrawable> &undrawables() const { return m_undrawables; }

private:
    friend class Layout;
    QString m_name;
    std::vector<std::unique_ptr<Band>> m_bands;
    std::vector<PreparedPage> m_pages;
    std::vector<Undrawable> m_undrawables;
};

}  // namespace nettora::reports
