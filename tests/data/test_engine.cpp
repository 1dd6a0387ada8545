// The Table cursor: views, navigation, bookmarks, the record states, posting
// rules and field access.
#include "support/testsupport.h"

#include "data/currency.h"
#include "data/db_functions.h"

#include <cmath>
#include <functional>
#include <limits>

using namespace nettora;
using namespace nettora::test;

class Cursor : public DataDirTest {
protected:
    Table *cash() { return dm1->tblCash; }
    void addCash(const QString &name, const QString &balance, qint64 statement = 1)
    {
        addRow(cash(), 1, statement, {{"RegisteredName", name}, {"Balance", balance}});
    }
    QStringList names(Table *t, const char *field = "RegisteredName")
    {
        QStringList out;
        for (t->first(); !t->eof(); t->next())
            out << t->asString(QString::fromLatin1(field));
        return out;
    }
    void filterToStatement(qint64 s)
    {
        cash()->setIndexName("registeredname");
        cash()->setFilter(QStringLiteral("ClientId = \"1\" and StatementId = \"%1\"").arg(s));
        cash()->setFiltered(true);
    }
};

TEST_F(Cursor, EmptyViewIsAtEndAtOnceAndReadsEmpty)
{
    Table *t = cash();
    t->first();
    EXPECT_TRUE(t->eof());
    EXPECT_TRUE(t->bof());
    EXPECT_TRUE(t->isEmpty());
    EXPECT_EQ(t->asString("RegisteredName"), "");
    EXPECT_EQ(t->asFloat("Balance"), 0.0);
    EXPECT_EQ(t->asInteger("Balance"), 0);
    EXPECT_THROW(t->remove(), EngineError);
}

TEST_F(Cursor, IndexOrdersTheViewAndNamesAreCaseInsensitive)
{
    for (const char *n : {"beta", "Alpha", "gamma", "ALPHA2"})
        addCash(QString::fromLatin1(n), "1");
    cash()->setIndexName("RegisteredName");
    EXPECT_EQ(cash()->indexName(), "REGISTEREDNAME");
    EXPECT_EQ(names(cash()), (QStringList{"Alpha", "ALPHA2", "beta", "gamma"}));
    cash()->setIndexName(QString());
    EXPECT_EQ(names(cash()), (QStringList{"beta", "Alpha", "gamma", "ALPHA2"}));
    EXPECT_THROW(cash()->setIndexName("NoSuchIndex"), EngineError);

    const qint64 c = addClient("A", "B");
    addStatement(c);
    addStatement(c);
    addStatement(c);
    Table *s = dm1->tblNettora;
    s->setIndexName("id");
    EXPECT_EQ(names(s, "Id"), (QStringList{"3", "2", "1"}));
    s->setIndexName("IDA");
    EXPECT_EQ(names(s, "Id"), (QStringList{"1", "2", "3"}));
}

TEST_F(Cursor, NavigationAndBookmarks)
{
    for (const char *n : {"a", "b", "c"})
        addCash(QString::fromLatin1(n), "1");
    Table *t = cash();
    t->setIndexName("RegisteredName");
    t->first();
    t->next();
    const Bookmark b = t->bookmark();
    EXPECT_EQ(t->asString("RegisteredName"), "b");
    t->last();
    EXPECT_EQ(t->asString("RegisteredName"), "c");
    t->next();
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(t->asString("RegisteredName"), "c");
    t->gotoBookmark(b);
    EXPECT_EQ(t->asString("RegisteredName"), "b");
    t->prior();
    t->prior();
    EXPECT_TRUE(t->bof());
    EXPECT_EQ(t->asString("RegisteredName"), "a");

    t->gotoBookmark(b);
    t->remove();
    EXPECT_FALSE(t->bookmarkValid(b));
    EXPECT_THROW(t->gotoBookmark(b), EngineError);
}

TEST_F(Cursor, DeleteLeavesTheCursorOnTheNextRow)
{
    for (const char *n : {"a", "b", "c"})
        addCash(QString::fromLatin1(n), "1");
    Table *t = cash();
    t->setIndexName("RegisteredName");
    t->first();
    t->next();
    t->remove();
    EXPECT_EQ(t->asString("RegisteredName"), "c");
    EXPECT_FALSE(t->eof());
    t->remove();  // the last row: the cursor falls back to the new last row
    EXPECT_EQ(t->asString("RegisteredName"), "a");
    EXPECT_TRUE(t->eof());
    t->remove();
    EXPECT_TRUE(t->isEmpty());
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(countRows("Cash"), 0);
}

