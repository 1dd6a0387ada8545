#include "app/about.h"

#include "kit/artwork.h"
#include "kit/dialogs.h"
#include "kit/look.h"
#include "kit/frame.h"
#include "kit/keyboard.h"
#include "kit/vendor.h"
#include "kit/shell_open.h"
#include "data/db_functions.h"

#include <QLabel>
#include <QPushButton>

namespace nettora {

TfrmAbout::TfrmAbout(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(512, 305);
    setModal(true);
    auto *bg = new QLabel(this);
    bg->setGeometry(0, 0, 512, 305);
    bg->setPixmap(artwork::aboutBackground());

    QFont titleFont = look::menuFont();
    titleFont.setPixelSize(26);
    auto *name = new QLabel(QStringLiteral("Nettora"), this);
    name->setObjectName(QStringLiteral("lblProduct"));
    name->setFont(titleFont);
    name->setGeometry(40, 110, 432, 34);

    const QFont text = look::arial(13);
    const QString green = look::Green.name();
    const struct {
        const char *object;
        QString html;
        int top;
    } lines[] = {
        {"lblVersion", QStringLiteral("Version: ") + ProgramVersion(), 152},
        {"lblVendor", QStringLiteral("Vendor: <a href=\"%1\" style=\"color:%2\">%3</a>").arg(vendor::WebSite, green, vendor::Maker), 176},
        {"lblSupport", QStringLiteral("Support: <a href=\"%1\" style=\"color:%2\">%1</a>").arg(vendor::SupportPage, green), 200},
    };
    for (const auto &l : lines) {
        auto *label = new QLabel(l.html, this);
        label->setObjectName(QLatin1String(l.object));
        label->setFont(text);
        label->setGeometry(40, l.top, 432, 20);
        label->setTextFormat(Qt::RichText);
        label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(label, &QLabel::linkActivated, this, &TfrmAbout::openLink);
    }
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    close->setGeometry(512 - 40 - 90, artwork::AboutFooterTop + (305 - artwork::AboutFooterTop - 28) / 2, 90, 28);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    nameControls(this);
}

void TfrmAbout::openLink(const QString &url)
{
    if (!ShellOpen(url))
        dialogs().error(QStringLiteral("Error:  Please check your internet connection"));
}

}  // namespace nettora
