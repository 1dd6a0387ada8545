#include "kit/dialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace nettora {

namespace {
DialogService *g_service = nullptr;

QString title()
{
    const QString t = QApplication::applicationDisplayName();
    return t.isEmpty() ? QStringLiteral("Nettora") : t;
}
}  // namespace

DialogService &dialogs()
{
    static MessageBoxDialogs boxes;
    return g_service ? *g_service : boxes;
}

void setDialogService(DialogService *service)
{
    g_service = service;
}

void MessageBoxDialogs::error(const QString &text)
{
    QMessageBox::critical(QApplication::activeWindow(), title(), text, QMessageBox::Ok);
}

bool MessageBoxDialogs::warning(const QString &text)
{
    return QMessageBox::warning(QApplication::activeWindow(), title(), text, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No)
           == QMessageBox::Yes;
}

void MessageBoxDialogs::confirmation(const QString &text)
{
    // A confirmation reports what was done; it asks nothing.
    QMessageBox box(QMessageBox::Information, title(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void MessageBoxDialogs::information(const QString &text)
{
    QMessageBox::information(QApplication::activeWindow(), title(), text, QMessageBox::Ok);
}

SaveChoice MessageBoxDialogs::saveChanges(const QString &text)
{
    // Cancel is the safe answer to Escape and the window's close button.
    switch (QMessageBox::question(QApplication::activeWindow(), title(), text,
                                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save)) {
    case QMessageBox::Save: return SaveChoice::Save;
    case QMessageBox::Discard: return SaveChoice::Discard;
    default: return SaveChoice::Cancel;
    }
}

}  // namespace nettora
