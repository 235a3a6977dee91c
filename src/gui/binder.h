// Makes the widget for an engine control and keeps the two in step: the seller's input goes
// to the control (whose handlers do the work), and values the engine sets come back to the
// widget. The widget carries the control's name as its objectName. No rule lives here.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <string>

#include "app/window/frm_main.h"

namespace bq::gui {

// The property that makes screen readers hear a widget as a button (the gallery's cards).
inline constexpr const char* kSpokenAsButton = "bidquillSpokenAsButton";

class Binder : public QObject {
 public:
  explicit Binder(frmMain& form, QObject* parent = nullptr);
  // Each change a widget hands the engine is one action of the seller in it.
  History& history() { return form_.history; }

  QLineEdit* line(const std::string& name);
  // A multi-line title or body box; Enter goes through the engine's line-break rule.
  QPlainTextEdit* area(const std::string& name, int lines);
  QCheckBox* check(const std::string& name);
  QComboBox* combo(const std::string& name);
  QRadioButton* option(const std::string& name);
  QToolButton* toggle(const std::string& name);
  // A push button; colour buttons show their colour as a swatch.
  QPushButton* button(const std::string& name);
  // A width or height box with its spinner arrows.
  QWidget* dimension(const std::string& textName);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A box's context menu as the toolkit makes it, but its 元に戻す and やり直す are the listing's
  // (the box keeps no history of its own), enabled as the history says.
  void historyMenu(QWidget* box, std::function<QMenu*()> standard);
  template <class T>
  T& control(const std::string& name);
  bool wheelWithoutFocus(QObject* watched, QEvent* event);

  frmMain& form_;
  QPlainTextEdit* enterIn_ = nullptr;  // the box whose Enter the engine is handling
};

}  // namespace bq::gui
