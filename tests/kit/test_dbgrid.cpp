// The list over a cursor and the bound editors that every window uses.
#include "support/testsupport.h"

#include "kit/databinding.h"
#include "kit/dbgrid.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

using namespace nettora;
using namespace nettora::test;

class Lists : public DataDirTest {};

TEST_F(Lists, GridShowsTheViewAndMovesTheCursor)
{
    for (const char *n : {"b", "a", "c"})
        addRow(dm1->tblCash, 1, 1, {{"RegisteredName", QString::fromLatin1(n)}, {"Balance", "1234.5"}});
    Table *t = dm1->tblCash;
    t->setIndexName("RegisteredName");
    t->first();
    DbGrid grid(t, {{"RegisteredName", "Name", 80}, {"Balance", "Balance", 0, Qt::AlignRight,
                                                     [](const QString &s) { return "$" + s; }}});
    grid.refresh();
    EXPECT_EQ(grid.rowTexts(), (QStringList{"a\t$1234.5", "b\t$1234.5", "c\t$1234.5"}));
    EXPECT_EQ(grid.currentIndex().row(), 0);

    int moved = 0;
    QObject::connect(&grid, &DbGrid::rowChanged, [&] { ++moved; });
    grid.selectRow(2);
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(t->asString("RegisteredName"), "c");

    t->setFilter("RegisteredName = \"b\"");
    t->setFiltered(true);
    grid.refresh();
    EXPECT_EQ(grid.rowTexts(), QStringList{"b\t$1234.5"});

    // A row being edited shows what is typed.
    t->edit();
    t->setAsString("RegisteredName", "typed");
    EXPECT_EQ(grid.rowTexts(), QStringList{"typed\t$1234.5"});
    t->cancel();
}

TEST_F(Lists, BinderLoadsAndStoresTheRow)
{
    Table *c = dm1->tblClient;
    QLineEdit first, last;
    QComboBox status;
    status.setEditable(true);
    status.addItems({"", "Single", "Married"});
    FieldBinder b;
    b.bind(&first, c, "FirstName");
    b.bind(&last, c, "LastName");
    b.bind(&status, c, "MaritalStatus");
    c->append();
    b.load();
    EXPECT_EQ(first.text(), "");
    first.setText("Ann");
    last.setText("Able");
    status.setEditText("Widowed");
    b.store();
    c->post();
    c->first();
    EXPECT_EQ(c->asString("FirstName"), "Ann");
    EXPECT_EQ(c->asString("MaritalStatus"), "Widowed");
    first.clear();
    b.load();
    EXPECT_EQ(first.text(), "Ann");
    EXPECT_EQ(status.currentText(), "Widowed");
    EXPECT_EQ(b.editorOf("lastname"), &last);
    EXPECT_THROW(b.bind(&first, c, "NoSuchField"), EngineError);
}

TEST_F(Lists, OnlyAShortenedTextShowsItsTooltip)
{
    for (const char *n : {"Till", "Certificate of Deposit at the First National Bank"})
        addRow(dm1->tblCash, 1, 1, {{"RegisteredName", QString::fromLatin1(n)}});
    Table *t = dm1->tblCash;
    t->setIndexName("RegisteredName");
    t->first();
    DbGrid grid(t, {{"RegisteredName", "Name", 120}});
    grid.resize(200, 100);
    grid.show();
    grid.refresh();
    QApplication::processEvents();
    const auto tipOver = [&grid](int row) {
        const QPoint at = grid.visualRect(grid.model()->index(row, 0)).center();
        QHelpEvent help(QEvent::ToolTip, at, grid.viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid.viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    ASSERT_EQ(grid.rowTexts(), (QStringList{"Certificate of Deposit at the First National Bank", "Till"}));
    EXPECT_EQ(tipOver(1), QString());
    EXPECT_EQ(tipOver(0), "Certificate of Deposit at the First National Bank");
}
