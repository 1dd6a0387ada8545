#pragma once
// The program's pictures, drawn in code so that the program ships no image
// files. Every picture is drawn once and then cached; they need a running
// QGuiApplication.

#include <QIcon>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <vector>

namespace nettora::artwork {

// Every main window is this size, fixed.
inline constexpr int WindowWidth = 752;
inline constexpr int WindowHeight = 519;
inline constexpr int AboutWidth = 512;
inline constexpr int AboutHeight = 305;

// Background of every main window: dark menu column on the left, light top
// band with the word mark, light side-link column, white page area. A
// non-empty title is shown as a small grey caption in the top band, under
// the top links.
QPixmap frameBackground(const QString &title = QString());

// Draws the untitled frame background on a worker thread from construction,
// so that the first window finds it ready; waits for the drawing on
// destruction, which must come before the application's.
class DrawnAhead {
public:
    DrawnAhead();
    ~DrawnAhead();
    DrawnAhead(const DrawnAhead &) = delete;
    DrawnAhead &operator=(const DrawnAhead &) = delete;
};

// Background of the home window: menu column and top band as above, and a
// welcoming area with soft card shadows where the action tiles stand.
QPixmap homeBackground();

struct TileLayout {
    QString name;  // as tilePicture() takes it
    QRect rect;    // in window coordinates; the size of tilePicture()
};
// Add, Edit, Update / Delete, Print, Email / PDF ("reports"), three to a row.
std::vector<TileLayout> homeTiles();
// Where the home window's three description lines go (a title line and two
// text lines), beside the PDF tile; the background draws a light panel
// around it.
QRect homeDescriptionArea();

// An action tile: "add", "edit", "update", "delete", "print", "email",
// "reports". Idle and highlighted pictures are the same size.
QPixmap tilePicture(const QString &name, bool highlighted);

// Background of the About window (512 x 305): dark header with the word mark,
// white body for text lines, light footer for the Close button.
QPixmap aboutBackground();
// The top of the About window's footer, where the Close button belongs.
inline constexpr int AboutFooterTop = 251;

// The emblem, in the usual icon sizes.
QIcon applicationIcon();

}  // namespace nettora::artwork
