#include "kit/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

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

QString DialogService::saveFileName(const QString &title, const QString &suggested)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, suggested);
}

bool DialogService::printText(const QString &title, const QString &text)
{
    QPrinter printer;
    printer.setDocName(title);
    QPrintDialog chooser(&printer, QApplication::activeWindow());
    if (chooser.exec() != QDialog::Accepted)
        return false;
    QTextDocument page;
    page.setPlainText(text);
    page.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

}  // namespace nettora