TEST_F(Cursor, PostedRowThatStopsMatchingLeavesTheView)
{
    for (const char *n : {"a", "b", "c"})
        addCash(QString::fromLatin1(n), "1");
    filterToStatement(1);
    Table *t = cash();
    t->first();
    t->edit();
    t->setAsString("StatementId", "2");
    t->post();
    EXPECT_EQ(t->recordCount(), 2);
    EXPECT_EQ(t->asString("RegisteredName"), "b");  // moved on to the next row

    // A row appended outside the filter never shows; the cursor stays put.
    t->next();
    addCash("z", "5", 9);
    EXPECT_EQ(t->recordCount(), 2);
    EXPECT_EQ(t->asString("RegisteredName"), "c");

    // One that matches shows at its place in the order.
    addCash("bb", "5", 1);
    EXPECT_EQ(names(t), (QStringList{"b", "bb", "c"}));
}

TEST_F(Cursor, EditedOrderFieldRepositionsTheRow)
{
    for (const char *n : {"a", "b", "c"})
        addCash(QString::fromLatin1(n), "1");
    Table *t = cash();
    t->setIndexName("RegisteredName");
    t->first();
    t->edit();
    t->setAsString("RegisteredName", "d");
    t->post();
    EXPECT_EQ(t->asString("RegisteredName"), "d");
    EXPECT_EQ(names(t), (QStringList{"b", "c", "d"}));
}

TEST_F(Cursor, RecordStatesCancelAndAutoincIds)
{
    Table *s = dm1->tblNettora;
    EXPECT_EQ(s->state(), RecordState::Browse);
    s->append();
    EXPECT_EQ(s->state(), RecordState::Insert);
    s->setAsString("Description", "draft");
    s->cancel();
    EXPECT_EQ(s->state(), RecordState::Browse);
    EXPECT_TRUE(s->isEmpty());
    EXPECT_THROW(s->setAsString("Description", "x"), EngineError);  // not in edit

    const qint64 c = addClient("A", "B");
    EXPECT_EQ(addStatement(c), 1);
    EXPECT_EQ(addStatement(c), 2);
    s->setIndexName("IDA");
    s->last();
    EXPECT_EQ(s->asString("Id"), "2");
    s->remove();
    EXPECT_EQ(addStatement(c), 3);  // ids are never reused
    EXPECT_THROW({ s->edit(); s->setAsString("Id", "9"); }, EngineError);
    s->cancel();

    s->first();
    s->edit();
    EXPECT_EQ(s->state(), RecordState::Edit);
    s->setAsString("Description", "changed");
    s->post();
    EXPECT_EQ(s->state(), RecordState::Browse);
    s->first();
    EXPECT_EQ(s->asString("Description"), "changed");

    // Edit on an empty view starts a new row.
    cash()->edit();
    EXPECT_EQ(cash()->state(), RecordState::Insert);
    cash()->cancel();
}

namespace {

// Ways of moving a cursor on, or of changing what it shows, while a row is
// pending. The bookmark is that of a stored row, taken beforehand.
struct MoveOn {
    const char *label;
    std::function<void(Table *, Bookmark)> run;
};

const MoveOn kMovesOn[] = {
    {"first", [](Table *t, Bookmark) { t->first(); }},
    {"next", [](Table *t, Bookmark) { t->next(); }},
    {"prior", [](Table *t, Bookmark) { t->prior(); }},
    {"last", [](Table *t, Bookmark) { t->last(); }},
    {"move to a position", [](Table *t, Bookmark) { t->moveToRecNo(1); }},
    {"go to a bookmark", [](Table *t, Bookmark b) { t->gotoBookmark(b); }},
    {"choose another index", [](Table *t, Bookmark) { t->setIndexName("TYPE"); }},
    {"choose the same index", [](Table *t, Bookmark) { t->setIndexName("RegisteredName"); }},
    {"set another filter", [](Table *t, Bookmark) { t->setFilter(QStringLiteral("ClientId = \"1\"")); }},
    {"filter on again", [](Table *t, Bookmark) { t->setFiltered(true); }},
    {"filter off", [](Table *t, Bookmark) { t->setFiltered(false); }},
    {"append another row", [](Table *t, Bookmark) { t->append(); }},
    {"close and open", [](Table *t, Bookmark) { t->close(); t->open(); }},
    {"narrow to a statement", [](Table *, Bookmark) { FilterStatementTables("1", "1"); }},
    {"clear every filter", [](Table *, Bookmark) { ClearAllFilters(); }},
};

}  // namespace

