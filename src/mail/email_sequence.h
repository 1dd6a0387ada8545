#pragma once
// The send sequences every e-mail takes: a statement's PDF to a lender, and
// the options window's test message to the preparer's own address. Each
// step writes its status line as it completes; every step runs even after
// an earlier one failed.

#include <QString>
#include <functional>

namespace nettora::mail {

using StatusSink = std::function<void(const QString &line)>;

// The outgoing settings of the user row, re-read for every send.
struct EmailSettings {
    QString emailName, emailAddress, smtpServer, smtpUserName, smtpPassword;
};
// From the first row of dm1's user table.
EmailSettings ReadEmailSettings();

struct OutgoingEmail {
    QString to;          // as typed, without brackets
    QString subject;
    QString message;
    QString attachment;  // a file path; empty for none
};

// "RE: " + client FullName2 + " - " + statement Description.
QString GeneratedEmailSubject(const QString &clientFullName2, const QString &statementDescription);
// The covering letter signed with the preparer's particulars.
struct Signature {
    QString firstName, middleInitial, lastName, company, phone, fax;
};
Signature ReadSignature();  // from the first row of dm1's user table
QString GeneratedEmailText(const QString &clientFullName2, const Signature &signature);

// The statement sequence from "Preparing to Email File." to the closing
// line; true when every step succeeded.
bool EmailPDF(const EmailSettings &settings, const OutgoingEmail &email, const StatusSink &status);
// The options window's test message, its echo lines to its closing lines.
bool SendTestEmail(const EmailSettings &settings, const StatusSink &status);

// Runs work on a worker thread while the calling (window) thread's event
// loop keeps running; each line the work reports reaches status on the
// calling thread as it happens. Returns what the work returned.
bool RunOffWindowThread(const std::function<bool(const StatusSink &)> &work, const StatusSink &status);

// A name that stays one file name: path separators and control characters
// become "_", and an empty name becomes "Statement".
QString PlainFileName(const QString &name);
// The working file's name for a client: its FullName2 made plain, ".pdf".
QString PdfFileNameFor(const QString &clientFullName2);

// The whole send request of a statement or blank set: a fresh private
// working folder (0700, under the system's temporary place, named
// "nettora-mail-PID-XXXXXX"), makePdf writes fileName into it (on the
// calling thread, its progress through status; it throws on failure), the
// sequence runs off the window thread, and the folder is removed afterwards
// whatever happened (a throw from makePdf is passed on after the removal).
// While it runs, SIGINT, SIGTERM and SIGHUP remove the folder and end the
// process with status 128 + the signal's number. True when the mail went
// out.
bool SendPdfByEmail(const EmailSettings &settings, OutgoingEmail email, const QString &fileName,
                    const std::function<void(const QString &folder, const QString &fileName,
                                             const StatusSink &status)> &makePdf,
                    const StatusSink &status);

// Removes the working folders of this user whose process no longer exists
// (one killed outright, or crashed); a folder of a live process stays.
// Every send does this first.
void RemoveAbandonedWorkFolders();

}  // namespace nettora::mail
