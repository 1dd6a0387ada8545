// A required figure of only blanks is no figure: on every entry page, OK
// refuses it with the page's own message naming the box, and nothing is
// stored (stored, it would count as nothing in every total).
#include "entry/statement_fixture.h"

#include "kit/btn_functions.h"
#include "entry/entrywindow.h"

#include <QApplication>
#include <QComboBox>

using namespace nettora;
using namespace nettora::test;

namespace {

bool isFigure(EditorKind k)
{
    return k == EditorKind::Money || k == EditorKind::Number || k == EditorKind::Percent;
}

QString boxOf(QString caption)
{
    caption = caption.trimmed();
    while (caption.startsWith(QLatin1Char('*')))
        caption = caption.mid(1).trimmed();
    while (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    return caption.trimmed();
}

// Every editor filled with something its checks take.
void fillAll(EntryPage *page)
{
    for (const EditorSpec &e : page->description().editors) {
        QWidget *w = page->editor(e.name);
        if (auto *box = qobject_cast<QComboBox *>(w)) {
            for (int i = 0; i < box->count(); ++i)
                if (!box->itemText(i).trimmed().isEmpty()) {
                    box->setCurrentIndex(i);
                    break;
                }
        } else if (e.kind == EditorKind::Date) {
            type(w, QStringLiteral("12/31/2030"));
        } else if (e.kind == EditorKind::Memo || e.kind == EditorKind::Text) {
            if (auto *edit = qobject_cast<QLineEdit *>(w))
                type(edit, QStringLiteral("Sample"));
        } else {
            type(w, e.kind == EditorKind::Number ? QStringLiteral("2000") : QStringLiteral("10"));
        }
    }
}

}  // namespace

class BlankFigures : public StatementTest {};

TEST_F(BlankFigures, EveryRequiredFigureOfBlanksIsRefusedAndNothingStored)
{
    const std::pair<const char *, QWidget *(*)()> windows[] = {{"assets", OpenAssetsWindow},
                                                               {"liabilities", OpenLiabilitiesWindow},
                                                               {"income", OpenIncomeWindow},
                                                               {"expenses", OpenExpensesWindow}};
    QStringList covered;
    for (const auto &[name, open] : windows) {
        SCOPED_TRACE(name);
        narrow();
        auto *w = qobject_cast<EntryWindow *>(open());
        ASSERT_NE(w, nullptr);
        w->show();
        QApplication::processEvents();
        for (EntryPage *page : w->pages()) {
            w->openEntryPage(page->description().number);
            for (const CheckSpec &check : page->description().checks) {
                const auto box = std::find_if(page->description().editors.begin(), page->description().editors.end(),
                                               [&](const EditorSpec &e) { return e.name == check.editor; });
                if (box == page->description().editors.end() || !isFigure(box->kind) || !check.accepted.isEmpty())
                    continue;
                SCOPED_TRACE(page->description().title.toStdString() + " / " + box->caption.toStdString());
                const int before = countRows(page->description().table);
                click(page->addButton);
                fillAll(page);
                qobject_cast<QLineEdit *>(page->editor(box->name))->setText(QStringLiteral("   "));
                m_dialogs->clear();
                click(page->okButton);
                EXPECT_EQ(m_dialogs->texts(),
                          QStringList{QStringLiteral("'   ' is not a valid number in %1.").arg(boxOf(box->caption))});
                EXPECT_EQ(countRows(page->description().table), before);
                EXPECT_EQ(QApplication::focusWidget() ? QApplication::focusWidget() : w->focusWidget(),
                          page->editor(box->name));
                click(page->cancelButton);
                covered << boxOf(box->caption);
            }
        }
        w->close();
        QApplication::processEvents();
        m_dialogs->clear();
    }
    // The boxes where blanks once overstated the net worth are among them.
    for (const char *box : {"Percent of Liability", "Loan Balance", "Amount", "Year Acquired", "Percent Owned"})
        EXPECT_TRUE(covered.contains(QString::fromLatin1(box))) << box;
}
