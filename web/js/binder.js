// Makes the element for an engine control and keeps the two in step, as the desktop binder
// does: the seller's input goes to the control (whose handlers do the work), values the engine
// sets come back to the element. Each element carries the control's name as its id. No rule
// lives here.

export function el(tag, attrs = {}, children = []) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) {
    if (k === 'class') e.className = v;
    else if (k === 'text') e.textContent = v;
    else e.setAttribute(k, v);
  }
  for (const c of [].concat(children)) if (c) e.append(c);
  return e;
}

// 0x00BBGGRR, as the engine keeps colours, to CSS "#rrggbb" and back.
export function cssColour(n) {
  const r = n & 0xff, g = (n >> 8) & 0xff, b = (n >> 16) & 0xff;
  return `#${[r, g, b].map((v) => v.toString(16).padStart(2, '0')).join('')}`;
}
export function colourNumber(css) {
  const v = parseInt(css.slice(1), 16);
  return ((v & 0xff) << 16) | (v & 0xff00) | ((v >> 16) & 0xff);
}

// Characters (code points), as the engine counts them, against the UTF-16 units of the DOM.
export function charIndex(text, utf16) {
  let n = 0;
  for (let i = 0; i < utf16 && i < text.length; i++) {
    const c = text.charCodeAt(i);
    if (c < 0xdc00 || c > 0xdfff || i === 0 || text.charCodeAt(i - 1) < 0xd800 ||
        text.charCodeAt(i - 1) > 0xdbff) n++;
  }
  return n;
}
export function utf16Index(text, chars) {
  let i = 0;
  for (let n = 0; n < chars && i < text.length; n++) {
    const c = text.charCodeAt(i);
    i += c >= 0xd800 && c <= 0xdbff && i + 1 < text.length ? 2 : 1;
  }
  return i;
}

// Replaces the box's text by the engine's through the browser's own editing, so that one undo
// takes the change back (setting .value would empty the undo history).
function editInto(box, after, caret) {
  const before = box.value;
  let head = 0;
  while (head < before.length && head < after.length && before[head] === after[head]) head++;
  let tail = 0;
  while (tail < before.length - head && tail < after.length - head &&
         before[before.length - 1 - tail] === after[after.length - 1 - tail]) tail++;
  box.focus();
  box.setSelectionRange(head, before.length - tail);
  const inserted = after.slice(head, after.length - tail);
  if (!document.execCommand('insertText', false, inserted) || box.value !== after) {
    box.value = after;
  }
  box.setSelectionRange(caret, caret);
}

// From this length on, a box tells the engine what changed rather than its whole text.
const LONG_TEXT = 10_000;

const isHigh = (c) => c >= 0xd800 && c <= 0xdbff;
const isLow = (c) => c >= 0xdc00 && c <= 0xdfff;

// What turned `before` into `after`: the action that removes what lies between the two texts'
// common start and common end and puts the new text there (never half a surrogate pair).
function edit(name, before, after) {
  const most = Math.min(before.length, after.length);
  let start = 0;
  while (start < most && before.charCodeAt(start) === after.charCodeAt(start)) start++;
  if (start > 0 && isHigh(before.charCodeAt(start - 1))) start--;
  let end = 0;
  while (end < most - start &&
    before.charCodeAt(before.length - 1 - end) === after.charCodeAt(after.length - 1 - end)) end++;
  if (end > 0 && isLow(before.charCodeAt(before.length - end))) end--;
  return ['edit', name, String(start), String(before.length - start - end),
    after.slice(start, after.length - end)];
}

export class Binder {
  // `controls`: the engine's controls (their state) by name; `run(args)`: runs an action
  // through the engine.
  constructor(controls, run, pastedText) {
    this.controls = controls;
    this.run = run;
    this.pastedText = pastedText;
    this.updaters = new Map();
    this.editing = null;  // the box whose Enter or paste the engine is handling
    this.typed = '';      // the text last sent by a box
  }

  control(name) {
    const s = this.controls.get(name);
    if (!s) throw new Error(`no control ${name}`);
    return s;
  }

  // Values the engine changed; the element that sent them keeps its caret. A box that holds
  // just what was typed into it comes back without its text.
  update(control) {
    if (control.asTyped) control.text = this.typed;
    this.controls.set(control.name, control);
    const u = this.updaters.get(control.name);
    if (u) u(control);
  }

  on(name, update) {
    this.updaters.set(name, update);
    update(this.control(name));
  }

  textInput(e, name) {
    const send = () => {
      const before = this.control(name).text;
      this.typed = e.value;
      this.run(before.length >= LONG_TEXT ? edit(name, before, this.typed) : ['type', name, this.typed]);
    };
    e.addEventListener('input', (ev) => { if (!ev.isComposing) send(); });
    // The box's own undo (its menu, a key of the system's) would undo apart from the listing's.
    e.addEventListener('beforeinput', (ev) => {
      if (ev.inputType !== 'historyUndo' && ev.inputType !== 'historyRedo') return;
      ev.preventDefault();
      this.run([ev.inputType === 'historyUndo' ? 'undo' : 'redo']);
    });
    e.addEventListener('compositionend', send);
    this.on(name, (s) => {
      // Only what changed: setting even the same value makes the browser lay out a long text
      // again, seconds for a body of megabytes.
      if (e.readOnly !== s.readOnly) e.readOnly = s.readOnly;
      if (s.toolTip && e.title !== s.toolTip) e.title = s.toolTip;
      if (e !== this.editing && e.value !== s.text) e.value = s.text;
    });
  }

