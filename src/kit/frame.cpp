#include "kit/frame.h"

#include "kit/artwork.h"
#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/keyboard.h"
#include "kit/look.h"
#include "data/datamodule.h"
#include "data/db_functions.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QShortcut>
#include <algorithm>

namespace nettora {

const QColor ScreenFrame::Green = look::Green;
const QColor ScreenFrame::Orange = look::Orange;

QFont ScreenFrame::menuFont() { return look::menuFont(); }
QFont ScreenFrame::topLinkFont() { return look::topLinkFont(); }
QFont ScreenFrame::sideLinkFont() { return look::sideLinkFont(); }

ScreenFrame::ScreenFrame(bool home, QWidget *parent) : QWidget(parent), m_home(home)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Width, Height);
    if (!home)
        setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setMouseTracking(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    setWindowIcon(artwork::applicationIcon());

    imMain = new QLabel(this);
    imMain->setGeometry(0, 0, Width, Height);
    imMain->setMouseTracking(true);
    imMain->installEventFilter(this);
    // The home window waits hidden behind the login at start: its picture is
    // drawn when it is first shown, not while the user waits for the login.
    if (!home)
        setBackground(artwork::frameBackground());

    pcMain = new QStackedWidget(this);
    pcMain->setGeometry(235, 88, Width - 235 - 1, Height - 88);
    pcMain->setVisible(false);
    pcMain->installEventFilter(this);

    const struct {
        HoverLabel **label;
        const char *name, *caption;
        int top, height;
        Entry entry;
    } menu[] = {
        {&mOptions, "mOptions", "OPTIONS", 84, 57, Entry::Options},
        {&mSecurity, "mSecurity", "SECURITY", 141, 57, Entry::Security},
        {&mCheckUpdate1, "mCheckUpdate1", "CHECK", 198, 57, Entry::CheckUpdate},
        {&mCheckUpdate2, "mCheckUpdate2", "UPDATE", 255, 14, Entry::CheckUpdate},
        {&mBackup, "mBackup", "BACKUP", 277, 57, Entry::Backup},
        {&mRestore, "mRestore", "RESTORE", 341, 57, Entry::Restore},
        {&mExit, "mExit", home ? "EXIT" : "HOME", 433, 57, Entry::Home},
    };
    for (const auto &m : menu) {
        auto *l = new HoverLabel(QString::fromLatin1(m.caption), this);
        l->setObjectName(QString::fromLatin1(m.name));
        // Wider than the 62-pixel column entry, centred on it, so that the
        // substitute menu font never clips a caption.
        l->setGeometry(7, m.top, 92, m.height);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        l->setFont(menuFont());
        l->setCursor(Qt::PointingHandCursor);
        const Entry e = m.entry;
        connect(l, &HoverLabel::hovered, this, [this, e] { hoverMenu(e); });
        connect(l, &HoverLabel::clicked, this, [this, e] { triggerEntry(e); });
        makeOperable(l, QStringLiteral("menu"), Green);
        *m.label = l;
    }
    const struct {
        HoverLabel **label;
        const char *name, *caption;
        int left;
        Entry entry;
    } links[] = {{&mHelp, "mHelp", "help", 593, Entry::Help},
                 {&mAbout, "mAbout", "about", 634, Entry::About},
                 {&mAffiliate, "mAffiliate", "affiliate", 686, Entry::Affiliate}};
    for (const auto &t : links) {
        auto *l = new HoverLabel(QString::fromLatin1(t.caption), this);
        l->setObjectName(QString::fromLatin1(t.name));
        l->setFont(topLinkFont());
        l->adjustSize();
        l->move(t.left, 28 - 2);
        l->setCursor(Qt::PointingHandCursor);
        HoverLabel *self = l;
        connect(l, &HoverLabel::hovered, this, [this, self] { hoverTopLink(self); });
        const Entry e = t.entry;
        connect(l, &HoverLabel::clicked, this, [this, e] { triggerEntry(e); });
        makeOperable(l, QStringLiteral("links"), Orange);
        *t.label = l;
    }
    for (int x : {628, 678}) {
        auto *bar = new QWidget(this);
        bar->setGeometry(x, 32, 2, 11);
        bar->setAutoFillBackground(true);
        QPalette p = bar->palette();
        p.setColor(QPalette::Window, Orange);
        bar->setPalette(p);
    }

    // F1 opens the manual from every window, as the help hook always did.
    auto *help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] {
        if (mHelp->isEnabled())
            OpenHelpFile();
    });

    setWindowTitle(!home && dm1 && dm1->tblUser->active() ? WindowCaption() : QStringLiteral("Nettora"));
    m_focusRing = new FocusRing(this);
    mButtons();
}

