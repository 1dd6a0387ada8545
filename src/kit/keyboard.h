#pragma once
// Keyboard and screen-reader support shared by every window: the tab order
// taken from where the controls stand, the default and Cancel buttons that
// Enter and Escape press, and accessible names taken from the captions.

#include <QPushButton>
#include <QWidget>
#include <vector>

namespace nettora {

// The controls Tab stops at inside `container`, top to bottom and, within a
// line, left to right. A control inside another one (the edit box of a
// drop-down) is left to its owner.
std::vector<QWidget *> tabSequence(QWidget *container);
// Makes Tab run through the controls in the given order.
void chainTabs(const std::vector<QWidget *> &order);

// The visible, enabled default button (OK) or Cancel button of a window,
// preferring the one on the part of the window that holds the focus.
QPushButton *defaultButton(QWidget *window);
QPushButton *cancelButton(QWidget *window);

// Gives every focusable control under root that has no accessible name one
// from its caption: a button its text (its tool tip when its text is a
// symbol), a label its text, an editor the label whose buddy it is, else the
// label just left of it on its line.
void nameControls(QWidget *root);

}  // namespace nettora