  line(name) {
    const e = el('input', { id: name, type: 'text', autocomplete: 'off', spellcheck: 'false' });
    this.textInput(e, name);
    return e;
  }

  // A multi-line title or body box; Enter and pasting go through the engine's line-break rule.
  area(name, lines) {
    const e = el('textarea', { id: name, rows: String(lines), spellcheck: 'false' });
    this.textInput(e, name);
    e.addEventListener('keydown', (ev) => {
      if (ev.key !== 'Enter' || ev.isComposing || ev.keyCode === 229 || ev.shiftKey ||
          ev.ctrlKey || ev.altKey || ev.metaKey) return;
      ev.preventDefault();
      const text = e.value;
      const start = charIndex(text, e.selectionStart);
      const end = charIndex(text, e.selectionEnd);
      this.run(['select', name, String(start), String(end - start)]);
      this.editing = e;
      try {
        this.run(['key', name, 'Enter']);
      } finally {
        this.editing = null;
      }
      const s = this.control(name);
      editInto(e, s.text, utf16Index(s.text, s.selStart + s.selLength));
    });
    e.addEventListener('paste', (ev) => {
      const text = ev.clipboardData && ev.clipboardData.getData('text/plain');
      if (!text) return;
      ev.preventDefault();
      document.execCommand('insertText', false, this.pastedText(name, text));
    });
    return e;
  }

  check(name) {
    const box = el('input', { id: name, type: 'checkbox' });
    const label = el('label', { class: 'check' }, [box, el('span', { text: this.control(name).caption })]);
    box.addEventListener('click', () => {
      this.run(['click', name]);
      box.checked = this.control(name).value === '1';
    });
    this.on(name, (s) => {
      box.checked = s.value === '1';
      box.indeterminate = s.value === '2';
    });
    return label;
  }

  combo(name) {
    const e = el('select', { id: name });
    e.addEventListener('change', () => this.run(['choose', name, String(e.selectedIndex)]));
    let items = null;
    this.on(name, (s) => {
      if (s.idleText) e.title = s.idleText;
      const key = JSON.stringify(s.items);
      if (key !== items) {
        items = key;
        e.replaceChildren(...s.items.map((t) => el('option', { text: t })));
      }
      e.selectedIndex = s.index;
    });
    return e;
  }

  option(name) {
    const radio = el('input', { id: name, type: 'radio' });
    radio.addEventListener('click', () => {
      this.run(['click', name]);
      radio.checked = this.control(name).value === '1';
    });
    this.on(name, (s) => { radio.checked = s.value === '1'; });
    return el('label', { class: 'check' }, [radio, el('span', { text: this.control(name).caption })]);
  }

  toggle(name) {
    const e = el('button', { id: name, type: 'button', class: 'toggle', text: this.control(name).caption });
    e.addEventListener('click', () => this.run(['click', name]));
    this.on(name, (s) => e.setAttribute('aria-pressed', s.value === '1' ? 'true' : 'false'));
    return e;
  }

  // A push button; colour buttons show their colour as a swatch.
  button(name) {
    const s = this.control(name);
    const e = el('button', { id: name, type: 'button' });
    const swatch = s.colour ? el('span', { class: 'swatch' }) : null;
    e.append(...[swatch, s.caption].filter(Boolean));
    e.addEventListener('click', () => this.run(['click', name]));
    e.disabled = s.enabled === false;
    this.on(name, (u) => {
      if (swatch) swatch.style.background = cssColour(u.swatch);
      if (e.disabled !== (u.enabled === false)) e.disabled = u.enabled === false;
    });
    return e;
  }

  // A width or height box with its arrows.
  dimension(name) {
    const input = this.line(name);
    input.classList.add('dimension');
    input.addEventListener('change', () => this.run(['leave', name]));
    const normalTip = this.control(name).toolTip;
    const spin = this.control(name).spin;
    const arrows = el('span', { class: 'arrows', id: spin });
    for (const [dir, label] of [[1, '▲'], [-1, '▼']]) {
      const b = el('button', { type: 'button', id: `${spin}${dir > 0 ? 'Up' : 'Down'}`, text: label,
        tabindex: '-1', 'aria-label': dir > 0 ? '増やす' : '減らす' });
      b.addEventListener('click', () => this.run(['spin', spin, String(dir)]));
      arrows.append(b);
    }
    const update = this.updaters.get(name);
    this.updaters.set(name, (s) => {
      update(s);
      // Text the box refuses is framed red, and the tooltip says what it takes.
      input.classList.toggle('refused', !!s.refused);
      input.title = s.refused ? `${normalTip}\n${s.range}` : normalTip;
    });
    return el('span', { class: 'dimension-box' }, [input, arrows]);
  }
}
