// The schedule lists of the assets, liabilities and income windows: every
// amount a field holds shows whole, and a text too long for its column is
// shortened in the list only, the whole of it in the cell's tooltip.
#include "entry/statement_fixture.h"

#include "kit/btn_functions.h"
#include "kit/databinding.h"
#include "data/currency.h"
#include "entry/amounts.h"
#include "entry/entrywindow.h"

#include <QApplication>
#include <QPointer>

using namespace nettora;
using namespace nettora::test;

class EntryLists : public StatementTest {};

TEST_F(EntryLists, TheLargestAmountsShowWholeAndLongTextsHaveTheirTooltip)
{
    const QString largest = moneyListText(-MaxCurrency);
    ASSERT_EQ(largest, "-$922,337,203,685,477.00");
    for (const auto &open : {OpenAssetsWindow, OpenLiabilitiesWindow, OpenIncomeWindow}) {
        narrow();
        QPointer<EntryWindow> w = qobject_cast<EntryWindow *>(open());
        ASSERT_FALSE(w.isNull());
        for (EntryPage *p : w->pages()) {
            const std::vector<GridColumn> &columns = p->description().columns;
            SCOPED_TRACE(p->description().title.toStdString());
            w->openEntryPage(p->description().number);
            // One row with the largest amount in every amount column and
            // as long a text as the field holds in every other column.
            Table *t = p->table();
            t->append();
            t->setAsString("ClientId", QString::number(client));
            t->setAsString("StatementId", QString::number(statement));
            for (const GridColumn &c : columns) {
                if (c.widest.isEmpty())
                    t->setAsString(c.field, QString(fieldWidth(t, c.field), QLatin1Char('W')));
                else
                    t->setAsFloat(c.field, -MaxCurrency);
            }
            t->post();
            narrow();  // an empty schedule's recalculation may leave its table narrowed to no statement
            DbGrid *grid = p->grid;
            grid->refresh();
            QApplication::processEvents();
            ASSERT_EQ(grid->model()->rowCount(), 1);
            int used = 0;
            for (int i = 0; i < int(columns.size()); ++i) {
                const QModelIndex cell = grid->model()->index(0, i);
                const QString shown = cell.data().toString();
                SCOPED_TRACE(columns[size_t(i)].title.toStdString());
                if (columns[size_t(i)].widest.isEmpty()) {
                    // Shortened in the list, whole in the tooltip.
                    EXPECT_EQ(shown, t->asString(columns[size_t(i)].field));
                    EXPECT_LT(grid->columnWidth(i), grid->cellWidthFor(shown));
                    EXPECT_EQ(cell.data(Qt::ToolTipRole).toString(), shown);
                } else {
                    // What the list's own cells need to show the text whole.
                    EXPECT_EQ(shown, largest);
                    EXPECT_GE(grid->columnWidth(i), static_cast<QAbstractItemView *>(grid)->sizeHintForColumn(i));
                    EXPECT_GT(grid->columnWidth(i), grid->fontMetrics().horizontalAdvance(largest));
                }
                used += grid->columnWidth(i);
            }
            // The row fits the list: nothing hides at the side.
            EXPECT_LE(used, grid->viewport()->width());
            t->remove();
        }
        w->close();
        QApplication::processEvents();
        delete w.data();
    }
}
