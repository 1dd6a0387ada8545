#pragma once
// Every message box of the program goes through this service, so that tests
// can answer the questions and read the exact texts, while the program shows
// real message boxes.

#include "data/error.h"

#include <QString>
#include <utility>

namespace nettora {

// The answers to "Save the changes to ...?".
enum class SaveChoice { Save, Discard, Cancel };

class DialogService {
public:
    virtual ~DialogService() = default;
    virtual void error(const QString &text) = 0;          // OK
    virtual bool warning(const QString &text) = 0;        // Yes (true) / No
    virtual void confirmation(const QString &text) = 0;  // OK
    virtual void information(const QString &text) = 0;   // OK
    virtual SaveChoice saveChanges(const QString &text) = 0;  // Save / Discard / Cancel
    // The file to save to, chosen by the user; empty when cancelled.
    virtual QString saveFileName(const QString &title, const QString &suggested);
    // Prints a plain text page on a printer the user chooses; false when
    // cancelled or the printer refused.
    virtual bool printText(const QString &title, const QString &text);
};

// The service in use; message boxes unless another has been installed.
DialogService &dialogs();
// Installs a service (not owned); nullptr goes back to message boxes.
void setDialogService(DialogService *service);

// Runs work; a failure it throws is shown as its error message box, and the
// caller learns whether the work went through. Whatever the work had begun
// to change is the work's own to undo before it throws.
template <class Work>
bool guarded(Work &&work)
{
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const Error &e) {
        dialogs().error(e.text());
        return false;
    }
}

class MessageBoxDialogs : public DialogService {
public:
    void error(const QString &text) override;
    bool warning(const QString &text) override;
    void confirmation(const QString &text) override;
    void information(const QString &text) override;
    SaveChoice saveChanges(const QString &text) override;
};

}  // namespace nettora
