// Bound editors take no more text than their field holds, counted in
// characters: typing stops at the width and an over-long paste is refused
// whole, never cut on its way to the table.
#include "support/testsupport.h"

#include "kit/databinding.h"

#include <QTest>

using namespace nettora;
using namespace nettora::test;

namespace {

const QString kSmile = QString::fromUtf8("\xF0\x9F\x98\x80");  // one character, two UTF-16 units

}  // namespace

TEST(FieldWidth, CharactersAreCodePointsAndLoneSurrogatesNone)
{
    EXPECT_EQ(fieldChars(QStringLiteral("abc")), 3);
    EXPECT_EQ(fieldChars(kSmile.repeated(30)), 30);
    EXPECT_EQ(fieldChars(QString(QChar(0xD83D))), -1);
    EXPECT_EQ(fieldChars(QStringLiteral("a") + QChar(0xDE00)), -1);
}

class BoundEditors : public DataDirTest {};

// A line edit, a drop-down and a plain text box, each bound to a text
// field: typing stops at the width, emoji count one each, a lone surrogate
// and an over-long paste change nothing.
TEST_F(BoundEditors, StopAtTheFieldWidth)
{
    Table *legal = dm1->tblLegal;
    Table *cash = dm1->tblCash;
    QLineEdit account;
    QComboBox type;
    type.addItems({QString(), QStringLiteral("Checking Account")});
    setUpChoiceBox(&type);
    QPlainTextEdit will;
    FieldBinder binder;
    binder.bind(&account, cash, QStringLiteral("AccountNumber"));  // 20
    binder.bind(&type, cash, QStringLiteral("Type"));              // 31
    binder.bind(&will, legal, QStringLiteral("WillExplanation"));  // 300

    const struct {
        QWidget *editor;
        int width;
    } cases[] = {{&account, 20}, {type.lineEdit(), 31}, {&will, 300}};
    const auto text = [](QWidget *w) {
        if (auto *p = qobject_cast<QPlainTextEdit *>(w))
            return p->toPlainText();
        return qobject_cast<QLineEdit *>(w)->text();
    };
    const auto clear = [](QWidget *w) {
        if (auto *p = qobject_cast<QPlainTextEdit *>(w))
            p->clear();
        else
            qobject_cast<QLineEdit *>(w)->clear();
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.width);
        clear(c.editor);
        QTest::keyClicks(c.editor, QString(QLatin1Char('x')).repeated(c.width + 3));
        EXPECT_EQ(text(c.editor), QString(QLatin1Char('x')).repeated(c.width));

        clear(c.editor);
        for (int i = 0; i < c.width + 2; ++i)
            QTest::sendKeyEvent(QTest::Click, c.editor, Qt::Key_unknown, kSmile, Qt::NoModifier);
        EXPECT_EQ(text(c.editor), kSmile.repeated(c.width));

        clear(c.editor);
        QTest::keyClicks(c.editor, QStringLiteral("ab"));
        QTest::sendKeyEvent(QTest::Click, c.editor, Qt::Key_unknown, QString(QChar(0xD83D)), Qt::NoModifier);
        EXPECT_EQ(text(c.editor), "ab");
        if (auto *p = qobject_cast<QPlainTextEdit *>(c.editor))
            p->insertPlainText(QString(QLatin1Char('y')).repeated(c.width - 1));
        else
            qobject_cast<QLineEdit *>(c.editor)->insert(QString(QLatin1Char('y')).repeated(c.width - 1));
        EXPECT_EQ(text(c.editor), "ab");
    }

    // What the boxes hold reaches the fields whole.
    cash->append();
    legal->append();
    const QString e = QString::fromUtf8("\xC3\xA9");
    for (const auto &c : cases) {
        clear(c.editor);
        for (int i = 0; i < c.width + 1; ++i)
            QTest::sendKeyEvent(QTest::Click, c.editor, Qt::Key_unknown, e, Qt::NoModifier);
    }
    binder.store();
    EXPECT_EQ(cash->asString("AccountNumber"), e.repeated(20));
    EXPECT_EQ(cash->asString("Type"), e.repeated(31));
    EXPECT_EQ(legal->asString("WillExplanation"), e.repeated(300));

    // A stored row is shown as it stands, and loading it is no edit.
    legal->setAsString("WillExplanation", QStringLiteral("Left with the attorney."));
    binder.load();
    EXPECT_EQ(will.toPlainText(), "Left with the attorney.");
}
