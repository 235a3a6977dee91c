#include "app/window/window_layout.h"

#include "forms/registry.h"
#include "page/sections.h"
#include "shipping/payment_list.h"
#include "shipping/shipping_table.h"
#include "shipping/tariff.h"

namespace bq::layout {
namespace {

std::string n(const char* stem, int i, const char* tail = "") {
  return stem + std::to_string(i) + tail;
}

Piece control(std::string name, Look look) {
  Piece p;
  p.kind = Kind::Control;
  p.name = std::move(name);
  p.look = look;
  return p;
}

// A control with the name a screen reader speaks for it, where its own caption says too little
// (a tick beside a text box, one colour button of many).
Piece spoken(std::string name, Look look, std::string words) {
  Piece p = control(std::move(name), look);
  p.text = std::move(words);
  return p;
}

Piece area(std::string name, int lines, std::string spoken) {
  Piece p = control(std::move(name), Look::Area);
  p.lines = lines;
  p.text = std::move(spoken);
  return p;
}

Piece label(const char* text) {
  Piece p;
  p.kind = Kind::Label;
  p.text = text;
  return p;
}

Piece command(const char* name, const char* caption, const char* tip) {
  Piece p;
  p.kind = Kind::Command;
  p.name = name;
  p.text = caption;
  p.tip = tip;
  return p;
}

Piece simple(Kind kind) {
  Piece p;
  p.kind = kind;
  return p;
}

Piece box(Kind kind, std::vector<Piece> parts, std::string name = {}, std::string text = {}) {
  Piece p;
  p.kind = kind;
  p.parts = std::move(parts);
  p.name = std::move(name);
  p.text = std::move(text);
  return p;
}

Piece line(std::vector<Piece> parts) {
  return box(Kind::Line, std::move(parts));
}

Piece at(Piece p, int row, int column, int span = 1) {
  p.row = row;
  p.column = column;
  p.span = span;
  return p;
}

// Background, font colour, bold and size of a title ("T") or body ("E").
Piece styleLine(const char* part, int i) {
  std::string stem = std::string("cmd") + part;
  std::string of = "欄 " + std::to_string(i) + (part[0] == 'T' ? " 見出し" : " 本文");
  return line(
      {spoken(n(stem.c_str(), i, "BC"), Look::Button, of + "の背景の色"),
       spoken(n(stem.c_str(), i, "FC"), Look::Button, of + "のフォントの色"),
       spoken(n((std::string("chk") + part).c_str(), i, "B"), Look::Toggle, of + "を太字にする"),
       spoken(n((std::string("cmb") + part).c_str(), i, "FS"), Look::Combo,
              of + "の文字の大きさ")});
}

Piece showBox(int i) {
  return spoken(n("chkTitle", i), Look::Check, "欄 " + std::to_string(i) + " を表示する");
}

std::string titleName(int i) {
  return "欄 " + std::to_string(i) + " 見出し";
}

Piece card(int i) {
  return box(Kind::Card,
             {at(showBox(i), 0, 0), at(area(n("txtTitle", i), 2, titleName(i)), 0, 1),
              at(styleLine("T", i), 0, 2), at(label("本文"), 1, 0),
              at(area(n("txtEdit", i), 3, "欄 " + std::to_string(i) + " 本文"), 1, 1),
              at(styleLine("E", i), 1, 2)},
             n("fraSection", i), "欄 " + std::to_string(i));
}

// The show box, title and title style of the sections that live in the tabs.
Piece titleHead(int i) {
  return box(Kind::Grid,
             {at(showBox(i), 0, 0), at(styleLine("T", i), 0, 1), at(label("見出し"), 1, 0),
              at(area(n("txtTitle", i), 2, titleName(i)), 1, 1)});
}

Piece shippingPage() {
  std::vector<Piece> rows;
  // Two columns of six, filled downwards.
  for (int i = 1; i <= kShippingRows; ++i) {
    int r = (i - 1) % 6, c = (i - 1) / 6 * 3;
    std::string row = "発送方法" + std::to_string(i);
    rows.push_back(at(spoken(n("chkSend", i), Look::Check, row + "を載せる"), r, c));
    rows.push_back(at(spoken(n("txtSend", i), Look::Line, row + "の名前"), r, c + 1));
    Piece money = at(spoken(n("txtMoney", i), Look::Line, row + "の料金"), r, c + 2);
    // The row the engine prices by zone, from the zone price list.
    if (i == kYuPackRow) money.hint = "（地域別料金）";
    rows.push_back(money);
  }
  std::vector<Piece> weights;
  for (int k = 0; k < tariff::kWeightClasses; ++k) {
    weights.push_back(at(control(indexed("optYPack", k), Look::Option), k / 6, k % 6));
  }
  Piece yuPack =
      box(Kind::Column, {line({label("発送元"), spoken("cmbSend", Look::Combo, "発送元")}),
                         box(Kind::Grid, std::move(weights))});
  return box(Kind::Page,
             {titleHead(kShippingSection),
              line({label("品名"), spoken("chkE5B_1", Look::Toggle, "発送方法の名前を太字にする"),
                    spoken("cmdE5FC_1", Look::Button, "発送方法の名前のフォントの色"),
                    label("料金"), spoken("chkE5B_2", Look::Toggle, "発送方法の料金を太字にする"),
                    spoken("cmdE5FC_2", Look::Button, "発送方法の料金のフォントの色")}),
              line({spoken("cmdE5BC", Look::Button, "発送方法の表の背景の色"),
                    spoken("cmbE5FS", Look::Combo, "発送方法の表の文字の大きさ"),
                    spoken("cmdSendLC", Look::Button, "発送方法の表の線の色"), label("品名の幅"),
                    spoken("txtSendW", Look::Dimension, "発送方法の名前の列の幅")}),
              box(Kind::Grid, std::move(rows), "grdSend"),
              box(Kind::Group, {std::move(yuPack)}, "fraYuPack", "ゆうパック")},
             "tabShipping", "発送について");
}

Piece paymentPage() {
  std::vector<Piece> rows;
  for (int i = 1; i <= kPaymentRows; ++i) {
    int r = (i - 1) % 8, c = (i - 1) / 8 * 2;
    std::string row = "支払い方法" + std::to_string(i);
    rows.push_back(at(spoken(n("chkBank", i), Look::Check, row + "を載せる"), r, c));
    rows.push_back(at(spoken(n("txtBank", i), Look::Line, row + "の名前"), r, c + 1));
  }
  return box(
      Kind::Page,
      {titleHead(kPaymentSection),
       line({label("本文"), spoken("cmdE6BC", Look::Button, "支払い方法の背景の色"),
             spoken("cmdE6FC", Look::Button, "支払い方法のフォントの色"),
             spoken("chkE6B", Look::Toggle, "支払い方法を太字にする"),
             spoken("cmbE6FS", Look::Combo, "支払い方法の文字の大きさ")}),
       box(Kind::Grid, std::move(rows), "grdBank"),
       line({label("区切り記号"), spoken("txtBankPunc", Look::Line, "支払い方法の区切り記号")})},
      "tabPayment", "支払いについて");
}

Piece tableGroup() {
  Piece grid = box(
      Kind::Grid,
      {at(spoken("cmdColor", Look::Button, "表の線の色"), 0, 0),
       at(line({label("線の太さ"), spoken("cmbCellspacing", Look::Combo, "表の線の太さ")}), 0, 1),
       at(line({label("表の余白"), spoken("cmbCellpadding", Look::Combo, "表の余白")}), 0, 2),
       at(line({label("表の横幅"), spoken("txtWidth", Look::Dimension, "表の横幅")}), 1, 0),
       at(line({label("表の縦幅"), spoken("txtHeight", Look::Dimension, "表の縦幅")}), 1, 1),
       at(line({label("見出しの幅"), spoken("txtTW", Look::Dimension, "表の見出しの幅")}), 1, 2),
       at(line({control("optTableAlign(0)", Look::Option),
                control("optTableAlign(1)", Look::Option)}),
          2, 0, 3),
       at(line({control("optTA(0)", Look::Option), control("optTA(1)", Look::Option),
                control("optTA(2)", Look::Option)}),
          3, 0, 3),
       at(control("chkFit", Look::Check), 4, 0, 3)});
  return box(Kind::Group, {std::move(grid)}, "fraTable", "表の設定");
}

Piece bulkGroup() {
  Piece grid =
      box(Kind::Grid,
          {at(label("見出し"), 0, 0),
           at(spoken("cmdTBC", Look::Button, "すべての見出しの背景の色（一括設定）"), 0, 1),
           at(spoken("cmdTFC", Look::Button, "すべての見出しのフォントの色（一括設定）"), 0, 2),
           at(label("本文"), 1, 0),
           at(spoken("cmdEBC", Look::Button, "すべての本文の背景の色（一括設定）"), 1, 1),
           at(spoken("cmdEFC", Look::Button, "すべての本文のフォントの色（一括設定）"), 1, 2)});
  return box(Kind::Group, {std::move(grid)}, "fraBulk", "一括設定");
}

Piece makeToolStrip() {
  return box(
      Kind::Strip,
      {control("cmdOpen", Look::Button),
       command("cmdRecent", "最近のファイル", "最近開いたり保存したりした設定ファイルを開きます"),
       control("cmdSave", Look::Button), control("cmdUndo", Look::Button),
       control("cmdRedo", Look::Button), control("cmdOpenDesign", Look::Button),
       command("cmdGallery", "デザインを選ぶ…",
               "用意されたデザインを、今の見出しと本文の見本で見比べて選びます"),
       command("cmdBatch", "一括作成…",
               "表計算のファイル（CSV・TSV）の行ごとに説明を作り、列に足して保存します"),
       control("cmdPreview", Look::Button), simple(Kind::Gap), control("chkRealTP", Look::Check),
       control("chkFirst", Look::Check), simple(Kind::Stretch), control("cmdHome", Look::Button)},
      "frmToolBar");
}

Piece makeEditingArea() {
  std::vector<Piece> cards;
  for (int s = 1; s <= kSections; ++s) {
    if (!bodyIsGenerated(s)) cards.push_back(card(s));
  }
  Piece tabs = box(Kind::Tabs, {shippingPage(), paymentPage()}, "SSTab1");
  return box(Kind::Split,
             {box(Kind::Column, std::move(cards), "sections"),
              box(Kind::Column, {std::move(tabs), tableGroup(), bulkGroup()}, "side")},
             "editingArea");
}

void collect(const Piece& p, std::vector<const Piece*>& out) {
  if ((p.kind == Kind::Control || p.kind == Kind::Command) && !p.name.empty()) out.push_back(&p);
  for (const Piece& part : p.parts) collect(part, out);
}

}  // namespace

const Piece& toolStrip() {
  static const Piece strip = makeToolStrip();
  return strip;
}

const Piece& editingArea() {
  static const Piece area = makeEditingArea();
  return area;
}

std::vector<const Piece*> namedPieces() {
  std::vector<const Piece*> out;
  collect(toolStrip(), out);
  collect(editingArea(), out);
  return out;
}

const char* kindName(Kind kind) {
  switch (kind) {
    case Kind::Control:
      return "control";
    case Kind::Label:
      return "label";
    case Kind::Command:
      return "command";
    case Kind::Gap:
      return "gap";
    case Kind::Stretch:
      return "stretch";
    case Kind::Line:
      return "line";
    case Kind::Strip:
      return "strip";
    case Kind::Column:
      return "column";
    case Kind::Grid:
      return "grid";
    case Kind::Group:
      return "group";
    case Kind::Card:
      return "card";
    case Kind::Tabs:
      return "tabs";
    case Kind::Page:
      return "page";
    case Kind::Split:
      return "split";
  }
  return "";
}

const char* lookName(Look look) {
  switch (look) {
    case Look::None:
      return "";
    case Look::Line:
      return "line";
    case Look::Area:
      return "area";
    case Look::Check:
      return "check";
    case Look::Toggle:
      return "toggle";
    case Look::Combo:
      return "combo";
    case Look::Option:
      return "option";
    case Look::Button:
      return "button";
    case Look::Dimension:
      return "dimension";
  }
  return "";
}

}  // namespace bq::layout
