// The desktop's modal boxes as <dialog> elements: a message, a question with the engine's own
// choices, and the colour dialog. Each resolves with the seller's answer.
import { el, cssColour, colourNumber } from './binder.js';

function modal(id, title, body, buttons, escapeValue) {
  return new Promise((resolve) => {
    const dialog = el('dialog', { id, class: 'box', 'aria-label': title }, [
      el('div', { class: 'box-title', text: title }),
      body,
      el('div', { class: 'box-buttons' }, buttons.map(([caption, value, key]) => {
        const b = el('button', { type: 'button', text: caption });
        if (key) b.dataset.key = key;
        b.addEventListener('click', () => { dialog.returnValue = 'chosen'; finish(value()); });
        return b;
      })),
    ]);
    let done = false;
    const finish = (value) => {
      if (done) return;
      done = true;
      dialog.close();
      dialog.remove();
      resolve(value);
    };
    dialog.addEventListener('cancel', (e) => { e.preventDefault(); finish(escapeValue); });
    document.body.append(dialog);
    dialog.showModal();
    dialog.querySelector('.box-buttons button').focus();
  });
}

const paragraphs = (text) => el('div', { class: 'box-text' },
  text.replace(/\r\n/g, '\n').split('\n').map((line) => el('div', { text: line || '\u00a0' })));

export function showMessage(m) {
  return modal('dlgMessage', m.title, el('div', { class: `box-body ${m.icon}` }, [paragraphs(m.text)]),
    [['OK', () => true]], true);
}

// The key of the choice made; the escape key when the box is closed without one.
export function ask(q) {
  return modal('dlgQuestion', q.title, el('div', { class: 'box-body question' }, [paragraphs(q.text)]),
    q.choices.map((c) => [c.caption, () => c.key, c.key]), q.escapeKey);
}

const BASIC = ['#000000', '#808080', '#c0c0c0', '#ffffff', '#800000', '#ff0000', '#808000', '#ffff00',
  '#008000', '#00ff00', '#008080', '#00ffff', '#000080', '#0000ff', '#800080', '#ff00ff', '#333333',
  '#cccccc', '#ffcc99', '#ffffcc', '#ccffcc', '#ccffff', '#cce5ff', '#ffccff'];

// The chosen colour number, or null. Starts at the colour being changed and offers the last
// choice, as the desktop's colour dialog does.
export function chooseColour(initial, remembered) {
  const input = el('input', { type: 'color', id: 'dlgColourValue', value: cssColour(initial) });
  const last = el('button', { type: 'button', class: 'swatch-button', title: '前回選んだ色' });
  last.style.background = cssColour(remembered);
  last.addEventListener('click', () => { input.value = cssColour(remembered); });
  const basic = el('div', { class: 'basic-colours', role: 'group', 'aria-label': '基本色' },
    BASIC.map((css) => {
      const b = el('button', { type: 'button', class: 'swatch-button', title: css });
      b.style.background = css;
      b.addEventListener('click', () => { input.value = css; });
      return b;
    }));
  const body = el('div', { class: 'box-body colour' }, [
    el('div', { class: 'label', text: '基本色' }), basic,
    el('div', { class: 'row' }, [el('label', {}, ['色: ', input]),
      el('span', { class: 'label', text: '前回の色' }), last]),
  ]);
  return modal('dlgColour', '色の設定', body,
    [['OK', () => colourNumber(input.value)], ['キャンセル', () => null]], null);
}

// 前回の作業: the work closed tabs left, newest first. The id of the draft to go on with, or null
// for a new listing (the others stay kept for next time).
export function chooseDraft(drafts) {
  const name = (d) => (d.file ? d.file.split('/').pop() : '無題');
  const when = (d) => (d.when ? new Date(d.when).toLocaleString('ja-JP') : '');
  let pick = drafts[0].id;  // 続ける goes on with the newest
  const list = el('div', { class: 'box-text drafts', role: 'list' }, drafts.map((d) => {
    const b = el('button', { type: 'button', class: 'draft', 'data-draft': d.id,
      text: `${name(d)}${d.words ? `「${d.words}」` : ''}${d.modified ? '（保存していない変更あり）' : ''}　${when(d)}` });
    b.addEventListener('click', () => { pick = d.id; b.closest('dialog').querySelector('[data-key="go"]').click(); });
    return b;
  }));
  const body = el('div', { class: 'box-body question' }, [
    el('div', { class: 'box-text', text: '閉じたタブの作業が残っています。続ける作業を選んでください。' +
      '（続けるで一番新しい作業を続けます。選ばなかった作業は、次に開いたときにもまた選べます。）' }), list]);
  return modal('dlgDrafts', '前回の作業', body,
    [['続ける', () => pick, 'go'], ['新しく始める', () => null, 'new']], null);
}

// A menu under `anchor` with `items` ([caption, title, action] or a caption alone, shown
// greyed); closes on a choice, Escape or a click elsewhere.
export function showMenu(anchor, items) {
  document.getElementById('mnuPopup')?.remove();
  const menu = el('div', { id: 'mnuPopup', class: 'menu', role: 'menu' });
  const close = () => {
    menu.remove();
    document.removeEventListener('pointerdown', outside, true);
  };
  const outside = (e) => { if (!menu.contains(e.target) && e.target !== anchor) close(); };
  for (const item of items) {
    const [caption, title, action] = Array.isArray(item) ? item : [item];
    const b = el('button', { type: 'button', role: 'menuitem', text: caption, title: title || '' });
    if (action) b.addEventListener('click', () => { close(); action(); });
    else b.disabled = true;
    menu.append(b);
  }
  menu.addEventListener('keydown', (e) => {
    if (e.key === 'Escape') {
      close();
      anchor.focus();
    }
  });
  const r = anchor.getBoundingClientRect();
  menu.style.left = `${r.left + window.scrollX}px`;
  menu.style.top = `${r.bottom + window.scrollY}px`;
  document.body.append(menu);
  document.addEventListener('pointerdown', outside, true);
  menu.querySelector('button:not([disabled])')?.focus();
}