// A row is written by post() alone: a row being added or edited is dropped
// by whatever moves the cursor on, and a later post() finds nothing to write.
TEST_F(Cursor, APendingRowIsDroppedNeverWrittenWhenTheCursorMovesOn)
{
    for (const char *n : {"a", "b", "c"})
        addCash(QString::fromLatin1(n), "1");
    for (const MoveOn &m : kMovesOn) {
        for (const bool adding : {true, false}) {
            SCOPED_TRACE(std::string(m.label) + (adding ? ", adding" : ", editing"));
            Table *t = cash();
            filterToStatement(1);
            t->first();
            t->next();
            const Bookmark b = t->bookmark();
            t->first();
            if (adding) {
                t->append();
                t->setAsString("ClientId", "1");
                t->setAsString("StatementId", "1");
            } else {
                t->edit();
            }
            t->setAsString("RegisteredName", "typed");
            t->setAsString("Balance", "9");

            m.run(t, b);
            if (t->state() == RecordState::Insert) {
                // The new row starts empty: nothing typed carries over.
                EXPECT_EQ(t->asString("RegisteredName"), "");
                t->cancel();
            }
            EXPECT_EQ(t->state(), RecordState::Browse);
            t->post();
            EXPECT_EQ(countRows("Cash"), 3);
            EXPECT_EQ(countRows("Cash", "RegisteredName = 'typed' OR Balance = 90000"), 0);
            EXPECT_EQ(countRows("Cash", "RegisteredName IN ('a', 'b', 'c') AND Balance = 10000"), 3);
            EXPECT_NE(t->asString("RegisteredName"), "typed");
        }
    }
}

TEST_F(Cursor, DuplicateClientIsRefusedWithTheEngineTextEvenWithoutMiddleInitial)
{
    addClient("John", "Smith");
    addClient("John", "Smith", "Q");  // a different middle initial is another client
    Table *c = dm1->tblClient;
    for (const QString &middle : {QString(), QStringLiteral("Q")}) {
        c->append();
        c->setAsString("FirstName", "John");
        c->setAsString("MiddleInitial", middle);
        c->setAsString("LastName", "Smith");
        try {
            c->post();
            ADD_FAILURE() << "duplicate accepted";
        } catch (const EngineError &e) {
            EXPECT_TRUE(e.text().contains("UNIQUE constraint failed")) << e.text().toStdString();
        }
        EXPECT_EQ(c->state(), RecordState::Insert);  // the row is still there to mend
        c->cancel();
    }
    EXPECT_EQ(countRows("Client"), 2);
}

TEST_F(Cursor, FieldAccessByNameAndPositionWithStoredForms)
{
    Table *t = dm1->tblRealEstate;
    t->append();
    t->setAsString("ClientId", "1");
    t->setAsString(t->fieldIndex("Description"), QString(35, QLatin1Char('x')));  // the full width
    t->setAsFloat("MarketValue", 1234.56789);
    t->setAsString("CurrentBalance", "-250");
    t->setAsFloat("PercentOwned", 100.0 / 3);
    t->setAsString("YearAcquired", "");
    t->post();
    t->first();
    EXPECT_EQ(t->asString("Description").size(), 35);
    EXPECT_EQ(t->asString("MarketValue"), "1234.5679");  // four places, rounded there
    EXPECT_DOUBLE_EQ(t->asFloat("MarketValue"), 1234.5679);
    EXPECT_EQ(t->asInteger("CurrentBalance"), -250);
    EXPECT_EQ(t->asString("CurrentBalance"), "-250");
    EXPECT_DOUBLE_EQ(t->asFloat("PercentOwned"), 100.0 / 3);
    EXPECT_EQ(t->asString("YearAcquired"), "");
    EXPECT_TRUE(t->isNull("YearAcquired"));
    EXPECT_EQ(t->asString(0), "1");
    EXPECT_EQ(t->fieldName(0), "ClientId");
    EXPECT_THROW(t->asString("NoSuchField"), EngineError);

    t->edit();
    EXPECT_THROW(t->setAsString("MarketValue", "12abc"), EngineError);
    EXPECT_THROW(t->setAsString("MarketValue", "1,234.50"), EngineError);
    t->cancel();

    Table *k = dm1->tblContingent;
    k->append();
    k->setAsString("Maturity", "3/4/27");
    k->post();
    k->first();
    EXPECT_EQ(k->asString("Maturity"), "03/04/27");
    k->edit();
    EXPECT_THROW(k->setAsString("Maturity", "02/30/27"), EngineError);
    k->cancel();
}

