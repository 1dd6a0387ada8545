// The workspace's review page: the selected statement read as a lender
// reads it before it is signed, with the findings to mend (fixes first) and
// the ratios, and Open to the window and page where a finding is mended.

#include "app/fsmain.h"

#include "calc/review.h"
#include "clients/clientadd.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "entry/entrywindow.h"
#include "entry/legal.h"
#include "kit/app_state.h"
#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/look.h"
#include "kit/pagetext.h"
#include "settings/options.h"

#include <QDate>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace nettora {

namespace {

// The style paints a selected cell in the highlight instead of its own
// colour; the cell's colour goes first here, so the translucent highlight
// only shades it.
class MarkedCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QVariant mark = index.data(Qt::BackgroundRole);
        if (mark.canConvert<QBrush>())
            painter->fillRect(option.rect, mark.value<QBrush>());
        QStyledItemDelegate::paint(painter, option, index);
    }
};

// A double-click on a row of a list, however the press before it came.
class RowDoubleClick : public QObject {
public:
    RowDoubleClick(QTableWidget *list, std::function<void()> open) : QObject(list), m_list(list), m_open(std::move(open))
    {
        list->viewport()->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick) {
            auto *e = static_cast<QMouseEvent *>(event);
            const QModelIndex index = m_list->indexAt(e->position().toPoint());
            if (e->button() == Qt::LeftButton && index.isValid()) {
                m_list->setCurrentCell(index.row(), index.column());
                m_open();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QTableWidget *m_list;
    std::function<void()> m_open;
};

// A list of wrapped rows: every text shows whole, in as many lines as it
// needs, and in its tooltip.
QTableWidget *wrappedList(QWidget *page, const QString &objectName, const QStringList &titles, const QRect &geometry)
{
    auto *list = new QTableWidget(0, int(titles.size()), page);
    list->setObjectName(objectName);
    list->setHorizontalHeaderLabels(titles);
    list->setFont(pagetext::textFont());
    list->horizontalHeader()->setFont(pagetext::textFont());
    list->verticalHeader()->hide();
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setWordWrap(true);
    list->setTextElideMode(Qt::ElideNone);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // The scroll bar always takes its room, so the columns, and with them
    // the rows' wrapped heights, do not change with the number of rows.
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setGeometry(geometry);
    // The selected row is shaded, not painted over: a finding's colour
    // still shows while it is chosen.
    QPalette p = list->palette();
    p.setColor(QPalette::Highlight, QColor(47, 53, 60, 56));
    p.setColor(QPalette::HighlightedText, look::Ink);
    list->setPalette(p);
    list->setItemDelegate(new MarkedCellDelegate(list));
    return list;
}

QTableWidgetItem *cell(const QString &text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop)
{
    auto *item = new QTableWidgetItem(text);
    item->setToolTip(text);
    item->setTextAlignment(align);
    return item;
}

// The client information window's page for a particular.
QWidget *clientPageOf(TfrmClientAdd *w, MendPage page)
{
    switch (page) {
    case MendPage::ReportingDate: return w->tsClientReporting;
    case MendPage::Employment: return w->tsPersonalEmployment;
    case MendPage::Spouse: return w->tsSpouseInfo;
    case MendPage::SpouseEmployment: return w->tsSpouseEmployment;
    default: return w->tsClientPersonal;
    }
}

// The window a finding is mended in, and the number of its entry page
// there (0 for the windows without entry pages).
struct MendWindow {
    QWidget *(*open)();
    int page;
};

MendWindow mendWindowOf(MendPage page)
{
    switch (page) {
    case MendPage::ReportingDate:
    case MendPage::Personal:
    case MendPage::Employment:
    case MendPage::Spouse:
    case MendPage::SpouseEmployment: return {OpenClientInformationWindow, 0};
    case MendPage::Assets:
    case MendPage::Cash: return {OpenAssetsWindow, 1};
    case MendPage::Investments: return {OpenAssetsWindow, 2};
    case MendPage::RealEstate: return {OpenAssetsWindow, 3};
    case MendPage::Autos: return {OpenAssetsWindow, 4};
    case MendPage::LifeInsurance: return {OpenAssetsWindow, 5};
    case MendPage::PersonalAssets: return {OpenAssetsWindow, 6};
    case MendPage::BusinessAssets: return {OpenAssetsWindow, 7};
    case MendPage::OtherAssets: return {OpenAssetsWindow, 8};
    case MendPage::CreditCards: return {OpenLiabilitiesWindow, 1};
    case MendPage::Contingent: return {OpenLiabilitiesWindow, 2};
    case MendPage::Mortgages: return {OpenLiabilitiesWindow, 3};
    case MendPage::AutoLoans: return {OpenLiabilitiesWindow, 4};
    case MendPage::Bank: return {OpenLiabilitiesWindow, 5};
    case MendPage::Taxes: return {OpenLiabilitiesWindow, 6};
    case MendPage::OtherLiabilities: return {OpenLiabilitiesWindow, 8};
    case MendPage::Income: return {OpenIncomeWindow, 1};
    case MendPage::Expenses: return {OpenExpensesWindow, 2};
    case MendPage::Legal1: return {OpenLegalWindow, 1};
    case MendPage::Legal2: return {OpenLegalWindow, 2};
    case MendPage::UserInformation: return {OpenOptionsWindow, 0};
    }
    return {nullptr, 0};
}

// Opens the window where the finding is mended, on its page, with its row
// and field when it names them; null when that window did not open.
QWidget *openWhereMended(const Finding &f)
{
    const MendWindow where = mendWindowOf(f.page);
    QWidget *w = where.open ? where.open() : nullptr;
    if (auto *client = qobject_cast<TfrmClientAdd *>(w)) {
        client->showField(clientPageOf(client, f.page), f.field);
    } else if (auto *legal = qobject_cast<TfrmLegal *>(w)) {
        legal->showField(where.page, f.field);
    } else if (auto *entry = qobject_cast<EntryWindow *>(w)) {
        // A finding about a stored total names the statement row, which no
        // list of the page shows: the page alone opens, and works it out.
        const EntryPage *p = entry->page(where.page);
        const bool listed = p && p->description().table.compare(f.table, Qt::CaseInsensitive) == 0;
        entry->showRow(where.page, listed ? f.row : 0, listed ? f.field : QString());
    } else if (auto *options = qobject_cast<TfrmOptions *>(w)) {
        if (QWidget *editor = options->editorOfField(f.field))
            editor->setFocus(Qt::OtherFocusReason);
    }
    return w;
}

}  // namespace

void TfrmFSMain::buildReviewPage()
{
    using namespace pagetext;
    tsReview = newPage("tsReview");
    heading(tsReview, QStringLiteral("Review Before Signing"), 6);
    const auto infoLine = [this](const char *name, int y) {
        auto *l = new ElidedLabel(tsReview);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(textFont());
        l->setGeometry(12, y, PageWidth - 24, 16);
        return l;
    };
    lblReviewClient = infoLine("lblReviewClient", 34);
    lblReviewStatement = infoLine("lblReviewStatement", 52);

    reviewFindings = wrappedList(tsReview, QStringLiteral("lvFindings"),
                                 {QStringLiteral("Severity"), QStringLiteral("Finding"), QStringLiteral("Where to mend")},
                                 QRect(12, 76, PageWidth - 24, 168));
    reviewFindings->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    reviewFindings->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    reviewFindings->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Fixed);
    reviewFindings->setColumnWidth(0, 84);
    reviewFindings->setColumnWidth(2, 124);
    lblNoFindings = line(tsReview, QStringLiteral("Nothing a lender would send back was found."), 12, 80);
    lblNoFindings->setObjectName(QStringLiteral("lblNoFindings"));
    lblNoFindings->setWordWrap(true);
    lblNoFindings->hide();