ScreenFrame::~ScreenFrame()
{
    // Children lose the focus while this frame is half gone: no hover resets then.
    for (HoverLabel *l : findChildren<HoverLabel *>())
        disconnect(l, &HoverLabel::focusLeft, this, nullptr);
    // Nor does the ring follow a focus moving inside a half-gone frame.
    delete m_focusRing;
    m_focusRing = nullptr;
}

void ScreenFrame::makeOperable(HoverLabel *label, const QString &group, const QColor &mark)
{
    label->makeOperable(group, mark);
    connect(label, &HoverLabel::focusLeft, this, &ScreenFrame::keyboardLeftLabel);
}

void ScreenFrame::keyboardLeftLabel()
{
    // Within a group the next label's own hover resets the rest; anywhere
    // else only one thing may look lit.
    auto *was = qobject_cast<HoverLabel *>(sender());
    auto *now = qobject_cast<HoverLabel *>(QApplication::focusWidget());
    if (!was || !now || now->window() != this || now->group() != was->group())
        backgroundHover();
}

void ScreenFrame::setBackground(const QPixmap &picture)
{
    imMain->setPixmap(picture);
}

void ScreenFrame::setPageTop(int top)
{
    pcMain->setGeometry(235, top, Width - 235 - 1, Height - top);
}

HoverLabel *ScreenFrame::addSideLink(const QString &caption, QWidget *page, std::function<void()> onClick)
{
    auto *l = new HoverLabel(caption, this);
    l->setFont(sideLinkFont());
    l->setGeometry(look::SideLinkLeft, look::SideLinkTop + int(m_sideLinks.size()) * look::SideLinkStep, 127, 13);
    l->setCursor(Qt::PointingHandCursor);
    makeOperable(l, QStringLiteral("side"), Orange);
    l->show();
    m_sideLinks.push_back(l);
    if (page) {
        addPage(page);
        m_linkPages.emplace_back(l, page);
    }
    connect(l, &HoverLabel::hovered, this, [this, l] { hoverSideLink(l); });
    connect(l, &HoverLabel::clicked, this, [this, page, onClick] {
        if (m_busy || !settlePendingInput())
            return;
        if (page)
            openPage(page);
        if (onClick)
            onClick();
    });
    return l;
}

void ScreenFrame::addPage(QWidget *page)
{
    if (pcMain->indexOf(page) >= 0)
        return;
    pcMain->addWidget(page);
    page->setMouseTracking(true);
    page->installEventFilter(this);
}

void ScreenFrame::openPage(QWidget *page)
{
    addPage(page);
    pcMain->setCurrentWidget(page);
    pcMain->setVisible(true);
    ResetSubMenuFont();
    focusInto(page);
}

void ScreenFrame::parkFocus()
{
    // The pages are put away with the focus in them: it goes to the side
    // links (the open page's link first) rather than on to the next control
    // Qt would pick, which may be anywhere in the frame.
    const QWidget *focus = focusWidget();
    if (!focus || !pcMain->isAncestorOf(focus))
        return;
    QWidget *target = linkOfPage(pcMain->currentWidget());
    for (HoverLabel *l : m_sideLinks)
        if (!target && l->isVisibleTo(this) && l->isEnabled() && l->focusPolicy() != Qt::NoFocus)
            target = l;
    if (target)
        target->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
}

