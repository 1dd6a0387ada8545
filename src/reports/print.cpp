#include "reports/print.h"

#include "kit/dialogs.h"
#include "data/engine.h"
#include "data/engine_error.h"
#include "reports/engine/composite.h"
#include "reports/engine/glyphs.h"
#include "reports/engine/output.h"

namespace nettora::reports {

PrintOptions PrintOptions::read(Table *user)
{
    PrintOptions o;
    if (!user || user->isEmpty())
        return o;
    o.compilation = user->asString(QStringLiteral("Compilation")) == QLatin1String("Y");
    o.preparer = user->asString(QStringLiteral("Preparer")) == QLatin1String("Y");
    o.review = user->asString(QStringLiteral("PrintReview")) == QLatin1String("Y");
    return o;
}

QString compositeName(Style style, Filing filing)
{
    const int first = style == Style::Standard ? 1 : style == Style::Contemporary ? 3 : 5;
    return QStringLiteral("qrcr%1").arg(first + (filing == Filing::Joint ? 1 : 0));
}

std::vector<SequenceForm> statementSequence(Style style, Output output, const Sources &sources)
{
    const PrintOptions options = PrintOptions::read(sources.user);
    const FormKind kind{style, filingOf(sources.client)};
    std::vector<SequenceForm> forms;
    const SequenceForm compilation{QStringLiteral("TqrCompilation"), QStringLiteral("Creating Compilation Report"),
                                   [sources] { return buildCompilationReport(sources); }};
    const SequenceForm preparer{QStringLiteral("TqrPreparer"), QStringLiteral("Creating Preparer Information"),
                                [sources] { return buildPreparerPage(sources); }};
    if (output == Output::Paper) {
        if (options.compilation)
            forms.push_back(compilation);
        if (options.preparer)
            forms.push_back(preparer);
    } else {
        if (options.preparer)
            forms.push_back(preparer);
        if (options.compilation)
            forms.push_back(compilation);
    }
    const std::vector<SequenceForm> pages = statementPages(kind, sources);
    forms.insert(forms.end(), pages.begin(), pages.end());
    // Paper and files alike: the preparer's notes come after the statement.
    if (options.review)
        forms.push_back({reviewFormName(style), QStringLiteral("Creating Review"),
                         [style, sources] { return buildReviewPage(style, sources); }});
    return forms;
}

std::vector<SequenceForm> statementPages(const FormKind &kind, const Sources &sources)
{
    std::vector<SequenceForm> forms;
    for (PageKind page : {PageKind::NetWorthSummary, PageKind::LegalInformation, PageKind::Assets,
                          PageKind::Liabilities, PageKind::IncomeAndExpenses})
        forms.push_back({formName(page, kind), progressLine(page),
                         [page, kind, sources] { return buildForm(page, kind, sources); }});
    return forms;
}

DocumentFooter statementFooter(const Sources &sources)
{
    DocumentFooter f;
    Table *client = sources.client;
    if (client && !client->isEmpty()) {
        f.left = client->asString(QStringLiteral("FullName2")).trimmed();
        const QString spouse = client->asString(QStringLiteral("SFullName2")).trimmed();
        if (filingOf(client) == Filing::Joint && !spouse.isEmpty())
            f.left += (f.left.isEmpty() ? QString() : QStringLiteral(" and ")) + spouse;
    }
    if (Table *st = sources.statement; st && !st->isEmpty())
        f.centre = QStringLiteral("Statement date: ") + st->asString(QStringLiteral("Date")).trimmed();
    return f;
}

void previewSequence(const std::vector<SequenceForm> &sequence, const QString &compositeName,
                     const DocumentFooter &footer, QWidget *parent)
{
    std::vector<std::unique_ptr<Report>> forms;
    for (const SequenceForm &f : sequence)
        forms.push_back(f.build());
    CompositeReport composite(compositeName);
    composite.footer = footer;
    composite.numbered = true;
    composite.onAddReports = [&forms](CompositeReport &c) {
        for (const auto &f : forms)
            c.addReport(f.get());
    };
    composite.onNotes = [&forms, &sequence] {
        QStringList lines;
        for (size_t i = 0; i < forms.size(); ++i)
            lines += undrawableLines(*forms[i], sequence[i].progress);
        return lines;
    };
    composite.preview(parent);
}

namespace {

void previewStatement(Style style, QWidget *parent)
{
    const Sources sources = Sources::dataModule();
    previewSequence(statementSequence(style, Output::Paper, sources), compositeName(style, filingOf(sources.client)),
                    statementFooter(sources), parent);
}

}  // namespace

void previewBlankSet(Style style, const QString &composite, QWidget *parent)
{
    previewSequence(blankSequence(style), composite, DocumentFooter(), parent);
}

QString blankCompositeName(Style style)
{
    switch (style) {
    case Style::Standard: return QStringLiteral("qrcr7");
    case Style::Professional: return QStringLiteral("qrcr8");
    case Style::Contemporary: return QStringLiteral("qrcr9");
    }
    return QString();
}

void printChoice(PrintChoice choice, QWidget *parent)
{
    guarded([choice, parent] {
        const auto blankSet = [parent](Style style) { previewBlankSet(style, blankCompositeName(style), parent); };
        switch (choice) {
        case PrintChoice::Standard: previewStatement(Style::Standard, parent); return;
        case PrintChoice::Contemporary: previewStatement(Style::Contemporary, parent); return;
        case PrintChoice::Professional: previewStatement(Style::Professional, parent); return;
        case PrintChoice::StandardBlank: blankSet(Style::Standard); return;
        case PrintChoice::ContemporaryBlank: blankSet(Style::Contemporary); return;
        case PrintChoice::ProfessionalBlank: blankSet(Style::Professional); return;
        }
    });
}

std::vector<SequenceForm> blankSequence(Style style)
{
    return blankForms(style);
}

std::vector<PreparedPage> prepareSequence(const std::vector<SequenceForm> &sequence, const DocumentFooter &footer,
                                          const std::function<void(const QString &)> &progress,
                                          const std::function<void(const QString &)> &warning)
{
    std::vector<PreparedPage> pages;
    const double reserve = footerHeight(footer);
    for (const SequenceForm &f : sequence) {
        if (progress)
            progress(f.progress);
        const std::unique_ptr<Report> form = f.build();
        form->page.footerHeight = reserve;
        form->prepare();
        pages.insert(pages.end(), form->pages().begin(), form->pages().end());
        if (warning)
            for (const QString &line : undrawableLines(*form, f.progress))
                warning(line);
    }
    addFooters(pages, footer);
    return pages;
}

QStringList undrawableLines(const Report &form, const QString &progress)
{
    const QString creating = QStringLiteral("Creating ");
    const QString title = progress.startsWith(creating) ? progress.mid(creating.size()) : form.name();
    QStringList lines;
    for (const Report::Undrawable &u : form.undrawables())
        lines << QStringLiteral("Some characters of the field %1 (%2) cannot be printed: no installed font has %3.")
                     .arg(u.control, title, codePoints(u.characters));
    return lines;
}

std::vector<PreparedPage> prepareBlankDocument(Style style, const std::function<void(const QString &)> &progress,
                                               const std::function<void(const QString &)> &warning)
{
    return prepareSequence(blankSequence(style), DocumentFooter(), progress, warning);
}

std::vector<PreparedPage> prepareDocument(Style style, const std::function<void(const QString &)> &progress,
                                          const std::function<void(const QString &)> &warning)
{
    const Sources sources = Sources::dataModule();
    return prepareSequence(statementSequence(style, Output::Pdf, sources), statementFooter(sources), progress,
                           warning);
}

}  // namespace nettora::reports
