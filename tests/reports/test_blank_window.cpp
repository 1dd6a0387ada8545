// The Print Blank Statement window over an empty data directory: no choice
// made, OK asks for one; each choice previews its style's eleven blank forms
// and the window stays for the next print; Cancel closes it.
#include "support/testsupport.h"

#include "app/windows.h"
#include "kit/btn_functions.h"
#include "reports/blankwindow.h"
#include "reports/engine/preview_window.h"
#include "reports/engine/report.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace nettora;
using namespace nettora::test;

namespace {

class BlankWindow : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        registerAllWindows();
    }
    // OK, with the preview (when one comes) read and closed: its title and
    // page count.
    std::pair<QString, int> pressOk(TfrmPrint_BlankStatement *w)
    {
        std::pair<QString, int> seen{QString(), 0};
        const int before = reports::Report::liveCount();
        // The timer is this call's: when no preview came, it must not fire
        // later, into a call that has returned.
        QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            if (auto *p = qobject_cast<reports::PreviewWindow *>(QApplication::activeModalWidget())) {
                seen = {p->windowTitle(), int(p->pages().size())};
                p->close();
            }
        });
        click(w->okButton);
        EXPECT_EQ(reports::Report::liveCount(), before) << "the forms are released when the preview closes";
        return seen;
    }
};

}  // namespace

TEST_F(BlankWindow, OpensFromTheOpenerWithNoChoiceAndPrintsEachStyle)
{
    QPointer<TfrmPrint_BlankStatement> w = qobject_cast<TfrmPrint_BlankStatement *>(OpenBlankStatementWindow());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Print Blank Statement");
    for (QRadioButton *rb : {w->rbStandard, w->rbContemporary, w->rbProfessional})
        EXPECT_FALSE(rb->isChecked()) << rb->text().toStdString();

    EXPECT_EQ(pressOk(w).second, 0);
    ASSERT_EQ(m_dialogs->shown().size(), 1u);
    EXPECT_EQ(m_dialogs->shown()[0].kind, "information");
    EXPECT_EQ(m_dialogs->shown()[0].text, "Please select the type of Financial Statement to be printed.");

    for (QRadioButton *rb : {w->rbStandard, w->rbContemporary, w->rbProfessional}) {
        SCOPED_TRACE(rb->text().toStdString());
        m_dialogs->clear();
        click(rb);
        EXPECT_EQ(pressOk(w).second, 11);
        EXPECT_TRUE(m_dialogs->shown().empty());
        EXPECT_TRUE(w->isVisible());  // stays for further prints
    }
    saveScreenshot(w, "print_blank_statement");
    click(w->cancelButton);
    QApplication::processEvents();
    EXPECT_TRUE(w.isNull() || !w->isVisible());
}