TEST_F(Cursor, AnotherCursorsWritesAreSeen)
{
    Table other(dm1->db(), dm1->tblCash->def());
    other.open();
    addCash("a", "1");
    other.first();
    EXPECT_EQ(other.recordCount(), 1);
    other.edit();
    other.setAsString("RegisteredName", "b");
    other.post();
    cash()->first();
    EXPECT_EQ(cash()->asString("RegisteredName"), "b");
}

// A walking cursor reads the rows ahead of it in batches; every row must
// still show what is stored, whichever way it walks and whoever wrote.
TEST_F(Cursor, AWalkShowsEachRowAsStoredAfterWritesInEitherDirection)
{
    for (int i = 0; i < 40; ++i)
        addCash(QStringLiteral("n%1").arg(i, 2, 10, QLatin1Char('0')), QString::number(i));
    Table *t = cash();
    t->setIndexName("registeredname");
    const int name = t->fieldIndex("RegisteredName"), balance = t->fieldIndex("Balance");
    // Read by position first: that read goes to the file, not the walk's rows.
    const auto check = [&] {
        const int at = t->recNo();
        const QString stored = t->asStringAt(at, name) + "=" + t->asStringAt(at, balance);
        EXPECT_EQ(t->asString("RegisteredName") + "=" + t->asString("Balance"), stored) << "row " << at;
    };
    t->first();
    for (int i = 0; i < 5; ++i, t->next())
        check();
    Table other(dm1->db(), t->def());
    other.open();
    other.setIndexName("registeredname");
    other.moveToRecNo(6);
    other.edit();
    other.setAsString("Balance", "99");
    other.post();
    dm1->db().exec(QStringLiteral("UPDATE \"Cash\" SET \"Balance\" = 880000 WHERE \"RegisteredName\" = 'n08'"));
    for (; !t->eof(); t->next())
        check();
    t->moveToRecNo(6);
    EXPECT_EQ(t->asFloat("Balance"), 99.0);
    t->moveToRecNo(8);
    EXPECT_EQ(t->asFloat("Balance"), 88.0);

    for (t->last(); !t->bof(); t->prior()) {
        check();
        if (t->recNo() == 30) {
            t->moveToRecNo(28);
            t->edit();
            t->setAsString("Balance", "77");
            t->post();
            t->moveToRecNo(30);
        }
    }
    t->moveToRecNo(28);
    EXPECT_EQ(t->asFloat("Balance"), 77.0);
    EXPECT_EQ(t->recordCount(), 40);
}

