#include "reports/engine/preview_window.h"

#include "kit/dialogs.h"
#include "kit/keyboard.h"
#include "reports/engine/output.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace nettora::reports {

namespace {
constexpr int KGap = 16;  // grey border around the page, in pixels
const QColor KDesk(0x80, 0x80, 0x80);
}

// The current page on a grey desk. The page is drawn into an image once per
// page and zoom, which keeps scrolling cheap.
class PreviewPage : public QWidget {
public:
    explicit PreviewPage(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

    void setPage(const PreparedPage *page, double zoom)
    {
        if (page != m_page || zoom != m_zoom)
            m_image = QImage();
        m_page = page;
        m_zoom = zoom;
        const QSizeF s = pagePixels();
        setFixedSize(int(s.width()) + 2 * KGap, int(s.height()) + 2 * KGap);
        QWidget::update();
    }

    // Page size in pixels at a zoom: the page at the screen's logical
    // resolution.
    QSizeF pagePixels(double zoom = -1) const
    {
        if (!m_page)
            return QSizeF(0, 0);
        const double z = zoom < 0 ? m_zoom : zoom;
        const double dpi = logicalDpiX();
        return QSizeF(m_page->sizeTenthsMm.width() / 254.0 * dpi * z,
                      m_page->sizeTenthsMm.height() / 254.0 * dpi * z);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), KDesk);
        if (!m_page)
            return;
        const QSizeF s = pagePixels();
        const QRectF paper(KGap, KGap, s.width(), s.height());
        p.fillRect(paper.translated(3, 3), QColor(0x50, 0x50, 0x50));
        if (m_image.isNull()) {
            const double ratio = devicePixelRatioF();
            m_image = QImage((s * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
            m_image.setDevicePixelRatio(ratio);
            m_image.setDotsPerMeterX(3780);  // 96 dpi, whatever the screen
            m_image.setDotsPerMeterY(3780);
            m_image.fill(Qt::white);
            QPainter ip(&m_image);
            ip.setRenderHint(QPainter::Antialiasing);
            ip.setRenderHint(QPainter::TextAntialiasing);
            // The picture scales itself to the image's 96 dpi; the zoom is ours.
            ip.scale(s.width() / (m_page->sizeTenthsMm.width() / 254.0 * 96.0),
                     s.height() / (m_page->sizeTenthsMm.height() / 254.0 * 96.0));
            drawPage(ip, *m_page);
        }
        p.drawImage(paper.topLeft(), m_image);
    }

private:
    const PreparedPage *m_page = nullptr;
    double m_zoom = 1.0;
    QImage m_image;
};

PreviewWindow::PreviewWindow(std::vector<PreparedPage> pages, QWidget *parent)
    : QDialog(parent), m_pages(std::move(pages))
{
    setWindowTitle(QStringLiteral("Print Preview"));
    setModal(true);
    setObjectName(QStringLiteral("PreviewWindow"));

    auto *tools = new QHBoxLayout;
    const auto tool = [this, tools](const QString &text, const QString &name) {
        auto *b = new QToolButton(this);
        b->setText(text);
        b->setObjectName(name);
        b->setAutoRaise(false);
        tools->addWidget(b);
        return b;
    };
    bFirst = tool(QStringLiteral("|<"), QStringLiteral("bFirst"));
    bPrior = tool(QStringLiteral("<"), QStringLiteral("bPrior"));
    lPage = new QLabel(this);
    lPage->setObjectName(QStringLiteral("lPage"));
    lPage->setMinimumWidth(90);
    lPage->setAlignment(Qt::AlignCenter);
    tools->addWidget(lPage);
    bNext = tool(QStringLiteral(">"), QStringLiteral("bNext"));
    bLast = tool(QStringLiteral(">|"), QStringLiteral("bLast"));
    bFirst->setToolTip(QStringLiteral("First page"));
    bPrior->setToolTip(QStringLiteral("Previous page"));
    bNext->setToolTip(QStringLiteral("Next page"));
    bLast->setToolTip(QStringLiteral("Last page"));
    tools->addSpacing(16);
    // A caption tied to the zoom, so that it is announced as "Zoom" and not
    // by the zoom it shows.
    auto *zoomCaption = new QLabel(QStringLiteral("Zoom:"), this);
    tools->addWidget(zoomCaption);
    cbZoom = new QComboBox(this);
    zoomCaption->setBuddy(cbZoom);
    cbZoom->setObjectName(QStringLiteral("cbZoom"));
    cbZoom->addItems({QStringLiteral("Whole Page"), QStringLiteral("Page Width"), QStringLiteral("50%"),
                      QStringLiteral("75%"), QStringLiteral("100%"), QStringLiteral("150%"), QStringLiteral("200%")});
    tools->addWidget(cbZoom);
    tools->addStretch(1);
    bPrint = new QPushButton(QStringLiteral("Print..."), this);
    bPrint->setObjectName(QStringLiteral("bPrint"));
    bClose = new QPushButton(QStringLiteral("Close"), this);
    bClose->setObjectName(QStringLiteral("bClose"));
    tools->addWidget(bPrint);
    tools->addWidget(bClose);

    m_scroll = new QScrollArea(this);
    m_scroll->setAlignment(Qt::AlignCenter);
    QPalette desk = m_scroll->palette();
    desk.setColor(QPalette::Dark, KDesk);
    m_scroll->setPalette(desk);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_view = new PreviewPage(m_scroll);
    m_scroll->setWidget(m_view);
    // A fitted zoom follows the room the page has.
    m_scroll->viewport()->installEventFilter(this);

    lNotes = new QLabel(this);
    lNotes->setObjectName(QStringLiteral("lNotes"));
    lNotes->setWordWrap(true);
    lNotes->setTextFormat(Qt::PlainText);
    lNotes->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(tools);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(lNotes);

    connect(bFirst, &QToolButton::clicked, this, [this] { showPage(0); });
    connect(bPrior, &QToolButton::clicked, this, [this] { showPage(m_current - 1); });
    connect(bNext, &QToolButton::clicked, this, [this] { showPage(m_current + 1); });
    connect(bLast, &QToolButton::clicked, this, [this] { showPage(pageCount() - 1); });
    connect(cbZoom, &QComboBox::activated, this, [this](int i) { zoomChosen(i); });
    connect(bPrint, &QPushButton::clicked, this, &PreviewWindow::print);
    connect(bClose, &QPushButton::clicked, this, &QDialog::accept);

    QSize size(900, 1000);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 0.9);
    resize(size);
    bClose->setDefault(true);
    cbZoom->setAccessibleName(QStringLiteral("Zoom"));
    m_scroll->setAccessibleName(QStringLiteral("Page"));
    nameControls(this);
    showPage(0);
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::setNotes(const QStringList &lines)
{
    lNotes->setText(lines.join(QLatin1Char('\n')));
    lNotes->setVisible(!lines.isEmpty());
}

void PreviewWindow::showPage(int index)
{
    m_current = std::clamp(index, 0, std::max(0, pageCount() - 1));
    refresh();
}

void PreviewWindow::setZoom(double zoom)
{
    m_fit = 0;
    m_zoom = std::clamp(zoom, 0.1, 8.0);
    const int entry = cbZoom->findText(QStringLiteral("%1%").arg(qRound(m_zoom * 100)));
    cbZoom->setCurrentIndex(entry);
    refresh();
}

void PreviewWindow::zoomChosen(int index)
{
    static const double fixed[] = {0.5, 0.75, 1.0, 1.5, 2.0};
    if (index < 0)
        return;
    if (index <= 1) {
        m_fit = index + 1;
        applyFitZoom();
        refresh();
    } else {
        setZoom(fixed[index - 2]);
    }
}

void PreviewWindow::applyFitZoom()
{
    if (m_fit == 0 || m_pages.empty())
        return;
    const QSizeF full = m_view->pagePixels(1.0).isEmpty() ? QSizeF(816, 1056) : m_view->pagePixels(1.0);
    const QSize room = m_scroll->viewport()->size() - QSize(2 * KGap + 4, 2 * KGap + 4);
    const double byWidth = room.width() / full.width();
    const double byHeight = room.height() / full.height();
    m_zoom = std::max(0.1, m_fit == 2 ? byWidth : std::min(byWidth, byHeight));
}

void PreviewWindow::refresh()
{
    const int n = pageCount();
    lPage->setText(n == 0 ? QStringLiteral("No pages") : QStringLiteral("Page %1 of %2").arg(m_current + 1).arg(n));
    bFirst->setEnabled(m_current > 0);
    bPrior->setEnabled(m_current > 0);
    bNext->setEnabled(m_current + 1 < n);
    bLast->setEnabled(m_current + 1 < n);
    bPrint->setEnabled(n > 0);
    const PreparedPage *page = n == 0 ? nullptr : &m_pages[size_t(m_current)];
    m_view->setPage(page, m_zoom);  // sizes the view before a fit is measured
    if (m_fit != 0) {
        applyFitZoom();
        m_view->setPage(page, m_zoom);
    }
}

bool PreviewWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize && m_fit != 0)
        refresh();
    return QDialog::eventFilter(watched, event);
}

void PreviewWindow::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_PageDown: showPage(m_current + 1); return;
    case Qt::Key_PageUp: showPage(m_current - 1); return;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier) {
            showPage(0);
            return;
        }
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier) {
            showPage(pageCount() - 1);
            return;
        }
        break;
    default: break;
    }
    QDialog::keyPressEvent(event);
}

void PreviewWindow::print()
{
    if (m_pages.empty())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setCopyCount(1);
    printer.setDocName(QStringLiteral("Personal Financial Statement"));
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintToFile
                      | QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, pageCount());
    dialog.setFromTo(1, pageCount());
    if (dialog.exec() != QDialog::Accepted)
        return;
    printTo(printer);
}

void PreviewWindow::printTo(QPrinter &printer)
{
    try {
        printPages(printer, m_pages);
    } catch (const ReportError &e) {
        dialogs().error(e.text());
    }
}

}  // namespace nettora::reports