void ScreenFrame::focusInto(QWidget *page)
{
    const QWidget *focus = focusWidget();
    if (focus && page->isAncestorOf(focus) && focus->isVisibleTo(this) && focus->isEnabled())
        return;
    for (QWidget *w : tabSequence(page))
        if (w->isVisibleTo(this) && w->isEnabled()) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
}

QWidget *ScreenFrame::currentPage() const
{
    return pcMain->isHidden() ? nullptr : pcMain->currentWidget();
}

HoverLabel *ScreenFrame::linkOfPage(QWidget *page) const
{
    for (const auto &[link, p] : m_linkPages)
        if (p == page)
            return link;
    return nullptr;
}

void ScreenFrame::mButtons()
{
    for (HoverLabel *l : {mOptions, mSecurity, mCheckUpdate1, mCheckUpdate2, mBackup, mRestore, mExit})
        l->setColors(Qt::white);
    for (HoverLabel *l : {mHelp, mAbout, mAffiliate})
        l->setColors(Green);
}

void ScreenFrame::ResetSubMenuFont()
{
    HoverLabel *open = linkOfPage(currentPage());
    for (HoverLabel *l : m_sideLinks)
        if (l != open)
            l->setColors(Qt::black);
    unsetCursor();
    Menu_Select();
    afterHoverReset();
}

void ScreenFrame::Menu_Select()
{
    if (HoverLabel *open = linkOfPage(currentPage()))
        open->setColors(Qt::white, Green);
}

void ScreenFrame::hoverMenu(Entry e)
{
    mButtons();
    if (e == Entry::CheckUpdate) {
        mCheckUpdate1->setColors(Green);
        mCheckUpdate2->setColors(Green);
    } else {
        entryLabel(e)->setColors(Green);
    }
}

void ScreenFrame::hoverTopLink(HoverLabel *link)
{
    mButtons();
    link->setColors(Orange);
}

void ScreenFrame::hoverSideLink(HoverLabel *link)
{
    ResetSubMenuFont();
    link->setColors(Qt::white, Green);
}

void ScreenFrame::backgroundHover()
{
    ResetSubMenuFont();
    mButtons();
    unsetCursor();
}

bool ScreenFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == pcMain && event->type() == QEvent::Hide && pcMain->isHidden())
        parkFocus();
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        if (watched == imMain || (pcMain->indexOf(qobject_cast<QWidget *>(watched)) >= 0))
            backgroundHover();
    }
    return QWidget::eventFilter(watched, event);
}

void ScreenFrame::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_home && imMain->pixmap().isNull())
        setBackground(artwork::homeBackground());
    if (!m_centred) {
        m_centred = true;
        if (const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen())
            move(s->availableGeometry().center() - QPoint(Width / 2, Height / 2));
    }
    orderTabs();
    nameControls(this);
    // Every window comes up active, with a control to type into: one shown
    // again (home after HOME) may remember a control that is gone.
    activateWindow();
    QWidget *focus = focusWidget();
    if (!focus || !focus->isVisibleTo(this) || !focus->isEnabled()) {
        std::vector<QWidget *> stops = contentStops();
        const std::vector<QWidget *> chrome = chromeStops();
        stops.insert(stops.end(), chrome.begin(), chrome.end());
        for (QWidget *w : stops)
            if (w->isVisibleTo(this) && w->isEnabled() && w != m_focusRing) {
                w->setFocus(Qt::OtherFocusReason);
                break;
            }
    }
}

std::vector<QWidget *> ScreenFrame::chromeStops() const
{
    std::vector<QWidget *> order = {mHelp,         mAbout,  mAffiliate, mOptions, mSecurity, mCheckUpdate1,
                                    mCheckUpdate2, mBackup, mRestore,   mExit};
    order.insert(order.end(), m_sideLinks.begin(), m_sideLinks.end());
    return order;
}

