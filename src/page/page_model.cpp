#include "page/page_model.h"

#include "page/fitted_pictures.h"

namespace bq {
namespace {

std::string n(const char* stem, int i) {
  return stem + std::to_string(i);
}

// Sections 4 and 8 start hidden.
int shownAtStart(int i) {
  return (i == 4 || i == 8) ? 0 : 1;
}

}  // namespace

Section::Section(int i)
    : index(i),
      txtTitle(n("txtTitle", i)),
      txtEdit(n("txtEdit", i)),
      chkTitle(n("chkTitle", i), "表示する", shownAtStart(i)),
      txtTag1(n("txtTag1_", i)),
      txtTag2(n("txtTag2_", i)),
      txtTag3(n("txtTag3_", i)) {
  for (TextBox* b : {&txtTag1, &txtTag2, &txtTag3}) b->setVisible(false);
  // The bodies of sections 5 and 6 are generated; their boxes are never offered for typing.
  if (bodyIsGenerated(i)) txtEdit.setVisible(false);
}

void Section::clearSlots() {
  TitleTag.clear();
  TitleText.clear();
  EditTag.clear();
  EditText.clear();
  EndTag.clear();
}

PageModel::PageModel(Actions& actions) : actions_(actions) {
  for (int i = 1; i <= kSections; ++i) {
    sections_[static_cast<std::size_t>(i - 1)] = std::make_unique<Section>(i);
    wire(section(i));
  }
}

void PageModel::wire(Section& s) {
  s.txtTitle.onChange([this, &s] {
    if (s.shown()) {
      s.TitleText.refer(s.txtTitle);
    } else {
      s.TitleText.clear();
    }
    actions_.RefreshPreview();
  });
  s.txtEdit.onChange([this, &s] {
    if (s.shown()) {
      takeBody(s);
    } else {
      s.EditText.clear();
    }
    actions_.RefreshPreview();
  });
  s.chkTitle.onClick([this, &s] {
    if (s.shown()) {
      s.TitleText.refer(s.txtTitle);
      takeBody(s);
      s.TitleTag = s.txtTag1.text();
      s.EditTag = s.txtTag2.text();
      s.EndTag = s.txtTag3.text();
    } else {
      s.clearSlots();
    }
    // The generated bodies come back from their own controls, and those routines refresh.
    if (s.index == kShippingSection) {
      actions_.BuildShippingSection();
    } else if (s.index == kPaymentSection) {
      actions_.BuildPaymentSection();
    } else {
      actions_.RefreshPreview();
    }
  });
  // The code that rewrote a fragment refreshes once it is done with all of them.
  s.txtTag1.onChange([&s] { s.TitleTag = s.txtTag1.text(); });
  s.txtTag2.onChange([&s] { s.EditTag = s.txtTag2.text(); });
  s.txtTag3.onChange([&s] { s.EndTag = s.txtTag3.text(); });
}

void PageModel::takeBody(Section& s) {
  // A generated body is written into its slot by its own routine.
  if (bodyIsGenerated(s.index)) return;
  if (fitPictures_ && mayHoldPicture(s.txtEdit.text())) {
    s.EditText = bq::fitPictures(s.txtEdit.text());
  } else {
    s.EditText.refer(s.txtEdit);
  }
}

void PageModel::fitPictures(bool fit) {
  fitPictures_ = fit;
  for (auto& sp : sections_) {
    if (sp->shown()) takeBody(*sp);
  }
}

void PageModel::registerIn(Registry& r) {
  for (auto& sp : sections_) {
    Section& s = *sp;
    for (Control* c : std::initializer_list<Control*>{&s.txtTitle, &s.txtEdit, &s.chkTitle,
                                                      &s.txtTag1, &s.txtTag2, &s.txtTag3}) {
      r.add(*c);
    }
    r.addValue(indexed("TitleTag", s.index), [&s] { return s.TitleTag; });
    r.addValue(indexed("TitleText", s.index), [&s] { return s.TitleText.text(); });
    r.addValue(indexed("EditTag", s.index), [&s] { return s.EditTag; });
    r.addValue(indexed("EditText", s.index), [&s] { return s.EditText.text(); });
    r.addValue(indexed("EndTag", s.index), [&s] { return s.EndTag; });
  }
}

}  // namespace bq
