#include "kit/dbgrid.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolTip>

#include <algorithm>

namespace nettora {

TableModel::TableModel(Table *table, std::vector<GridColumn> columns, QObject *parent)
    : QAbstractTableModel(parent), m_table(table), m_columns(std::move(columns))
{
    for (const auto &c : m_columns)
        m_fieldPos.push_back(m_table->fieldIndex(c.field));
}

int TableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_table->active())
        return 0;
    return m_table->recordCount();
}

int TableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_table->active())
        return QVariant();
    const GridColumn &c = m_columns[size_t(index.column())];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(c.alignment);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    const QString stored = m_table->asStringAt(index.row(), m_fieldPos[size_t(index.column())]);
    const QString text = c.format ? c.format(stored) : stored;
    if (role == Qt::ToolTipRole && text.isEmpty())
        return QVariant();
    return text;
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < int(m_columns.size()))
        return m_columns[size_t(section)].title;
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TableModel::refresh()
{
    beginResetModel();
    endResetModel();
}

DbGrid::DbGrid(Table *table, std::vector<GridColumn> columns, QWidget *parent)
    : QTableView(parent), m_model(new TableModel(table, std::move(columns), this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(18);
    horizontalHeader()->setHighlightSections(false);
    // Tab leaves the list for the next control; the arrows move the row.
    setTabKeyNavigation(false);
    const auto &cols = m_model->columns();
    for (int i = 0; i < int(cols.size()); ++i)
        if (cols[size_t(i)].width <= 0)
            horizontalHeader()->setSectionResizeMode(i, QHeaderView::Stretch);
    fitColumns();
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { onCurrentChanged(current); });
    QStringList titles;
    for (const GridColumn &c : cols)
        if (!c.title.isEmpty())
            titles << c.title;
    setAccessibleName(titles.join(QStringLiteral(", ")));
}

void DbGrid::keyPressEvent(QKeyEvent *event)
{
    const bool enter = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
                       && !(event->modifiers() & ~Qt::KeypadModifier);
    if (enter && isSignalConnected(QMetaMethod::fromSignal(&DbGrid::rowOpened))) {
        // What the window does with it decides, an empty list included.
        event->accept();
        Q_EMIT rowOpened();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DbGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        Q_EMIT rowOpened();
}

int DbGrid::cellWidthFor(const QString &text) const
{
    // As the style sizes a cell for its text, and the grid line besides.
    QStyleOptionViewItem option;
    option.initFrom(this);
    option.font = font();
    option.fontMetrics = fontMetrics();
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = text;
    option.textElideMode = Qt::ElideNone;
    const QSize size = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
    return size.width() + (showGrid() ? 1 : 0);
}

void DbGrid::fitColumns()
{
    const auto &cols = m_model->columns();
    const QFontMetrics fm = fontMetrics();
    QChar widestDigit = QLatin1Char('0');
    for (char d = '1'; d <= '9'; ++d)
        if (fm.horizontalAdvance(QLatin1Char(d)) > fm.horizontalAdvance(widestDigit))
            widestDigit = QLatin1Char(d);

    std::vector<int> widths;
    int total = 0;
    bool stretches = false;
    for (const GridColumn &c : cols) {
        int w = std::max(c.width, 0);
        if (!c.widest.isEmpty()) {
            QString shape = c.widest;
            for (QChar &ch : shape)
                if (ch.isDigit())
                    ch = widestDigit;
            w = std::max(w, cellWidthFor(shape));
        }
        stretches = stretches || c.width <= 0;
        widths.push_back(w);
        total += w;
    }

    // The room the wider columns took comes from the columns without a
    // widest text, in proportion to what each can spare above its heading;
    // what still does not fit scrolls sideways.
    const int room = viewport()->width();
    if (!stretches && room > 0 && total > room) {
        const QHeaderView *header = horizontalHeader();
        const int headerMargin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        std::vector<int> spare(cols.size(), 0);
        int slack = 0;
        for (size_t i = 0; i < cols.size(); ++i) {
            if (!cols[i].widest.isEmpty())
                continue;
            const int floor = std::max(header->fontMetrics().horizontalAdvance(cols[i].title) + headerMargin,
                                       4 * fm.averageCharWidth());
            spare[i] = std::max(0, widths[i] - floor);
            slack += spare[i];
        }
        const int excess = std::min(total - room, slack);
        int taken = 0;
        for (size_t i = 0; i < cols.size() && slack > 0; ++i) {
            const int cut = std::min(spare[i], int((qint64(excess) * spare[i] + slack - 1) / slack));
            const int give = std::min(cut, excess - taken);
            widths[i] -= give;
            taken += give;
        }
    }
    for (int i = 0; i < int(cols.size()); ++i)
        if (cols[size_t(i)].width > 0 || !cols[size_t(i)].widest.isEmpty())
            setColumnWidth(i, widths[size_t(i)]);
}

bool DbGrid::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        const bool handled = QTableView::viewportEvent(event);
        fitColumns();
        return handled;
    }
    if (event->type() == QEvent::ToolTip) {
        // Only a shortened text needs its tooltip.
        const QModelIndex index = indexAt(static_cast<QHelpEvent *>(event)->pos());
        if (index.isValid() && cellWidthFor(index.data().toString()) <= columnWidth(index.column())) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
    }
    return QTableView::viewportEvent(event);
}

void DbGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitColumns();
}

void DbGrid::refresh()
{
    m_syncing = true;
    m_model->refresh();
    m_syncing = false;
    syncFromCursor();
}

void DbGrid::syncFromCursor()
{
    Table *t = m_model->table();
    if (!t->active())
        return;
    const int row = t->recNo();
    m_syncing = true;
    // A row being added is not in the list yet: no listed row stands for it.
    if (t->state() == RecordState::Insert)
        clearSelection();
    else if (row >= 0 && row < m_model->rowCount())
        setCurrentIndex(m_model->index(row, 0));
    else
        clearSelection();
    m_syncing = false;
}

void DbGrid::selectRow(int row)
{
    setCurrentIndex(m_model->index(row, 0));
}

void DbGrid::onCurrentChanged(const QModelIndex &current)
{
    if (m_syncing || !current.isValid())
        return;
    Table *t = m_model->table();
    if (t->recNo() != current.row() || t->state() != RecordState::Browse) {
        if (t->state() != RecordState::Browse)
            t->cancel();
        t->moveToRecNo(current.row());
    }
    Q_EMIT rowChanged();
}

QStringList DbGrid::rowTexts() const
{
    QStringList out;
    for (int r = 0; r < m_model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m_model->columnCount(); ++c)
            cells << m_model->data(m_model->index(r, c)).toString();
        out << cells.join(QLatin1Char('\t'));
    }
    return out;
}

}  // namespace nettora
