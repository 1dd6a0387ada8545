#include "kit/dbgrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>

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
    if (role != Qt::DisplayRole)
        return QVariant();
    const QString text = m_table->asStringAt(index.row(), m_fieldPos[size_t(index.column())]);
    return c.format ? c.format(text) : text;
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
    for (int i = 0; i < int(cols.size()); ++i) {
        if (cols[size_t(i)].width > 0)
            setColumnWidth(i, cols[size_t(i)].width);
        else
            horizontalHeader()->setSectionResizeMode(i, QHeaderView::Stretch);
    }
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
