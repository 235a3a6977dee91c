// The main window's layout, as the desktop program lays it out: the tool strip; the sections
// on the left; on the right the shipping and payment tabs, the table layout and the bulk
// colours. Captions of controls come from the engine; the words between them are the window's.
import { el } from './binder.js';

// The engine's rules (rows, the Yu-Pack row, weight classes), handed over at start.
let rules;

const label = (text) => el('span', { class: 'label', text });
const row = (...children) => el('div', { class: 'row' }, children);

function styleRow(b, back, font, bold, size) {
  return row(b.button(back), b.button(font), b.toggle(bold), b.combo(size));
}

// A box's name for screen readers: the section and what the box holds.
function named(e, text) {
  e.setAttribute('aria-label', text);
  return e;
}

function sectionCard(b, i) {
  return el('fieldset', { class: 'card', id: `fraSection${i}` }, [
    el('legend', { text: `欄 ${i}` }),
    el('div', { class: 'card-grid' }, [
      b.check(`chkTitle${i}`), named(b.area(`txtTitle${i}`, 2), `欄 ${i} 見出し`),
      styleRow(b, `cmdT${i}BC`, `cmdT${i}FC`, `chkT${i}B`, `cmbT${i}FS`),
      label('本文'), named(b.area(`txtEdit${i}`, 3), `欄 ${i} 本文`),
      styleRow(b, `cmdE${i}BC`, `cmdE${i}FC`, `chkE${i}B`, `cmbE${i}FS`),
    ]),
  ]);
}

function titleHead(b, i) {
  return el('div', { class: 'title-head' }, [
    b.check(`chkTitle${i}`),
    styleRow(b, `cmdT${i}BC`, `cmdT${i}FC`, `chkT${i}B`, `cmbT${i}FS`),
    label('見出し'), named(b.area(`txtTitle${i}`, 2), `欄 ${i} 見出し`),
  ]);
}

function shippingTab(b) {
  const rows = el('div', { class: 'ship-rows' });
  for (let i = 1; i <= rules.shippingRows; i++) {
    const money = b.line(`txtMoney${i}`);
    if (i === rules.yuPackRow) money.placeholder = '（地域別料金）';
    const cell = el('div', { class: 'ship-row' }, [b.check(`chkSend${i}`), b.line(`txtSend${i}`), money]);
    // Two columns of six, filled downwards, as in the window.
    cell.style.gridRow = String(((i - 1) % 6) + 1);
    cell.style.gridColumn = String(Math.floor((i - 1) / 6) + 1);
    rows.append(cell);
  }
  const classes = el('div', { class: 'weight-classes' });
  for (let k = 0; k < rules.weightClasses; k++) classes.append(b.option(`optYPack(${k})`));
  return el('div', { class: 'tab-page' }, [
    titleHead(b, 5),
    row(label('品名'), b.toggle('chkE5B_1'), b.button('cmdE5FC_1'),
      label('料金'), b.toggle('chkE5B_2'), b.button('cmdE5FC_2')),
    row(b.button('cmdE5BC'), b.combo('cmbE5FS'), b.button('cmdSendLC'),
      label('品名の幅'), b.dimension('txtSendW')),
    rows,
    el('fieldset', { class: 'group' }, [
      el('legend', { text: 'ゆうパック' }),
      row(label('発送元'), b.combo('cmbSend')),
      classes,
    ]),
  ]);
}

function paymentTab(b) {
  const rows = el('div', { class: 'bank-rows' });
  for (let i = 1; i <= rules.paymentRows; i++) {
    const cell = el('div', { class: 'bank-row' }, [b.check(`chkBank${i}`), b.line(`txtBank${i}`)]);
    cell.style.gridRow = String(((i - 1) % 8) + 1);
    cell.style.gridColumn = String(Math.floor((i - 1) / 8) + 1);
    rows.append(cell);
  }
  return el('div', { class: 'tab-page' }, [
    titleHead(b, 6),
    row(label('本文'), b.button('cmdE6BC'), b.button('cmdE6FC'), b.toggle('chkE6B'), b.combo('cmbE6FS')),
    rows,
    row(label('区切り記号'), b.line('txtBankPunc')),
  ]);
}

function tabs(pages) {
  const bar = el('div', { class: 'tab-bar', role: 'tablist' });
  const holder = el('div', { class: 'tabs', id: 'SSTab1' }, [bar]);
  pages.forEach(([title, page], i) => {
    const tab = el('button', { type: 'button', role: 'tab', text: title,
      'aria-selected': i === 0 ? 'true' : 'false' });
    page.hidden = i !== 0;
    page.setAttribute('role', 'tabpanel');
    tab.addEventListener('click', () => {
      bar.querySelectorAll('[role=tab]').forEach((t) => t.setAttribute('aria-selected', 'false'));
      tab.setAttribute('aria-selected', 'true');
      pages.forEach(([, p]) => { p.hidden = p !== page; });
    });
    bar.append(tab);
    holder.append(page);
  });
  return holder;
}

function layoutGroup(b) {
  return el('fieldset', { class: 'group layout-group' }, [
    el('legend', { text: '表の設定' }),
    row(b.button('cmdColor'), label('線の太さ'), b.combo('cmbCellspacing'),
      label('表の余白'), b.combo('cmbCellpadding')),
    row(label('表の横幅'), b.dimension('txtWidth'), label('表の縦幅'), b.dimension('txtHeight'),
      label('見出しの幅'), b.dimension('txtTW')),
    row(b.option('optTableAlign(0)'), b.option('optTableAlign(1)')),
    row(b.option('optTA(0)'), b.option('optTA(1)'), b.option('optTA(2)')),
  ]);
}

function bulkGroup(b) {
  return el('fieldset', { class: 'group' }, [
    el('legend', { text: '一括設定' }),
    row(label('見出し'), b.button('cmdTBC'), b.button('cmdTFC')),
    row(label('本文'), b.button('cmdEBC'), b.button('cmdEFC')),
  ]);
}

export function buildToolStrip(b) {
  const plain = (id, text, title) => el('button', { type: 'button', id, text, title });
  return [b.button('cmdOpen'), b.button('cmdSave'), b.button('cmdOpenDesign'),
    plain('cmdGallery', 'デザインを選ぶ…', '用意されたデザインを、今の見出しと本文の見本で見比べて選びます'),
    plain('cmdBatch', '一括作成…', '表計算のファイル（CSV・TSV）の行ごとに説明を作り、列に足して保存します'),
    b.button('cmdPreview'),
    el('span', { class: 'gap' }), b.check('chkRealTP'), b.check('chkFirst'),
    el('span', { class: 'stretch' }), b.button('cmdHome')];
}

export function buildEditingArea(b, engineRules) {
  rules = engineRules;
  const sections = el('div', { class: 'sections' });
  for (const i of [1, 2, 3, 4, 7, 8]) sections.append(sectionCard(b, i));
  const side = el('div', { class: 'side' }, [
    tabs([['発送について', shippingTab(b)], ['支払いについて', paymentTab(b)]]),
    layoutGroup(b),
    bulkGroup(b),
  ]);
  return [sections, side];
}
