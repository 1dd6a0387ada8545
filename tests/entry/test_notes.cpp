// The notes window as real widgets on a real data directory: the list of the
// statement's notes, the two checks, a text of several lines, the keys.
#include "entry/statement_fixture.h"

#include "app/windows.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "entry/notes.h"
#include "kit/btn_functions.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

using namespace nettora;
using namespace nettora::test;

class Notes : public StatementTest {
protected:
    void addStatements() override
    {
        other = addStatement(client, "06/30/2025", "Half");
        statement = addStatement(client);
    }
    void seedRows() override
    {
        addRow(dm1->tblNotes, client, statement, {{"Description", "Car"}, {"Details", "Sold in May"}});
        addRow(dm1->tblNotes, client, other, {{"Description", "Boat"}, {"Details", "Other statement"}});
    }
    void SetUp() override
    {
        StatementTest::SetUp();
        window = qobject_cast<TfrmNotes *>(OpenNotesWindow());
        QApplication::processEvents();
        ASSERT_NE(window, nullptr);
        page = window->page(2);
        ASSERT_NE(page, nullptr);
    }
    QPlainTextEdit *memo() const { return qobject_cast<QPlainTextEdit *>(page->editor("d2_2")); }
    int ownNotes(const QString &where)
    {
        return countRows(QStringLiteral("Notes"),
                         QStringLiteral("ClientId = '%1' AND StatementId = '%2' AND %3").arg(client).arg(statement).arg(where));
    }

    QPointer<TfrmNotes> window;
    EntryPage *page = nullptr;
};

TEST_F(Notes, OpensInBrowseOnTheStatementsNotes)
{
    EXPECT_EQ(window->windowTitle(), WindowCaption());
    EXPECT_EQ(window->activePage(), page);
    EXPECT_EQ(page->titleLabel->text(), "Notes");
    EXPECT_EQ(page->totalLabel->text(), "");  // notes carry no amounts
    EXPECT_EQ(page->grid->rowTexts(), QStringList{"Car"});
    EXPECT_EQ(appState().entry, EntryState::Open);
    for (QPushButton *b : {page->addButton, page->editButton, page->deleteButton, page->previewButton})
        EXPECT_TRUE(b->isVisible()) << b->text().toStdString();
    EXPECT_FALSE(page->okButton->isVisible());
    EXPECT_FALSE(page->cancelButton->isVisible());
    EXPECT_FALSE(page->editor("d2_1")->isEnabled());
    ASSERT_NE(memo(), nullptr);
    EXPECT_FALSE(memo()->isEnabled());
    EXPECT_EQ(memo()->toPlainText(), "Sold in May");
    EXPECT_EQ(window->findChild<HoverLabel *>("s7")->backgroundColor(), ScreenFrame::Green);
    QStringList links;
    for (HoverLabel *l : window->sideLinks())
        links << l->objectName() + QLatin1Char('=') + l->text();
    EXPECT_EQ(links, QStringList({"s1=   Personal Information", "s2=   Assets", "s3=   Liabilities", "s6=   Income",
                                  "s5=   Expenses", "s4=   Legal", "s7=   Notes"}));
    saveScreenshot(window, "notes_browse");
}

