#include "app/home.h"

#include "kit/artwork.h"
#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/look.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "settings/security.h"

#include <QApplication>
#include <QShowEvent>

namespace nettora {

TfrmMain *frmMain = nullptr;

namespace {

struct TileText {
    const char *name;
    ClientMode mode;
    const char *title, *line1, *line2, *empty;
};

const TileText kTiles[] = {
    {"add", ClientMode::Add, "Add", "Generate a new financial statement.", "", ""},
    {"edit", ClientMode::Edit, "Edit", "Make changes to an existing financial", "statement.",
     "No financial statements available to edit."},
    {"update", ClientMode::Update, "Update", "Generate a new financial statement", "from an existing one.",
     "No financial statements available to update."},
    {"delete", ClientMode::Delete, "Delete", "Permanently delete a financial", "statement.",
     "No financial statements available to delete."},
    {"print", ClientMode::Print, "Print", "Print a financial statement to", "paper or pdf.",
     "No financial statements available to print."},
    {"email", ClientMode::Email, "Email", "Email a financial statement.", "",
     "There are no financial statements available to email."},
    {"reports", ClientMode::Pdf, "PDF", "Convert statements to .PDF.", "",
     "There are no financial statements available to convert to PDF."},
};

}  // namespace

TfrmMain::TfrmMain(QWidget *parent) : ScreenFrame(true, parent)
{
    setObjectName(QStringLiteral("TfrmMain"));
    frmMain = this;
    setHomeWindow(this);
    // The home window stays for the whole run; others come and go.
    setAttribute(Qt::WA_DeleteOnClose, false);

    const QRect text = artwork::homeDescriptionArea();
    QFont titleFont = look::menuFont();
    titleFont.setPixelSize(18);
    const QFont lineFont = look::arial(13);
    tileTitle = new QLabel(this);
    tileTitle->setObjectName(QStringLiteral("lbl1"));
    tileTitle->setFont(titleFont);
    tileTitle->setGeometry(text.left(), text.top(), text.width(), 24);
    tileLine1 = new QLabel(this);
    tileLine1->setObjectName(QStringLiteral("lbl2"));
    tileLine1->setFont(lineFont);
    tileLine1->setGeometry(text.left(), text.top() + 28, text.width(), 18);
    tileLine2 = new QLabel(this);
    tileLine2->setObjectName(QStringLiteral("lbl3"));
    tileLine2->setFont(lineFont);
    tileLine2->setGeometry(text.left(), text.top() + 46, text.width(), 18);
    lblWelcome = new QLabel(QStringLiteral("Welcome to Nettora"), this);
    lblWelcome->setObjectName(QStringLiteral("lblWelcome"));
    lblWelcome->setFont(titleFont);
    lblWelcome->setGeometry(tileTitle->geometry());
    lblWelcomeText = new QLabel(QStringLiteral("Choose an action to begin."), this);
    lblWelcomeText->setObjectName(QStringLiteral("lblWelcomeText"));
    lblWelcomeText->setFont(lineFont);
    lblWelcomeText->setGeometry(tileLine1->geometry());
    for (QLabel *l : {tileTitle, tileLine1, tileLine2, lblWelcome, lblWelcomeText}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, look::HomeText);
        l->setPalette(p);
    }

    const auto layout = artwork::homeTiles();
    for (const TileText &t : kTiles) {
        const QString name = QString::fromLatin1(t.name);
        QRect rect;
        for (const auto &l : layout)
            if (l.name == name)
                rect = l.rect;
        Tile tile{name, t.mode, new HoverLabel(QString(), this), new HoverLabel(QString(), this),
                  QString::fromLatin1(t.title), QString::fromLatin1(t.line1), QString::fromLatin1(t.line2),
                  QString::fromLatin1(t.empty)};
        tile.idle->setObjectName(name + QStringLiteral("_down"));
        tile.up->setObjectName(name + QStringLiteral("_up"));
        tile.idle->setGeometry(rect);
        tile.up->setGeometry(rect);
        tile.up->setCursor(Qt::PointingHandCursor);
        tile.up->hide();
        connect(tile.idle, &HoverLabel::hovered, this, [this, name] { hoverTile(name); });
        connect(tile.up, &HoverLabel::clicked, this, [this, name] { clickTile(name); });
        // The keyboard reaches the idle picture; Enter on either acts.
        connect(tile.idle, &HoverLabel::clicked, this, [this, name] { clickTile(name); });
        const QString description = (tile.line1 + QLatin1Char(' ') + tile.line2).trimmed();
        for (HoverLabel *picture : {tile.idle, tile.up}) {
            makeOperable(picture, QStringLiteral("tiles"), Green);
            picture->setAccessibleName(tile.title);
            picture->setAccessibleDescription(description);
        }
        m_tiles.push_back(tile);
    }

