#include "PadDialogs.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabBar>
#include <vector>

#include "OnScreenKeyboard.h"

namespace korvana {
namespace {

// Navigation is sent at once, so that the next button already finds the
// submenu or row it opened.
void SendKey(QWidget* to, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(to, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QCoreApplication::sendEvent(to, &release);
}

// What may open or end a modal loop is posted: it runs after the caller has
// returned to the event loop.
void PostKey(QWidget* to, int key) {
  QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
  QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

void HandleInPopup(QWidget* popup, PadButton button) {
  QWidget* target = popup->focusWidget() ? popup->focusWidget() : popup;
  switch (button) {
    case PadButton::Up:
      return SendKey(target, Qt::Key_Up);
    case PadButton::Down:
      return SendKey(target, Qt::Key_Down);
    case PadButton::Left:
      return SendKey(target, Qt::Key_Left);
    case PadButton::Right:
      return SendKey(target, Qt::Key_Right);
    case PadButton::A:
      return PostKey(target, Qt::Key_Return);
    case PadButton::B:
      // Closing a menu starts nothing; at once, so that a second B finds
      // the menu below.
      return SendKey(target, Qt::Key_Escape);
    default:
      return;
  }
}

// The window the pad speaks to: a modal dialog, or a dialog of ours the
// player made active (the debug window runs beside the story).
QWidget* DialogInFront() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  QWidget* active = QApplication::activeWindow();
  return qobject_cast<QDialog*>(active) ? active : nullptr;
}

// A spin box or combo box hands its focus to an inner line edit; the pad
// treats the whole box as one control.
QWidget* ControlOf(QWidget* widget, const QWidget* dialog) {
  QWidget* control = widget;
  for (QWidget* w = widget; w && w != dialog; w = w->parentWidget())
    if (qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w)) control = w;
  return control;
}

// The controls Tab reaches, in Tab's order.
std::vector<QWidget*> Controls(QWidget* dialog) {
  std::vector<QWidget*> controls;
  int guard = 0;
  for (QWidget* w = dialog->nextInFocusChain(); w && w != dialog && guard < 10000;
       w = w->nextInFocusChain(), ++guard) {
    if (w->window() != dialog || !w->isVisible() || !w->isEnabled()) continue;
    if ((w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || w->focusProxy()) continue;
    QWidget* control = ControlOf(w, dialog);
    if (std::find(controls.begin(), controls.end(), control) == controls.end())
      controls.push_back(control);
  }
  return controls;
}

QWidget* FocusedControl(QWidget* dialog) {
  QWidget* focus = QApplication::focusWidget();
  if (!focus || focus->window() != dialog) focus = dialog->focusWidget();
  return focus ? ControlOf(focus, dialog) : nullptr;
}

void MoveFocus(QWidget* dialog, int step) {
  const std::vector<QWidget*> controls = Controls(dialog);
  if (controls.empty()) return;
  const int n = static_cast<int>(controls.size());
  // From a widget that is not a control (none focused yet, a label), the
  // walk starts at an end.
  int at = step > 0 ? -1 : n;
  QWidget* focus = FocusedControl(dialog);
  for (QWidget* w = focus; w && w != dialog; w = w->parentWidget()) {
    const auto it = std::find(controls.begin(), controls.end(), w);
    if (it != controls.end()) {
      at = static_cast<int>(it - controls.begin());
      break;
    }
  }
  // Marked as Tab marks it, so that the style draws the focus.
  dialog->setAttribute(Qt::WA_KeyboardFocusChange);
  controls[((at + step) % n + n) % n]->setFocus(Qt::TabFocusReason);
}

// A list keeps Up and Down for its rows until the row would leave it.
bool MoveInList(QAbstractItemView* list, int step) {
  const QModelIndex current = list->currentIndex();
  const int rows = list->model() ? list->model()->rowCount(list->rootIndex()) : 0;
  if (rows == 0) return false;
  if (current.isValid() && (current.row() + step < 0 || current.row() + step >= rows))
    return false;
  SendKey(list, step < 0 ? Qt::Key_Up : Qt::Key_Down);
  return true;
}

// Left and Right on a control that holds a value; false where they move the
// focus instead.
bool StepValue(QWidget* control, int step) {
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(control)) {
    spin->stepBy(step);
    return true;
  }
  if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
    slider->triggerAction(step < 0 ? QAbstractSlider::SliderSingleStepSub
                                   : QAbstractSlider::SliderSingleStepAdd);
    return true;
  }
  if (qobject_cast<QComboBox*>(control)) {
    // As the arrow keys do, so that whoever follows the box hears of it.
    SendKey(control, step < 0 ? Qt::Key_Up : Qt::Key_Down);
    return true;
  }
  if (auto* tabs = qobject_cast<QTabBar*>(control)) {
    if (tabs->count() > 0) tabs->setCurrentIndex((tabs->currentIndex() + step + tabs->count()) % tabs->count());
    return true;
  }
  return false;
}

void Activate(QWidget* dialog, QWidget* control) {
  if (!control) return;
  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    // Shown pressed for a moment, then clicked from the event loop.
    button->animateClick();
  } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
    combo->showPopup();
  } else if (auto* edit = qobject_cast<QLineEdit*>(control); edit && !edit->isReadOnly()) {
    OnScreenKeyboard::Open(edit);
  } else if (qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QAbstractSlider*>(control) ||
             qobject_cast<QTabBar*>(control)) {
    // Their values move with Left and Right; A has nothing to do there.
  } else if (control != dialog) {
    // The shell's own picture buttons and a list's rows answer Enter.
    PostKey(control, Qt::Key_Return);
  }
}

void HandleInDialog(QWidget* dialog, PadButton button) {
  QWidget* control = FocusedControl(dialog);
  switch (button) {
    case PadButton::Up:
    case PadButton::Down: {
      const int step = button == PadButton::Up ? -1 : 1;
      auto* list = qobject_cast<QAbstractItemView*>(control);
      if (!list || !MoveInList(list, step)) MoveFocus(dialog, step);
      return;
    }
    case PadButton::Left:
    case PadButton::Right: {
      const int step = button == PadButton::Left ? -1 : 1;
      if (!StepValue(control, step)) MoveFocus(dialog, step);
      return;
    }
    case PadButton::A:
      return Activate(dialog, control);
    case PadButton::B:
      return PostKey(dialog, Qt::Key_Escape);
    case PadButton::Start:
      return PostKey(dialog, Qt::Key_Return);
    case PadButton::LB:
    case PadButton::RB:
      return SendKey(control ? control : dialog,
                     button == PadButton::LB ? Qt::Key_PageUp : Qt::Key_PageDown);
    default:
      return;
  }
}

}  // namespace

bool HandlePadInDialogs(PadButton button) {
  if (QWidget* popup = QApplication::activePopupWidget()) {
    HandleInPopup(popup, button);
    return true;
  }
  QWidget* dialog = DialogInFront();
  // A box that opened over the keyboard's dialog takes the pad; the
  // keyboard waits for it to close.
  OnScreenKeyboard* keyboard = OnScreenKeyboard::Current();
  if (keyboard && dialog == keyboard->parentWidget()) {
    keyboard->Press(button);
    return true;
  }
  if (dialog) {
    HandleInDialog(dialog, button);
    return true;
  }
  // A modal window that is not one of our widgets (a file dialog of the
  // desktop's own) cannot be driven from here, but the story still waits
  // under it and must not get the button.
  return QGuiApplication::modalWindow() != nullptr;
}

}  // namespace korvana
