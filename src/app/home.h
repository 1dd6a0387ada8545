#pragma once
// The home window: seven action tiles from which every piece of work starts,
// the left menu with EXIT, and the one-shot login check after start-up.

#include "kit/app_state.h"
#include "kit/frame.h"

#include <QTimer>
#include <vector>

namespace nettora {

class TfrmMain : public ScreenFrame {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    struct Tile {
        QString name;      // add, edit, ... reports
        ClientMode mode;   // the client window mode it sets
        HoverLabel *idle;  // add_down ...
        HoverLabel *up;    // add_up ...
        QString title, line1, line2;
        QString emptyMessage;  // shown when there is no client yet
    };

    void mButtons() override;
    void checkLogin();
    void clickTile(const QString &name);
    void hoverTile(const QString &name);
    const std::vector<Tile> &tiles() const { return m_tiles; }

    QLabel *tileTitle, *tileLine1, *tileLine2;
    // The description panel's welcome, shown while no tile is pointed at or
    // has the focus.
    QLabel *lblWelcome = nullptr, *lblWelcomeText = nullptr;
    QTimer loginTimer;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The tile's texts in the description panel, or the welcome for none.
    void describe(const Tile *tile);
    const Tile *focusedTile() const;
    // The focused tile, once the user has moved the focus onto it: the
    // focus a window starts with describes nothing, so the welcome shows.
    const Tile *describedByFocus() const;
    const Tile *hoveredTile() const;

    std::vector<Tile> m_tiles;
    bool m_focusMoved = false;  // the user moved the focus within this window
    // The watch on the application's focus; it reads the tiles, so it ends
    // before they go (the window's own close, as it is destroyed, moves the
    // focus once more).
    QMetaObject::Connection m_focusWatch;
};

// The home window of the run; it lives until the program ends.
extern TfrmMain *frmMain;

}  // namespace nettora
