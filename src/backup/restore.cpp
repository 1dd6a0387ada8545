#include "backup/restore.h"

#include "backup/backup_parts.h"
#include "backup/browseforfolder.h"
#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/pagetext.h"
#include "data/data_backup.h"
#include "data/datamodule.h"
#include "data/secret.h"
#include "data/db_functions.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QHeaderView>
#include <QLocale>
#include <QPointer>

namespace nettora {

namespace {

QString keptSize(qint64 bytes)
{
    // One way of writing sizes, whatever the desktop's language.
    return QLocale(QLocale::English, QLocale::UnitedStates)
        .formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QTreeWidget *keptFileList(QWidget *page, int y)
{
    auto *list = new QTreeWidget(page);
    list->setObjectName(QStringLiteral("keptFiles"));
    list->setFont(pagetext::textFont());
    list->setGeometry(24, y, pagetext::PageWidth - 36, 392 - 8 - y);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Size"),
                           QStringLiteral("Clients"), QStringLiteral("Statements"), QStringLiteral("Kept")});
    const int widths[] = {74, 62, 66, 50, 70};
    for (int i = 0; i < 5; ++i)
        list->setColumnWidth(i, widths[i]);
    list->header()->setStretchLastSection(true);
    return list;
}

}  // namespace

TfrmRestore::TfrmRestore(Occasion occasion, QWidget *parent) : ScreenFrame(false, parent), m_occasion(occasion)
{
    setObjectName(QStringLiteral("TfrmRestore"));
    tsBackup = new QWidget;
    tsBackup->setObjectName(QStringLiteral("tsBackup"));
    QWidget *p = tsBackup;
    pagetext::heading(p, QStringLiteral("Restore Nettora Files"), 6);
    pagetext::line(p, QStringLiteral("You are about to restore backup files into the directory below:"), 12, 34);
    pagetext::boldLine(p, QStringLiteral("Current Files"), 12, 62);
    dataLocationLabel = backupparts::dataLocation(p, 82);
    int y = backupparts::lines(
        p,
        {"The restore function will restore the selected backup files into the current working directory.  It is ",
         "important to note that the current data will be overwritten.  It is imperative that you do not overwrite",
         "good data.   If you have doubts - backup the current data to a different directory before running the ",
         "restore function.  "},
        104);
    pagetext::line(p,
                   QStringLiteral("If restoring from removable storage, please make sure that it is connected before "
                                  "clicking on \"OK\"."),
                   12, y + 12);
    pagetext::boldLine(p, QStringLiteral("Backup Files to be Restored"), 12, y + 44);
    pagetext::caption(p, QStringLiteral("Backup File to be Restored:"), 24, y + 70, 170);
    locationBox = backupparts::edit(p, QStringLiteral("dLocation"), 24, y + 88, 386);
    browseButton = pagetext::button(p, QStringLiteral("Browse"), QStringLiteral("bBrowse"), 416, y + 87);
    pagetext::caption(p, QStringLiteral("Backup's password:"), 24, y + 120, 120);
    passwordBox = backupparts::edit(p, QStringLiteral("dPassword"), 150, y + 116, 200);
    passwordBox->setEchoMode(QLineEdit::Password);
    pagetext::line(p, QStringLiteral("only when asked"), 358, y + 120, 120);
    pagetext::boldLine(p, QStringLiteral("Kept Data Files"), 12, y + 146);
    pagetext::line(p, QStringLiteral("The data each restore replaced, and the copies made before upgrades:"), 130,
                   y + 146, pagetext::PageWidth - 142);
    keptFiles = keptFileList(p, y + 164);
    cancelButton = pagetext::button(p, QStringLiteral("Cancel"), QStringLiteral("bCancel"), 328, 392);
    okButton = pagetext::button(p, QStringLiteral("OK"), QStringLiteral("bOK"), 416, 392);
    okButton->setDefault(true);

    restoreLink = addSideLink(QStringLiteral("  Restore"), tsBackup);
    restoreLink->setObjectName(QStringLiteral("s1"));
    connect(browseButton, &QPushButton::clicked, this, &TfrmRestore::browseClick);
    connect(okButton, &QPushButton::clicked, this, &TfrmRestore::okClick);
    connect(cancelButton, &QPushButton::clicked, this, &TfrmRestore::cancelClick);
    connect(keptFiles, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (const QList<QTreeWidgetItem *> chosen = keptFiles->selectedItems(); !chosen.isEmpty())
            locationBox->setText(QDir::toNativeSeparators(chosen.first()->data(0, Qt::UserRole).toString()));
    });
    // A location typed by hand is no longer the chosen kept file.
    connect(locationBox, &QLineEdit::textEdited, keptFiles, &QTreeWidget::clearSelection);

    if (m_occasion == Occasion::AtStart) {
        // Without data nothing else of the program can work.
        setWindowTitle(QStringLiteral("Nettora"));
        for (HoverLabel *l : {mOptions, mSecurity, mBackup, mExit})
            l->setEnabled(false);
        pagetext::line(p, QStringLiteral("The data file does not open. Cancel quits Nettora."), 12, 396, 300)
            ->setObjectName(QStringLiteral("lAtStart"));
    }

    openPage(tsBackup);
    refreshKeptFiles();
    orderTabs();
}

