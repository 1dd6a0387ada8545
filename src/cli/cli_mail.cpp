// nettora-cli mail: a statement, or a blank form set, sent as a PDF with the
// saved mail settings, through the same request as the e-mail page.
#include "cli/cli_commands.h"
#include "cli/cli_pdf.h"
#include "cli/cli_text.h"

#include "data/datamodule.h"
#include "data/engine.h"
#include "mail/email_sequence.h"
#include "data/mail_address.h"

#include <QDir>
#include <QFile>

namespace nettora::cli {

namespace {

QString styleCaption(const QString &style)
{
    QString s = style;
    if (!s.isEmpty())
        s[0] = s[0].toUpper();
    return s;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.flush())
        throw CliError(QStringLiteral("cannot write the working PDF: %1").arg(f.errorString()));
}

}  // namespace

QStringList missingEmailSettings(const mail::EmailSettings &s)
{
    // The user name may stay empty; these four may not.
    QStringList missing;
    const std::pair<const char *, const QString *> fields[] = {{"EmailName", &s.emailName},
                                                               {"EmailAddress", &s.emailAddress},
                                                               {"SMTPServer", &s.smtpServer},
                                                               {"SMTPPassword", &s.smtpPassword}};
    for (const auto &[name, value] : fields)
        if (value->isEmpty())
            missing << QString::fromLatin1(name);
    return missing;
}

bool mailStatement(std::optional<qint64> statementId, const QString &style, const QString &to,
                   const std::function<void(const QString &line)> &status,
                   const std::function<void(const QString &text)> &warning)
{
    if (!dm1)
        throw CliError(QStringLiteral("no data directory is open"));
    if (!isPdfStyle(style))
        throw CliError(QStringLiteral("the style %1 is not available").arg(style));
    const mail::EmailSettings settings = mail::ReadEmailSettings();
    if (const QStringList missing = missingEmailSettings(settings); !missing.isEmpty())
        throw CliError(QStringLiteral("the mail settings are incomplete, set %1 with nettora-cli options")
                           .arg(missing.join(QStringLiteral(", "))));
    // Blanks around the address are no part of it.
    const QString address = to.trimmed();
    if (address.isEmpty())
        throw CliError(QStringLiteral("Please enter Email Address."));
    if (!mail::IsOneEmailAddress(address))
        throw CliError(mail::NotOneEmailAddressText(shortened(address)));

    const mail::Signature signature = mail::ReadSignature();
    mail::OutgoingEmail email;
    email.to = address;
    QString fileName;
    std::function<QByteArray()> makePdf;
    if (statementId) {
        selectStatement(*statementId);
        const QString fullName2 = dm1->tblClient->asString(QStringLiteral("FullName2"));
        email.subject =
            mail::GeneratedEmailSubject(fullName2, dm1->tblNettora->asString(QStringLiteral("Description")));
        email.message = mail::GeneratedEmailText(fullName2, signature);
        fileName = mail::PdfFileNameFor(fullName2);
        makePdf = [id = *statementId, style, &warning] { return statementPdf(id, style, warning); };
    } else {
        const QString caption = styleCaption(style);
        email.subject = QStringLiteral("Personal Financial Statement - %1 (blank)").arg(caption);
        QStringList lines = mail::GeneratedEmailText(QString(), signature).split(QLatin1Char('\n'));
        lines[0] = QStringLiteral("Attached is a blank personal financial statement (%1) to fill in.").arg(caption);
        email.message = lines.join(QLatin1Char('\n'));
        fileName = QStringLiteral("Personal Financial Statement - %1 - Blank.pdf").arg(caption);
        makePdf = [style, &warning] { return blankPdf(style, warning); };
    }
    return mail::SendPdfByEmail(
        settings, email, fileName,
        [&makePdf](const QString &folder, const QString &name, const mail::StatusSink &) {
            writeFile(QDir(folder).filePath(name), makePdf());
        },
        status);
}

}  // namespace nettora::cli