// The checks in order, each with its message and the cursor on its box; a
// text of several lines, or of line breaks alone, is a note.
TEST_F(Notes, ChecksInOrderAndTextsOfSeveralLines)
{
    const struct {
        const char *description;
        QString details;  // typed key by key, "\n" as Enter
        QStringList messages;
        const char *focus;
    } cases[] = {
        {"", "Text", {"Please enter \"Note Description\"."}, "d2_1"},
        {"", "", {"Please enter \"Note Description\"."}, "d2_1"},
        {"House", "", {"Please enter \"Note Details\"."}, "d2_2"},
        {"House", "First line\nSecond line", {}, nullptr},
        {"Blank", "\n\n", {}, nullptr},
    };
    int saved = 1;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.description + std::string(" / ") + c.details.toStdString());
        m_dialogs->clear();
        click(page->addButton);
        ASSERT_EQ(appState().entry, EntryState::Closed);
        EXPECT_EQ(window->focusWidget(), page->editor("d2_1"));
        type(page->editor("d2_1"), QLatin1String(c.description));
        memo()->setFocus();
        // Lines are joined by Enter, which stays in the box and presses no OK.
        const QStringList lines = c.details.split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(memo(), Qt::Key_Return);
            QTest::keyClicks(memo(), lines[i]);
        }
        EXPECT_EQ(memo()->toPlainText(), c.details);
        EXPECT_TRUE(m_dialogs->shown().empty());
        click(page->okButton);
        EXPECT_EQ(m_dialogs->texts(), c.messages);
        if (c.focus) {
            EXPECT_EQ(window->focusWidget(), page->editor(QLatin1String(c.focus)));
            EXPECT_EQ(appState().entry, EntryState::Closed);
            click(page->cancelButton);
            continue;
        }
        ++saved;
        EXPECT_EQ(appState().entry, EntryState::Open);
        // Stored with the statement's keys, the text whole, and listed at once.
        Statement st = dm1->db().prepare(QStringLiteral(
            "SELECT Details, ClientId, StatementId FROM Notes WHERE Description = ?"));
        st.bind(1, QString::fromLatin1(c.description));
        ASSERT_TRUE(st.step());
        EXPECT_EQ(st.columnText(0), c.details);
        EXPECT_EQ(st.columnText(1), QString::number(client));
        EXPECT_EQ(st.columnText(2), QString::number(statement));
        EXPECT_TRUE(page->grid->rowTexts().contains(QLatin1String(c.description)));
    }
    EXPECT_EQ(countRows("Notes"), saved + 1);
    EXPECT_EQ(page->grid->rowTexts(), QStringList({"Blank", "Car", "House"}));
}

TEST_F(Notes, EditStampsTheKeysAndDeleteAsksByName)
{
    page->grid->selectRow(0);
    click(page->editButton);
    EXPECT_TRUE(memo()->isEnabled());
    memo()->setFocus();
    QTest::keyClick(memo(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(memo(), Qt::Key_Return);
    QTest::keyClicks(memo(), "for 9,000");
    click(page->okButton);
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
    EXPECT_EQ(ownNotes("Description = 'Car' AND Details = 'Sold in May\nfor 9,000'"), 1);

    m_dialogs->answerWarnings({false, true});
    click(page->deleteButton);
    EXPECT_EQ(countRows("Notes"), 2);
    click(page->deleteButton);
    ASSERT_EQ(m_dialogs->shown().size(), 2u);
    EXPECT_EQ(m_dialogs->shown()[0].kind, "warning");
    EXPECT_EQ(m_dialogs->shown()[0].text, "You have selected to DELETE the note \"Car\".\n\r\n\rDo you wish to continue?");
    EXPECT_EQ(countRows("Notes"), 1);  // the other statement's note stays
    EXPECT_TRUE(page->grid->rowTexts().isEmpty());
    // Nothing left to delete: nothing changes.
    m_dialogs->clear();
    m_dialogs->answerWarnings({true});
    click(page->deleteButton);
    EXPECT_EQ(countRows("Notes"), 1);
    EXPECT_TRUE(page->addButton->isVisible());
}

TEST_F(Notes, ANoteBeingTypedIsDroppedWhenTheUserDiscardsIt)
{
    click(page->addButton);
    type(page->editor("d2_1"), "Unfinished");
    memo()->setFocus();
    QTest::keyClicks(memo(), "half a thought");
    saveScreenshot(window, "notes_adding");
    m_dialogs->answerSaveQuestions({SaveChoice::Discard});
    click(window->findChild<HoverLabel *>("s2"));
    QApplication::processEvents();
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Save the changes to Notes?"});
    EXPECT_TRUE(window.isNull() || !window->isVisible());
    EXPECT_EQ(appState().entry, EntryState::Open);
    EXPECT_EQ(countRows("Notes"), 2);
    EXPECT_EQ(countRows("Notes", "Description = 'Unfinished'"), 0);
}