// A view reads its first rows when it is built and the rest when the cursor
// goes beyond them, and counts its rows until then. Every move, count, read
// and write must give what a view read whole gives: each case runs twice on
// the same rows (rolled back in between), on a new view and on one read whole
// first, and both must see the same at every step.
TEST_F(Cursor, AViewReadInPartsBehavesAsAViewReadWhole)
{
    // Far more rows than a view reads at first, in no order, in mixed case;
    // every fifth is outside the filter.
    for (int i = 0; i < 150; ++i) {
        const int k = (i * 37) % 150;
        addCash(QStringLiteral("%1%2").arg(k % 3 ? "n" : "N").arg(k, 3, 10, QLatin1Char('0')), QString::number(i),
                i % 5 == 4 ? 2 : 1);
    }
    const auto rowOf = [this](const char *name) {
        Statement st = dm1->db().prepare(QStringLiteral("SELECT rowid FROM \"Cash\" WHERE \"RegisteredName\" = ?"));
        st.bind(1, QString::fromLatin1(name));
        return st.step() ? st.columnInt(0) : qint64(0);
    };
    struct Op {
        QString name;
        std::function<QString(Table &)> run;  // what it reads beyond the cursor's place
    };
    const auto moves = [](const char *name, int n, void (Table::*move)()) {
        return Op{QStringLiteral("%1 x%2").arg(name).arg(n), [=](Table &t) {
                      for (int i = 0; i < n; ++i)
                          (t.*move)();
                      return QString();
                  }};
    };
    const Op first{"first", [](Table &t) { t.first(); return QString(); }};
    const Op last{"last", [](Table &t) { t.last(); return QString(); }};
    const Op count{"count", [](Table &t) { return QString::number(t.recordCount()) + (t.isEmpty() ? " empty" : ""); }};
    const auto next = [&](int n) { return moves("next", n, &Table::next); };
    const auto prior = [&](int n) { return moves("prior", n, &Table::prior); };
    const auto recNo = [](int k) {
        return Op{QStringLiteral("recno %1").arg(k), [=](Table &t) { t.moveToRecNo(k); return QString(); }};
    };
    const auto at = [](int k) {
        return Op{QStringLiteral("at %1").arg(k), [=](Table &t) { return t.asStringAt(k, t.fieldIndex("RegisteredName")); }};
    };
    const auto gotoRow = [&](const char *name) {
        const qint64 row = rowOf(name);
        return Op{QStringLiteral("goto %1").arg(name), [=](Table &t) {
                      const QString valid = t.bookmarkValid(row) ? "valid" : "not valid";
                      try {
                          t.gotoBookmark(row);
                      } catch (const EngineError &) {
                          return valid + ", refused";
                      }
                      return valid;
                  }};
    };
    const Op remove{"remove", [](Table &t) { t.remove(); return QString(); }};
    const auto editTo = [](const char *field, const char *value) {
        return Op{QStringLiteral("edit %1 %2").arg(field, value), [=](Table &t) {
                      t.edit();
                      t.setAsString(field, value);
                      t.post();
                      return QString();
                  }};
    };
    const Op append{"append", [](Table &t) {
                        t.append();
                        t.setAsString("ClientId", "1");
                        t.setAsString("StatementId", "1");
                        t.setAsString("RegisteredName", "n077a");
                        t.post();
                        return QString();
                    }};
    const auto sql = [this](const char *name, const char *statement) {
        return Op{name, [=, this](Table &) { dm1->db().exec(QString::fromLatin1(statement)); return QString(); }};
    };
    const Op otherAdds = sql("another adds", "INSERT INTO \"Cash\" (\"ClientId\", \"StatementId\", \"RegisteredName\") "
                                             "VALUES ('1', '1', 'n000a'), ('1', '1', 'n149a')");
    const Op otherDeletes = sql("another deletes", "DELETE FROM \"Cash\" WHERE \"RegisteredName\" IN ('n001', 'n002')");

    const struct {
        const char *name;
        bool byName;  // index REGISTEREDNAME, else the natural order
        std::vector<Op> ops;
    } cases[] = {
        {"walk past the end and back", true, {first, next(130), prior(3), count}},
        {"count before moving", true, {count, next(70), count, last}},
        {"last first", true, {last, prior(2), first, next(1)}},
        {"by number", true, {recNo(100), recNo(500), recNo(-3), recNo(70), next(1)}},
        {"read by number", true, {at(3), at(90), at(119), at(120), count, next(2)}},
        {"bookmarks", true, {gotoRow("n100"), gotoRow("N003"), gotoRow("n004"), next(1), gotoRow("n010"), prior(1)}},
        {"delete early", true, {next(10), remove, count, next(1), last}},
        {"delete late", true, {next(70), remove, next(1), count}},
        {"edit leaves the view", true, {next(30), editTo("StatementId", "2"), next(50), count}},
        {"edit moves the row", true, {next(10), editTo("RegisteredName", "zz"), next(1), count, last}},
        {"append", true, {next(20), append, next(1), count, prior(1)}},
        {"others write", true, {next(70), otherAdds, next(5), count, next(3), otherDeletes, prior(80), count}},
        {"others write early", true, {next(3), otherDeletes, next(1), otherAdds, count}},
        {"natural order", false, {next(80), append, prior(1), count, first, remove, last}},
        {"natural order, others write", false, {next(10), otherAdds, next(5), last, count}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QStringList seen[2];
        for (const bool whole : {false, true}) {
            Transaction undo(dm1->db());
            Table t(dm1->db(), cash()->def());
            t.open();
            if (c.byName)
                t.setIndexName("registeredname");
            t.setFilter("ClientId = \"1\" and StatementId = \"1\"");
            t.setFiltered(true);
            if (whole) {
                t.last();
                t.first();
            }
            for (const Op &op : c.ops) {
                const QString read = op.run(t);
                seen[whole] << QStringLiteral("%1: %2 eof %3 bof %4 row %5 %6 %7")
                                   .arg(op.name)
                                   .arg(t.recNo())
                                   .arg(t.eof())
                                   .arg(t.bof())
                                   .arg(t.bookmark())
                                   .arg(t.asString("RegisteredName"), read);
            }
        }
        EXPECT_EQ(seen[0], seen[1]);
    }
    // The whole view is the filter's rows in name order, letter case aside.
    Table *t = cash();
    t->setIndexName("registeredname");
    t->setFilter("ClientId = \"1\" and StatementId = \"1\"");
    t->setFiltered(true);
    QStringList expected;
    for (int k = 0; k < 150; ++k)
        if (((k * 73) % 150) % 5 != 4)  // 73 * 37 = 1 modulo 150: name k is row 73k
            expected << QStringLiteral("%1%2").arg(k % 3 ? "n" : "N").arg(k, 3, 10, QLatin1Char('0'));
    EXPECT_EQ(names(t), expected);
}

// Plain SQL through the database changes what every cursor shows, without
// the caller naming the tables it changed.
TEST_F(Cursor, PlainSqlWritesAreSeenByTheCursors)
{
    addCash("a", "1");
    Table *t = cash();
    t->first();
    ASSERT_EQ(t->recordCount(), 1);
    dm1->db().exec(QStringLiteral("INSERT INTO \"Cash\" (\"RegisteredName\") VALUES ('b')"));
    EXPECT_EQ(t->recordCount(), 2);
    dm1->db().exec(QStringLiteral("UPDATE \"Cash\" SET \"RegisteredName\" = 'c' WHERE \"RegisteredName\" = 'a'"));
    t->first();
    EXPECT_EQ(t->asString("RegisteredName"), "c");
    Statement st = dm1->db().prepare(QStringLiteral("INSERT INTO \"Cash\" (\"RegisteredName\") VALUES (?)"));
    st.bind(1, QStringLiteral("d"));
    st.run();
    EXPECT_EQ(t->recordCount(), 3);
    dm1->db().exec(QStringLiteral("DELETE FROM \"Cash\""));
    EXPECT_TRUE(t->isEmpty());
}

// A full disk makes the engine roll the transaction back by itself; the
// cursors must then show the rows as they were before it began.
TEST_F(Cursor, RowsOfATransactionTheEngineRolledBackLeaveTheView)
{
    addCash("kept", "1");
    Table *t = cash();
    ASSERT_EQ(t->recordCount(), 1);
    Statement pages = dm1->db().prepare(QStringLiteral("PRAGMA page_count"));
    ASSERT_TRUE(pages.step());
    dm1->db().exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages.columnInt(0) + 2));
    bool refused = false;
    try {
        Transaction tx(dm1->db());
        for (int i = 0; i < 2000; ++i)
            addCash(QStringLiteral("row %1 ").arg(i) + QString(40, QLatin1Char('x')), "1");
        tx.commit();
    } catch (const EngineError &) {
        refused = true;
    }
    ASSERT_TRUE(refused);
    EXPECT_EQ(dm1->db().transactionDepth(), 0);
    EXPECT_EQ(names(t), QStringList{"kept"});
    EXPECT_EQ(t->recordCount(), 1);
}

