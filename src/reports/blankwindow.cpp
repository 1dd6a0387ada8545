#include "reports/blankwindow.h"

#include "kit/artwork.h"
#include "kit/dialogs.h"
#include "kit/look.h"
#include "kit/pagetext.h"
#include "reports/engine/output.h"
#include "reports/print.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace nettora {

namespace {
constexpr int Width = 360;
constexpr int Height = 230;
}  // namespace

TfrmPrint_BlankStatement::TfrmPrint_BlankStatement(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TfrmPrint_BlankStatement"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Print Blank Statement"));
    setWindowIcon(artwork::applicationIcon());
    setFixedSize(Width, Height);

    const QFont text = look::arial(13);
    auto *line1 = new QLabel(QStringLiteral("Select the style of Financial Statement"), this);
    auto *line2 = new QLabel(QStringLiteral("to be printed."), this);
    for (QLabel *l : {line1, line2})
        l->setFont(text);
    line1->setGeometry(24, 18, Width - 48, 18);
    line2->setGeometry(24, 36, Width - 48, 18);

    // None is preselected: the user says which set to print.
    const struct {
        QRadioButton **button;
        const char *caption, *name;
    } choices[] = {{&rbStandard, "Standard", "rbStandard"},
                   {&rbContemporary, "Contemporary", "rbContemporary"},
                   {&rbProfessional, "Professional", "rbProfessional"}};
    int y = 70;
    for (const auto &c : choices) {
        *c.button = new QRadioButton(QString::fromLatin1(c.caption), this);
        (*c.button)->setObjectName(QString::fromLatin1(c.name));
        (*c.button)->setFont(text);
        // Only the caption takes a click: the button is as wide as it.
        (*c.button)->move(40, y);
        (*c.button)->resize((*c.button)->sizeHint().width(), 22);
        y += 28;
    }

    cancelButton = pagetext::button(this, QStringLiteral("Cancel"), QStringLiteral("b2Cancel"), Width - 196, Height - 42);
    okButton = pagetext::button(this, QStringLiteral("OK"), QStringLiteral("TeButton4"), Width - 104, Height - 42);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &TfrmPrint_BlankStatement::okClick);
    connect(cancelButton, &QPushButton::clicked, this, &TfrmPrint_BlankStatement::cancelClick);
    setTabOrder(rbStandard, rbContemporary);
    setTabOrder(rbContemporary, rbProfessional);
    setTabOrder(rbProfessional, cancelButton);
    setTabOrder(cancelButton, okButton);
}

void TfrmPrint_BlankStatement::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(Width / 2, Height / 2));
}

void TfrmPrint_BlankStatement::okClick()
{
    using reports::Style;
    // The window's own composites: qrcr1 Standard, qrcr2 Professional,
    // qrcr3 Contemporary. It stays open for further prints.
    guarded([this] {
        if (rbStandard->isChecked())
            reports::previewBlankSet(Style::Standard, QStringLiteral("qrcr1"), this);
        else if (rbContemporary->isChecked())
            reports::previewBlankSet(Style::Contemporary, QStringLiteral("qrcr3"), this);
        else if (rbProfessional->isChecked())
            reports::previewBlankSet(Style::Professional, QStringLiteral("qrcr2"), this);
        else
            dialogs().information(QStringLiteral("Please select the type of Financial Statement to be printed."));
    });
}

void TfrmPrint_BlankStatement::cancelClick()
{
    close();
}

}  // namespace nettora