    boldLine(tsReview, QStringLiteral("Ratios"), 12, 252);
    reviewRatios = wrappedList(tsReview, QStringLiteral("lvRatios"),
                               {QStringLiteral("Ratio"), QStringLiteral("Formula"), QStringLiteral("Value")},
                               QRect(12, 272, PageWidth - 24, 114));
    reviewRatios->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    reviewRatios->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    reviewRatios->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    reviewRatios->setColumnWidth(0, 132);

    bReviewBack = button(tsReview, QStringLiteral("Back"), QStringLiteral("bReviewBack"), PageWidth - 180, 394);
    bReviewOpen = button(tsReview, QStringLiteral("Open"), QStringLiteral("bReviewOpen"), PageWidth - 92, 394);
    // Enter in the list goes on to the default button.
    bReviewOpen->setDefault(true);

    for (QTableWidget *list : {reviewFindings, reviewRatios})
        connect(list->horizontalHeader(), &QHeaderView::sectionResized, this, &TfrmFSMain::fitReviewRows,
                Qt::QueuedConnection);
    new RowDoubleClick(reviewFindings, [this] { reviewOpenClick(); });
    connect(bReviewOpen, &QPushButton::clicked, this, &TfrmFSMain::reviewOpenClick);
    connect(bReviewBack, &QPushButton::clicked, this, &TfrmFSMain::reviewBackClick);
}

