// The main window, built from the engine's description of it: the same controls in the same
// groups, rows and columns as the desktop window, with the same words between them. Nothing of
// the layout lives here but how each kind of piece becomes elements.
import { el } from './binder.js';
import { tabList } from './tab_list.js';

// Pieces the caller makes itself (the window's own buttons), by name.
let commands;

const TEXT_LOOKS = new Set(['line', 'area', 'dimension']);

const FIELD = 'input,select,textarea,button';

function control(b, p) {
  const e = b[p.look](p.name, p.lines);
  if (p.look === 'line' && p.hint) e.placeholder = p.hint;
  // The name a screen reader speaks, where the description gives one, on what takes the focus.
  if (p.text) (e.matches(FIELD) ? e : e.querySelector(FIELD)).setAttribute('aria-label', p.text);
  return e;
}

// A column of a grid stretches when it holds a text box of its own (not one spanning columns).
function gridColumns(p) {
  const count = Math.max(...p.parts.map((c) => c.column + c.span));
  const flexible = Array.from({ length: count }, (_, i) => p.parts.some((c) =>
    c.column === i && c.span === 1 && c.kind === 'control' && TEXT_LOOKS.has(c.look)));
  return { flexible: flexible.some(Boolean),
    template: flexible.map((f) => (f ? 'minmax(4em, 1fr)' : 'auto')).join(' ') };
}

function grid(b, p) {
  const { flexible, template } = gridColumns(p);
  // Grids of buttons and choices flow onto more rows on a narrow screen; rows of boxes keep
  // their columns and narrow them.
  const e = el('div', { class: flexible ? 'grid fields' : 'grid loose', ...withName(p) });
  e.style.gridTemplateColumns = template;
  for (const part of p.parts) {
    const cell = build(b, part);
    cell.style.gridRow = String(part.row + 1);
    cell.style.gridColumn = `${part.column + 1} / span ${part.span}`;
    e.append(cell);
  }
  return e;
}

function tabs(b, p) {
  const bar = el('div', { class: 'tab-bar' });
  const holder = el('div', { class: 'tabs', id: p.name }, [bar]);
  const pages = p.parts.map((page) => build(b, page));
  const titles = p.parts.map((page) => el('button', { type: 'button', text: page.text }));
  bar.append(...titles);
  holder.append(...pages);
  tabList(bar, titles, pages);
  return holder;
}

const parts = (b, p) => p.parts.map((part) => build(b, part));
const withName = (p) => (p.name ? { id: p.name } : {});

function build(b, p) {
  switch (p.kind) {
    case 'control': return control(b, p);
    case 'label': return el('span', { class: 'label', text: p.text });
    case 'command': return commands(p);
    case 'gap': return el('span', { class: 'gap' });
    case 'stretch': return el('span', { class: 'stretch' });
    case 'line': return el('div', { class: 'row' }, parts(b, p));
    case 'strip': return el('div', { class: 'toolstrip-items' }, parts(b, p));
    case 'column': return el('div', { class: 'column', ...withName(p) }, parts(b, p));
    case 'page': return el('div', { class: 'tab-page', ...withName(p) }, parts(b, p));
    case 'grid': return grid(b, p);
    case 'group': return el('fieldset', { class: 'group', ...withName(p) },
      [el('legend', { text: p.text }), ...parts(b, p)]);
    // The style lines stand beside the text boxes, or under them on a narrow screen.
    case 'card': return el('fieldset', { class: 'card', id: p.name }, [
      el('legend', { text: p.text }), el('div', { class: 'card-grid' }, parts(b, p))]);
    case 'tabs': return tabs(b, p);
    default: throw new Error(`the window description has a piece of unknown kind ${p.kind}`);
  }
}

// The tool strip's pieces and the editing area's, from `window` (the engine's description);
// `makeCommand` makes the window's own buttons.
export function buildWindow(b, window, makeCommand) {
  commands = makeCommand;
  return { toolStrip: parts(b, window.toolStrip), editing: parts(b, window.editingArea) };
}