    // A tile reached with the keyboard describes itself as a pointed one does.
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        // A tile hands the focus between its own two pictures as it lights
        // up and down: that is no move of the user's.
        auto tileOf = [this](QWidget *w) -> const Tile * {
            for (const Tile &t : m_tiles)
                if (w == t.idle || w == t.up)
                    return &t;
            return nullptr;
        };
        const Tile *from = tileOf(old);
        const Tile *to = tileOf(now);
        if (old && now && isAncestorOf(old) && isAncestorOf(now) && !(from && from == to))
            m_focusMoved = true;
        if (from || to) {
            const Tile *focused = describedByFocus();
            describe(focused ? focused : hoveredTile());
        }
    });

    loginTimer.setSingleShot(true);
    loginTimer.setInterval(1);
    connect(&loginTimer, &QTimer::timeout, this, &TfrmMain::checkLogin);
    loginTimer.start();
    mButtons();
}

TfrmMain::~TfrmMain()
{
    disconnect(m_focusWatch);
    if (frmMain == this)
        frmMain = nullptr;
}

void TfrmMain::showEvent(QShowEvent *event)
{
    // Drawn on the first show, after the login, like the background.
    for (const Tile &t : m_tiles)
        if (t.idle->pixmap().isNull()) {
            t.idle->setPixmap(artwork::tilePicture(t.name, false));
            t.up->setPixmap(artwork::tilePicture(t.name, true));
        }
    ScreenFrame::showEvent(event);
    setWindowTitle(QStringLiteral("Nettora - Version ") + ProgramVersion());
}

void TfrmMain::mButtons()
{
    ScreenFrame::mButtons();
    for (const Tile &t : m_tiles) {
        t.idle->show();
        if (focusWidget() == t.up)
            t.idle->setFocus(Qt::OtherFocusReason);  // the focus stays on the tile
        t.up->hide();
    }
    if (tileTitle) {
        tileTitle->hide();
        tileLine1->hide();
        tileLine2->hide();
    }
    if (lblWelcome)
        describe(describedByFocus());
    unsetCursor();
}

void TfrmMain::describe(const Tile *tile)
{
    if (tile) {
        tileTitle->setText(tile->title);
        tileLine1->setText(tile->line1);
        tileLine2->setText(tile->line2);
    }
    const bool described = tile != nullptr;
    tileTitle->setVisible(described);
    tileLine1->setVisible(described);
    tileLine2->setVisible(described && !tile->line2.isEmpty());
    lblWelcome->setVisible(!described);
    lblWelcomeText->setVisible(!described);
}

const TfrmMain::Tile *TfrmMain::focusedTile() const
{
    for (const Tile &t : m_tiles)
        if (t.idle->hasFocus() || t.up->hasFocus())
            return &t;
    return nullptr;
}

const TfrmMain::Tile *TfrmMain::describedByFocus() const
{
    return m_focusMoved ? focusedTile() : nullptr;
}

const TfrmMain::Tile *TfrmMain::hoveredTile() const
{
    for (const Tile &t : m_tiles)
        if (!t.up->isHidden())
            return &t;
    return nullptr;
}

void TfrmMain::hoverTile(const QString &name)
{
    mButtons();
    for (const Tile &t : m_tiles) {
        if (t.name != name)
            continue;
        t.up->show();
        if (focusWidget() == t.idle)
            t.up->setFocus(Qt::OtherFocusReason);
        t.idle->hide();
        describe(&t);
    }
}

void TfrmMain::clickTile(const QString &name)
{
    for (const Tile &t : m_tiles) {
        if (t.name != name)
            continue;
        if (t.name != QLatin1String("add")) {
            // The client table is unfiltered here: an empty Id means no client.
            ClearAllFilters();
            if (dm1->tblClient->asString("Id").isEmpty()) {
                dialogs().error(t.emptyMessage);
                return;
            }
        }
        if (OpenClientWindow(t.mode))
            hide();
        return;
    }
}

void TfrmMain::checkLogin()
{
    loginTimer.stop();
    if (appState().login == LoginState::Done)
        return;
    // A new directory, or a file from before the key file that never had a
    // password, starts with setting one.
    bool hasPassword = dm1->dataDirState() == DataDirState::Keyed;
    if (dm1->dataDirState() == DataDirState::Unkeyed && dm1->dataOpen()) {
        dm1->tblUser->first();
        hasPassword = !dm1->tblUser->asString("Password").isEmpty();
    }
    appState().login = LoginState::Pending;
    hide();
    auto *security = static_cast<TfrmSecurity *>(OpenSecurityWindow());
    if (hasPassword)
        security->startLogin();
    else
        security->startFirstLogin();
}

}  // namespace nettora
