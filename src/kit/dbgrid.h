#pragma once
// A read-only list over a table cursor's view: one model serves every list of
// the program. Rows are read on demand, so a list over a large table costs
// only the rows on screen. Selecting a row moves the cursor to it; after
// changing the cursor's filter, index or rows, the window calls refresh().

#include "data/engine.h"

#include <QAbstractTableModel>
#include <QTableView>
#include <vector>

namespace nettora {

struct GridColumn {
    QString field;
    QString title;
    int width = 0;  // 0: takes the rest
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    // Optional display form of the field's text (money, for instance).
    std::function<QString(const QString &)> format = {};
    // A text the column must always show whole, such as the largest amount
    // its field holds; each digit in it stands for any digit. The column is
    // widened to it in the list's font, and the columns without one give up
    // the room down to their heading.
    QString widest = {};
};

class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TableModel(Table *table, std::vector<GridColumn> columns, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void refresh();
    Table *table() const { return m_table; }
    const std::vector<GridColumn> &columns() const { return m_columns; }

private:
    Table *m_table;
    std::vector<GridColumn> m_columns;
    std::vector<int> m_fieldPos;
};

// A list's texts are shortened with "…" where a column is too narrow; the
// cell's tooltip then holds the whole text.
class DbGrid : public QTableView {
    Q_OBJECT
public:
    DbGrid(Table *table, std::vector<GridColumn> columns, QWidget *parent = nullptr);

    TableModel *tableModel() const { return m_model; }
    // Rebuilds the list from the cursor's view and selects its current row.
    void refresh();
    // Selects the cursor's current row without rebuilding; no row while
    // the cursor adds one.
    void syncFromCursor();
    // The texts shown, row by row (columns joined by a tab), for tests and
    // for anyone reading the list as a whole.
    QStringList rowTexts() const;
    void selectRow(int row);
    // What a cell needs to show text whole in the list's font, margins
    // included.
    int cellWidthFor(const QString &text) const;

Q_SIGNALS:
    // The user (or selectRow) moved the cursor to another row.
    void rowChanged();
    // A double-click on a row, or Enter in the list: open the current row.
    // Unless a window takes it up, Enter goes on to the window.
    void rowOpened();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void onCurrentChanged(const QModelIndex &current);
    // Sets the column widths for the room the list has now.
    void fitColumns();

    TableModel *m_model;
    bool m_syncing = false;
};

}  // namespace nettora