std::vector<QWidget *> ScreenFrame::contentStops()
{
    const std::vector<QWidget *> chrome = chromeStops();
    std::vector<QWidget *> content;
    for (QWidget *w : tabSequence(this))
        if (std::find(chrome.begin(), chrome.end(), w) == chrome.end())
            content.push_back(w);
    return content;
}

void ScreenFrame::orderTabs()
{
    std::vector<QWidget *> order = chromeStops();
    const std::vector<QWidget *> content = contentStops();
    order.insert(order.end(), content.begin(), content.end());
    chainTabs(order);
}

void ScreenFrame::keyPressEvent(QKeyEvent *event)
{
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    QPushButton *press = nullptr;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        auto *focused = qobject_cast<QPushButton *>(focusWidget());
        press = focused && focused->isVisible() && focused->isEnabled() ? focused : defaultButton(this);
    } else if (plain && event->key() == Qt::Key_Escape) {
        press = cancelButton(this);
    }
    if (!press) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    press->click();
}

HoverLabel *ScreenFrame::entryLabel(Entry e) const
{
    switch (e) {
    case Entry::Options: return mOptions;
    case Entry::Security: return mSecurity;
    case Entry::CheckUpdate: return mCheckUpdate1;
    case Entry::Backup: return mBackup;
    case Entry::Restore: return mRestore;
    case Entry::Home: return mExit;
    case Entry::Help: return mHelp;
    case Entry::About: return mAbout;
    case Entry::Affiliate: return mAffiliate;
    }
    return nullptr;
}

void ScreenFrame::triggerEntry(Entry e)
{
    if (isOwnEntry(e) || m_busy)
        return;
    const bool comesBack = e == Entry::Help || e == Entry::About || e == Entry::Affiliate || e == Entry::CheckUpdate;
    if (!comesBack && !settlePendingInput())
        return;
    menuAction(e);
}

bool ScreenFrame::settlePendingInput()
{
    const std::optional<PendingInput> pending = pendingInput();
    if (!pending)
        return true;
    switch (dialogs().saveChanges(QStringLiteral("Save the changes to %1?").arg(pending->what))) {
    case SaveChoice::Save: return pending->save();
    case SaveChoice::Discard: pending->discard(); return true;
    case SaveChoice::Cancel: break;
    }
    return false;
}

bool ScreenFrame::event(QEvent *event)
{
    // Closing while busy is each window's own business (they refuse).
    if (event->type() == QEvent::Close && !m_busy && isVisible() && !settlePendingInput()) {
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

void ScreenFrame::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
    for (HoverLabel *l : {mOptions, mSecurity, mCheckUpdate1, mCheckUpdate2, mBackup, mRestore, mExit, mHelp, mAbout,
                          mAffiliate})
        l->setEnabled(!busy);
    for (HoverLabel *l : m_sideLinks)
        l->setEnabled(!busy);
}

void ScreenFrame::leave()
{
    if (m_home)
        hide();
    else
        close();
}

void ScreenFrame::menuAction(Entry e)
{
    switch (e) {
    case Entry::Options:
        if (OpenOptionsWindow())
            leave();
        break;
    case Entry::Security:
        if (OpenSecurityWindow())
            leave();
        break;
    case Entry::Backup:
        if (OpenBackupWindow())
            leave();
        break;
    case Entry::Restore:
        if (OpenRestoreWindow())
            leave();
        break;
    case Entry::CheckUpdate: CheckForUpdate(); break;
    case Entry::Home:
        if (m_home) {
            ExitProgram();
        } else {
            GoHome();
            close();
        }
        break;
    case Entry::Help: OpenHelpFile(); break;
    case Entry::About: ShowAboutWindow(); break;
    case Entry::Affiliate: OpenAffiliatePage(); break;
    }
}

}  // namespace nettora
