// The message boxes the program shows when no test service stands in: each
// kind with its icon and its buttons.
#include "support/testsupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace nettora;
using namespace nettora::test;

namespace {

struct SeenBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString text;
};

// Runs show() and reads the box it brings up, then closes it with its
// default button.
SeenBox seeBox(const std::function<void()> &show, const QString &shot)
{
    SeenBox seen;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = {box->icon(), box->standardButtons(), box->text()};
        saveScreenshot(box, shot);
        box->defaultButton() ? box->defaultButton()->click() : box->button(QMessageBox::Ok)->click();
    });
    show();
    return seen;
}

}  // namespace

TEST(MessageBoxes, EachKindHasItsIconAndButtons)
{
    MessageBoxDialogs boxes;
    setDialogService(nullptr);
    const struct {
        const char *kind;
        std::function<void()> show;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    } cases[] = {
        {"error", [&] { boxes.error("Please enter the reporting date."); }, QMessageBox::Critical, QMessageBox::Ok},
        {"warning", [&] { EXPECT_FALSE(boxes.warning("Are you sure?")); }, QMessageBox::Warning,
         QMessageBox::Yes | QMessageBox::No},
        // A confirmation tells what was done: information, not a question.
        {"confirmation", [&] { boxes.confirmation("The financial statement was successfully deleted."); },
         QMessageBox::Information, QMessageBox::Ok},
        {"information", [&] { boxes.information("Password successfully updated."); }, QMessageBox::Information,
         QMessageBox::Ok},
    };
    for (const auto &c : cases) {
        const SeenBox seen = seeBox(c.show, QStringLiteral("box_") + QString::fromLatin1(c.kind));
        EXPECT_FALSE(seen.text.isEmpty()) << c.kind << ": no box came up";
        EXPECT_EQ(seen.icon, c.icon) << c.kind;
        EXPECT_EQ(seen.buttons, c.buttons) << c.kind;
    }
}