namespace {

enum class Write { String, Float, Integer, Stored };

struct WriteCase {
    const char *label;
    const char *table, *field;
    QString old;       // the field's value before the write
    Write how;
    QVariant value;
    bool refused;
    QString stored;    // what the field reads afterwards when accepted
    QString mentions = {};  // more the refusal must say, beyond the table and field
};

QString emoji(int n)
{
    QString s;
    for (int i = 0; i < n; ++i)
        s += QString::fromUtf8("\xF0\x9F\x98\x80");  // one character, two UTF-16 units
    return s;
}

std::vector<WriteCase> writeCases()
{
    const QString lone = QString(QChar(0xD83D)) + QStringLiteral("abc");
    const qint64 maxUnits = std::numeric_limits<qint64>::max();
    return {
        // Amounts: the stored count of 1/10,000 dollar must not wrap.
        {"typed amount of 20 digits", "Cash", "Balance", "12.5", Write::String, QStringLiteral("99999999999999999999"), true, {},
         "99999999999999999999"},
        {"amount just past the largest", "Cash", "Balance", "12.5", Write::Float, 922337203685478.0, true, {}},
        {"large negative amount", "Cash", "Balance", "12.5", Write::Float, -1e16, true, {}},
        {"amount not a number", "Cash", "Balance", "12.5", Write::Float, std::nan(""), true, {}},
        {"integer amount", "Cash", "Balance", "12.5", Write::Integer, maxUnits, true, {}},
        {"stored count past the largest", "Nettora", "NetWorth", "12.5", Write::Stored, maxUnits, true, {}},
        {"largest amount", "Cash", "Balance", "12.5", Write::Float, MaxCurrency, false, "922337203685477"},
        {"smallest amount", "Cash", "Balance", "12.5", Write::String, "-922337203685477", false, "-922337203685477"},
        // Floats and the two percent fields.
        {"percent over 999", "RealEstate", "PercentOwned", "50", Write::String, "1000", true, {}},
        {"percent under -99", "RealEstate", "PercentLiability", "50", Write::Float, -100.0, true, {}},
        {"percent of 999", "RealEstate", "PercentOwned", "50", Write::String, "999", false, "999"},
        {"huge year", "RealEstate", "YearAcquired", "1999", Write::Float, 1e300, true, {}},
        {"stored infinite shares", "Investments", "Shares", "10", Write::Stored, qInf(), true, {}},
        // Texts: refused, never cut; widths count characters.
        {"description one too long", "Nettora", "Description", "Annual", Write::String, QString(31, QLatin1Char('d')), true, {},
         "is 31 characters long; the field holds at most 30."},
        {"account number one too long", "Cash", "AccountNumber", "12", Write::String, QString(21, QLatin1Char('7')), true, {}},
        {"state of three letters", "User", "State", "TX", Write::String, "TXX", true, {}},
        {"year as a five-digit number", "Auto", "Year", "2020", Write::Float, 12345.0, true, {}},
        {"copied text too long", "Taxes", "Description", "Tax", Write::Stored, QString(51, QLatin1Char('t')), true, {}},
        {"31 emoji in a width of 30", "Nettora", "Description", "Annual", Write::String, emoji(31), true, {},
         "is 31 characters long"},
        {"30 emoji in a width of 30", "Nettora", "Description", "Annual", Write::String, emoji(30), false, emoji(30)},
        {"lone surrogate", "Nettora", "Description", "Annual", Write::String, lone, true, {}, "not valid Unicode"},
        {"lone surrogate in a memo", "Notes", "Details", "Note", Write::String, lone, true, {}},
    };
}

void write(Table *t, int pos, Write how, const QVariant &v)
{
    switch (how) {
    case Write::String: t->setAsString(pos, v.toString()); break;
    case Write::Float: t->setAsFloat(pos, v.toDouble()); break;
    case Write::Integer: t->setAsInteger(t->fieldName(pos), v.toLongLong()); break;
    case Write::Stored: t->setValue(pos, v); break;
    }
}

}  // namespace

// Every write is checked against what the field holds; a refused one names
// the table and the field and leaves the row as it was.
TEST_F(Cursor, WritesTheFieldCannotHoldAreRefusedAndTheRowKeepsItsValue)
{
    for (const WriteCase &c : writeCases()) {
        SCOPED_TRACE(c.label);
        Table *t = dm1->table(QString::fromLatin1(c.table));
        ASSERT_NE(t, nullptr);
        const int pos = t->fieldIndex(QString::fromLatin1(c.field));
        t->setFiltered(false);
        t->setIndexName(QString());
        t->append();
        t->setAsString(pos, c.old);
        t->post();
        t->last();
        t->edit();
        try {
            write(t, pos, c.how, c.value);
            EXPECT_FALSE(c.refused) << "accepted";
        } catch (const EngineError &e) {
            EXPECT_TRUE(c.refused) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QString::fromLatin1(c.field)) && e.text().contains(t->tableName())
                        && e.text().contains(c.mentions))
                << e.text().toStdString();
        }
        EXPECT_EQ(t->asString(pos), c.refused ? c.old : c.stored);  // the row buffer
        t->post();
        t->last();
        EXPECT_EQ(t->asString(pos), c.refused ? c.old : c.stored);  // the file
    }
}