void TfrmRestore::refreshKeptFiles()
{
    keptFiles->clear();
    for (const KeptDataFile &k : keptDataFiles(dm1->ACon1.connectPath())) {
        const bool opens = k.problem.isEmpty();
        QString kept = k.upgradedFrom >= 0 ? QStringLiteral("before upgrade from version %1").arg(k.upgradedFrom)
                                           : QStringLiteral("at a restore");
        if (k.ownKeyFile)
            kept += QStringLiteral(", own password");
        else if (!opens)
            kept = QStringLiteral("cannot be opened");
        auto *item = new QTreeWidgetItem(
            keptFiles, {k.kept.toString(QStringLiteral("MM/dd/yyyy")), k.kept.toString(QStringLiteral("HH:mm:ss")),
                        keptSize(k.size), opens ? QString::number(k.clients) : QString(),
                        opens ? QString::number(k.statements) : QString(), kept});
        item->setData(0, Qt::UserRole, k.file);
        for (int c = 2; c <= 4; ++c)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        const QString tip = opens ? QDir::toNativeSeparators(k.file)
                                  : QDir::toNativeSeparators(k.file) + QStringLiteral(": ") + k.problem;
        for (int c = 0; c < item->columnCount(); ++c)
            item->setToolTip(c, tip);
    }
}

void TfrmRestore::browseClick()
{
    locationBox->setText(QDir::toNativeSeparators(
        SelectFolder(QStringLiteral("Select Restore Directory Folder"), locationBox->text(), this)));
    keptFiles->clearSelection();
}

void TfrmRestore::okClick()
{
    const QString folder = QDir::fromNativeSeparators(locationBox->text().trimmed());
    if (folder.isEmpty()) {
        dialogs().error(QStringLiteral("Please enter a \"File Location\"."));
        locationBox->setFocus();
        return;
    }
    if (!dialogs().warning(QStringLiteral("Are you sure that you want to restore the selected files?")))
        return;
    QPointer<TfrmRestore> self(this);
    QString typed = passwordBox->text();
    const SecretBytes password = SecretBytes::fromText(typed);
    wipe(typed);
    const DataFileResult r = backupparts::run(this, [&] { return RestoreDataFile(folder, password); });
    if (r.needsPassword) {
        // The password typed stays in its box, chosen, to be typed over.
        dialogs().error(r.text);
        if (self) {
            passwordBox->selectAll();
            passwordBox->setFocus();
        }
        return;
    }
    if (r.ok) {
        if (self) {
            // It did its work; nothing else reads it.
            QString used = passwordBox->text();
            passwordBox->clear();
            wipe(used);
        }
        // The restored data may name another preparer.
        if (m_occasion == Occasion::FromMenu)
            setWindowTitle(WindowCaption());
        dialogs().information(QStringLiteral("Restore Successful.\n\n") + r.text);
    } else if (r.reopened) {
        dialogs().error(r.text);
    }
    if (!self || !r.reopened)
        return;
    if (m_occasion == Occasion::AtStart && dm1->dataOpen()) {
        close();  // the start goes on with the data back
        return;
    }
    refreshKeptFiles();
}

void TfrmRestore::cancelClick()
{
    if (m_occasion == Occasion::FromMenu)
        GoHome();
    close();
}

bool RestoreAtStart(const QString &why)
{
    if (!dialogs().warning(why
                           + QStringLiteral("\n\nNettora can put a backup, or a data file it kept in the folder "
                                            "\"Replaced\" of the data directory, in its place; the file that does not "
                                            "open is kept there too.\n\nRestore now? Yes opens the restore window; No "
                                            "quits Nettora.")))
        return false;
    // The window's close must not end the program: the start goes on after it.
    const bool quitOnClose = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    QEventLoop loop;
    auto *window = new TfrmRestore(TfrmRestore::Occasion::AtStart);
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    loop.exec();
    QApplication::setQuitOnLastWindowClosed(quitOnClose);
    return dm1->dataOpen();
}

}  // namespace nettora
