#pragma once
// The frame every main window shares: the background picture, the left menu,
// the three top links, a column of side links, the page area, and the hover
// and highlight rules on all of them. Windows derive from ScreenFrame, add
// their side links and pages, and override menuAction for their deviations.

#include "kit/focusring.h"
#include "kit/hoverlabel.h"
#include "kit/look.h"

#include <QStackedWidget>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace nettora {

class ScreenFrame : public QWidget {
    Q_OBJECT
public:
    enum class Entry { Options, Security, CheckUpdate, Backup, Restore, Home, Help, About, Affiliate };

    static const QColor Green;   // #9AC201
    static const QColor Orange;  // #FF9526
    static constexpr int Width = look::WindowWidth;
    static constexpr int Height = look::WindowHeight;

    // A home frame has EXIT instead of HOME and keeps its border icons.
    explicit ScreenFrame(bool home = false, QWidget *parent = nullptr);
    ~ScreenFrame() override;

    HoverLabel *mOptions, *mSecurity, *mCheckUpdate1, *mCheckUpdate2, *mBackup, *mRestore, *mExit;
    HoverLabel *mHelp, *mAbout, *mAffiliate;
    QLabel *imMain;
    QStackedWidget *pcMain;

    // Side links: "   Caption" for a top-level entry, "     - Caption" for a
    // sub-item. A link with a page opens it; onClick runs after that.
    HoverLabel *addSideLink(const QString &caption, QWidget *page = nullptr, std::function<void()> onClick = {});
    const std::vector<HoverLabel *> &sideLinks() const { return m_sideLinks; }
    void addPage(QWidget *page);
    void openPage(QWidget *page);
    QWidget *currentPage() const;
    HoverLabel *linkOfPage(QWidget *page) const;

    // Hover resets, by their long-standing names.
    virtual void mButtons();
    void ResetSubMenuFont();
    void Menu_Select();

    // What a click on a menu entry or top link does.
    void triggerEntry(Entry e);
    HoverLabel *entryLabel(Entry e) const;

    // While work runs off the window's thread (an e-mail on its way) the
    // window keeps answering, but nothing may leave it or start more: the
    // menu, the top links and the side links are off and the pointer is
    // busy. Windows refuse to close meanwhile.
    void setBusy(bool busy);
    bool busy() const { return m_busy; }

    // Typed input not saved yet. Leaving the page or the window that holds
    // it (side link, menu entry, HOME, EXIT, closing) asks "Save the changes
    // to <what>?" first; the links that come back (help, about) keep it.
    struct PendingInput {
        QString what;
        // The page's own save with its checks; false when they refused (the
        // message was shown) and the user stays.
        std::function<bool()> save;
        std::function<void()> discard;
    };
    // Asks about the pending input, if there is any; true when the user may
    // go on (saved, discarded or nothing to ask), false to stay.
    bool settlePendingInput();

    // The ring that shows which control holds the keyboard focus.
    FocusRing *focusRing() const { return m_focusRing; }

    // Tab runs through the top links, the left menu, the side links and then
    // the controls of the pages, each top to bottom and left to right.
    void orderTabs();

    static QFont menuFont();
    static QFont topLinkFont();
    static QFont sideLinkFont();

protected:
    virtual std::optional<PendingInput> pendingInput() { return std::nullopt; }
    virtual void menuAction(Entry e);
    // The entry that stands for this window itself; it has no action.
    virtual bool isOwnEntry(Entry) const { return false; }
    // Runs at the end of every hover reset.
    virtual void afterHoverReset() {}
    void setPageTop(int top);
    void setBackground(const QPixmap &picture);
    bool isHome() const { return m_home; }
    // Leaves this window after a menu action opened another one.
    virtual void leave();
    // A label reached by the keyboard lights up as under the pointer; when
    // the focus leaves the frame's labels, the frame rests again.
    void makeOperable(HoverLabel *label, const QString &group, const QColor &mark);

    bool eventFilter(QObject *watched, QEvent *event) override;
    // A close is settled here, before any window's own closeEvent runs.
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // Enter presses the focused button or the default one (OK), Escape the
    // visible Cancel.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void hoverMenu(Entry e);
    void hoverTopLink(HoverLabel *link);
    void hoverSideLink(HoverLabel *link);
    void backgroundHover();
    void keyboardLeftLabel();
    // The focus goes into a page just opened unless it is there already.
    void focusInto(QWidget *page);
    void parkFocus();
    // Tab stops of the menu and links, and of everything else.
    std::vector<QWidget *> chromeStops() const;
    std::vector<QWidget *> contentStops();

    bool m_home;
    FocusRing *m_focusRing = nullptr;
    bool m_centred = false;
    bool m_busy = false;
    std::vector<HoverLabel *> m_sideLinks;
    std::vector<std::pair<HoverLabel *, QWidget *>> m_linkPages;
};

}  // namespace nettora
