// The editing area that fits any window: the sections and the side column (shipping, payment,
// table settings) side by side where the width allows, else the side column under the sections;
// each section's style buttons beside its text boxes, else under them. Text boxes keep at least
// 30 characters, and no horizontal scroll bar is needed down to a small laptop at 125 %.
#pragma once

#include <QGridLayout>
#include <QGroupBox>
#include <QScrollArea>
#include <vector>

class QBoxLayout;

namespace bq::gui {

// One section: its show box, title and body, and a style row for each.
class SectionCard : public QGroupBox {
 public:
  SectionCard(const QString& caption, QWidget* show, QWidget* title, QWidget* titleStyle,
              QWidget* bodyLabel, QWidget* body, QWidget* bodyStyle);
  // The width it needs with the style rows beside the text boxes.
  int besideWidth() const;
  void setStylesBeside(bool beside);

 private:
  QGridLayout* grid_;
  QWidget *show_, *title_, *titleStyle_, *bodyLabel_, *body_, *bodyStyle_;
  bool beside_ = false;
};

class AdaptiveArea : public QScrollArea {
 public:
  AdaptiveArea(std::vector<SectionCard*> cards, QWidget* side);
  bool sideBySide() const { return sideBySide_; }

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  void arrange(int width);

  std::vector<SectionCard*> cards_;
  QWidget* side_;
  QBoxLayout* flow_;
  bool sideBySide_ = false;
};

// The least width of a text box: 30 characters of the seller's text.
int textBoxMinimumWidth(const QWidget* box);

}  // namespace bq::gui