void TfrmFSMain::fitReviewRows()
{
    reviewFindings->resizeRowsToContents();
    reviewRatios->resizeRowsToContents();
}

void TfrmFSMain::reviewLinkClick()
{
    Table *statements = dm1->tblNettora;
    // A statement being added is no statement yet.
    if (statements->state() == RecordState::Insert || statements->asString("Id").isEmpty()) {
        dialogs().error(QStringLiteral("There is no financial statement available to \"Review\""));
        return;
    }
    const qint64 id = statements->asInteger("Id");
    m_reviewedRow = statements->bookmark();
    releaseRow();
    guarded([&] { showReview(id); });
}

void TfrmFSMain::showReview(qint64 statementId)
{
    m_review = reviewStatement(dm1->db(), statementId, QDate::currentDate());
    Table *statements = dm1->tblNettora;
    lblReviewClient->setText(QStringLiteral("Client: ") + dm1->tblClient->asString("FullName2"));
    lblReviewStatement->setText(QStringLiteral("Statement: %1 - %2")
                                    .arg(statements->asString("Date"), statements->asString("Description")));

    reviewFindings->setRowCount(0);
    for (const Finding &f : m_review.findings) {
        const int row = reviewFindings->rowCount();
        reviewFindings->insertRow(row);
        QTableWidgetItem *severity = cell(severityWords(f.severity));
        // Marked in the program's two colours: orange to fix, green to look at.
        severity->setBackground(f.severity == Severity::Fix ? look::Orange : look::Green);
        severity->setForeground(look::Ink);
        QFont bold = reviewFindings->font();
        bold.setBold(true);
        severity->setFont(bold);
        reviewFindings->setItem(row, 0, severity);
        reviewFindings->setItem(row, 1, cell(f.message));
        reviewFindings->setItem(row, 2, cell(mendPageWords(f.page)));
    }
    const bool none = m_review.findings.empty();
    reviewFindings->setVisible(!none);
    lblNoFindings->setVisible(none);
    bReviewOpen->setEnabled(!none);

    reviewRatios->setRowCount(0);
    for (const Ratio &r : m_review.ratios) {
        const int row = reviewRatios->rowCount();
        reviewRatios->insertRow(row);
        reviewRatios->setItem(row, 0, cell(ratioWords(r)));
        reviewRatios->setItem(row, 1, cell(r.formula));
        reviewRatios->setItem(row, 2, cell(ratioValueText(r), Qt::AlignRight | Qt::AlignTop));
    }

    openPage(tsReview);
    fitReviewRows();
    if (!none) {
        reviewFindings->setCurrentCell(0, 0);
        reviewFindings->setFocus(Qt::OtherFocusReason);
    }
}

void TfrmFSMain::reviewOpenClick()
{
    const int row = reviewFindings->currentRow();
    if (currentPage() != tsReview || row < 0 || row >= int(m_review.findings.size()))
        return;
    const Finding finding = m_review.findings[size_t(row)];
    const ClientMode mode = appState().clientMode;
    QWidget *opened = nullptr;
    // As a section link: the statement's window in Edit mode, over the
    // tables narrowed to the statement.
    guarded([&] {
        appState().clientMode = ClientMode::Edit;
        releaseRow();
        FilterStatementTables(m_clientId, QString::number(m_review.statementId));
        opened = openWhereMended(finding);
    });
    if (opened) {
        close();
        return;
    }
    // Nothing opened: the workspace carries on as it was.
    appState().clientMode = mode;
    guarded([this] { restoreNarrowing(tsReview, m_reviewedRow); });
}

void TfrmFSMain::reviewBackClick()
{
    guarded([this] {
        restoreNarrowing(tsSelect, m_reviewedRow);
        showSelectPage();
        // The list again, on the statement reviewed.
        Table *statements = dm1->tblNettora;
        if (m_reviewedRow && statements->bookmarkValid(m_reviewedRow)) {
            statements->gotoBookmark(m_reviewedRow);
            dbClient->syncFromCursor();
            updatePanel();
        }
    });
}

}  // namespace nettora
