// Reading and updating a shown listing's document, for both front ends: the browser imports this
// module; the desktop loads the same file into its preview's own script world (exports become
// the members of one object there, so a module here imports nothing).
//
// Everything is read and called through the prototypes' own getters and methods, never as the
// listing would have it: <img name="body"> or <img name="images"> (named elements shadow a
// document's properties) and a form's fields (they shadow the form's) cannot change what is
// measured, checked or shown.
const getter = (proto, name) => Object.getOwnPropertyDescriptor(proto, name).get;
const reader = (proto, name) => {
  const get = getter(proto, name);
  return (o) => get.call(o);
};

const D = Document.prototype;
const N = Node.prototype;
const E = Element.prototype;
const documentElement = getter(D, 'documentElement');
const body = getter(D, 'body');
const images = getter(D, 'images');
const scrollingElement = getter(D, 'scrollingElement');
const scrollHeight = getter(E, 'scrollHeight');
const clientWidth = getter(E, 'clientWidth');
const complete = getter(HTMLImageElement.prototype, 'complete');
const naturalWidth = getter(HTMLImageElement.prototype, 'naturalWidth');
const childNodes = reader(N, 'childNodes');
const nodeType = reader(N, 'nodeType');
const nodeName = reader(N, 'nodeName');
const data = reader(CharacterData.prototype, 'data');
const { replaceData } = CharacterData.prototype;
const { getAttribute, getAttributeNames, hasAttribute, setAttribute, removeAttribute, remove } = E;
const { adoptNode, querySelectorAll } = D;
const { appendChild, replaceChild, insertBefore, removeChild, isEqualNode } = N;
const listen = EventTarget.prototype.addEventListener;

const ELEMENT = 1;
const TEXT = 3;
const COMMENT = 8;

export const rootOf = (doc) => documentElement.call(doc);

// The height of the page: the larger of the root's and the body's.
export function pageHeight(doc) {
  const root = documentElement.call(doc);
  if (!root) return 0;
  const b = body.call(doc);
  return Math.max(scrollHeight.call(root), b ? scrollHeight.call(b) : 0);
}

// The addresses of the images that ended without a picture.
export function brokenImageSources(doc) {
  return Array.prototype.filter.call(images.call(doc), (i) => complete.call(i) && naturalWidth.call(i) === 0)
    .map((i) => getAttribute.call(i, 'src')).filter(Boolean);
}

// The same once every image has finished, null while some still load (a page put in place is
// shown before its pictures arrive).
export function brokenImagesOnceLoaded(doc) {
  const all = Array.from(images.call(doc));
  return all.some((i) => !complete.call(i)) ? null : brokenImageSources(doc);
}

// What the window's vertical scroll bar takes of its width, in CSS pixels.
export function scrollBarWidth(win) {
  const root = documentElement.call(win.document);
  return root ? win.innerWidth - clientWidth.call(root) : 0;
}

// Tells `callback` whenever anything in the document finished loading or failed to (a picture,
// a style sheet), in capture: these events do not bubble.
export function onAnyLoad(doc, callback) {
  listen.call(doc, 'load', callback, true);
  listen.call(doc, 'error', callback, true);
}

// Takes out every element `selector` finds but the first (ours, put at the page's start).
export function keepOnlyFirst(doc, selector) {
  Array.prototype.slice.call(querySelectorAll.call(doc, selector), 1).forEach((e) => remove.call(e));
}

// What buyers' browsers do with a listing, and what keeps the preview to itself: <noscript> is
// hidden where scripts run (the buyers' browsers), an element's own referrer policy is taken out
// (no fetch says where the listing is made), and no link opens a window with a way back here.
export function asBuyersSeeIt(doc) {
  Array.prototype.forEach.call(querySelectorAll.call(doc, 'noscript'), (e) => remove.call(e));
  Array.prototype.forEach.call(querySelectorAll.call(doc, '[referrerpolicy]'),
    (e) => removeAttribute.call(e, 'referrerpolicy'));
  Array.prototype.forEach.call(querySelectorAll.call(doc, 'a, area, form'), (e) => {
    const rel = (getAttribute.call(e, 'rel') || '').split(/\s+/).filter((t) => t && !/^opener$/i.test(t));
    setAttribute.call(e, 'rel', [...rel, 'noopener', 'noreferrer'].join(' '));
  });
}

// A text or comment takes only the changed stretch: the browser lays out again what changed,
// and a long body's untouched text is not copied.
function updateText(shown, fresh) {
  const a = data(shown);
  const b = data(fresh);
  if (a === b) return;
  const most = Math.min(a.length, b.length);
  let head = 0;
  while (head < most && a.charCodeAt(head) === b.charCodeAt(head)) ++head;
  let tail = 0;
  while (tail < most - head && a.charCodeAt(a.length - 1 - tail) === b.charCodeAt(b.length - 1 - tail)) ++tail;
  replaceData.call(shown, head, a.length - head - tail, b.slice(head, b.length - tail));
}

function updateAttributes(shown, fresh) {
  for (const name of getAttributeNames.call(shown)) {
    if (!hasAttribute.call(fresh, name)) removeAttribute.call(shown, name);
  }
  for (const name of getAttributeNames.call(fresh)) {
    const v = getAttribute.call(fresh, name);
    if (getAttribute.call(shown, name) !== v) setAttribute.call(shown, name, v);
  }
}

function updateNode(doc, parent, shown, fresh) {
  const kind = nodeType(shown);
  if (kind === nodeType(fresh) && (kind === TEXT || kind === COMMENT)) {
    updateText(shown, fresh);
  } else if (kind === ELEMENT && nodeType(fresh) === ELEMENT && nodeName(shown) === nodeName(fresh)) {
    updateAttributes(shown, fresh);
    updateChildren(doc, shown, fresh);
  } else {
    replaceChild.call(parent, adoptNode.call(doc, fresh), shown);
  }
}

// Children are updated pairwise, so an unchanged one (a style sheet or picture) is never fetched
// or applied again. Where children came or went, or there are many (a long body's lines), those
// equal at both ends are found by the browser's own comparison and left as they are; those
// between are paired, the rest added or taken out. A few children (the table, row and cell
// around a body) are paired as they stand: comparing each first would walk the changed one
// again at every level above a change.
const MANY = 8;
function updateChildren(doc, shown, fresh) {
  const a = Array.from(childNodes(shown));
  const b = Array.from(childNodes(fresh));
  let head = 0;
  let tail = 0;
  if (a.length !== b.length || a.length > MANY) {
    while (head < a.length && head < b.length && isEqualNode.call(a[head], b[head])) ++head;
    // With as many on each side, the pair the first scan stopped at is known to differ.
    const known = a.length === b.length && head < a.length ? 1 : 0;
    while (tail < a.length - head - known && tail < b.length - head - known &&
           isEqualNode.call(a[a.length - 1 - tail], b[b.length - 1 - tail])) ++tail;
  }
  const oldMiddle = a.length - head - tail;
  const newMiddle = b.length - head - tail;
  const paired = Math.min(oldMiddle, newMiddle);
  for (let i = head; i < head + paired; ++i) updateNode(doc, shown, a[i], b[i]);
  const before = tail > 0 ? a[a.length - tail] : null;
  for (let i = head + paired; i < head + newMiddle; ++i) insertBefore.call(shown, adoptNode.call(doc, b[i]), before);
  for (let i = head + paired; i < head + oldMiddle; ++i) removeChild.call(shown, a[i]);
}

// Puts `fresh` (a parsed page, used up) into `doc` in place, changing only what differs.
export function updateDocument(doc, fresh) {
  const shown = documentElement.call(doc);
  const next = documentElement.call(fresh);
  if (!shown) {
    appendChild.call(doc, adoptNode.call(doc, next));
  } else if (nodeName(shown) === nodeName(next)) {
    updateAttributes(shown, next);
    updateChildren(doc, shown, next);
  } else {
    replaceChild.call(doc, adoptNode.call(doc, next), shown);
  }
}

// A page parsed inert: nothing in it runs or loads until it is put into a shown document.
export const parsePage = (html) => new DOMParser().parseFromString(html, 'text/html');

// A page's text changed by the engine's edits ([start, removed, inserted], in UTF-16 units),
// or null when one does not fit it (the page must then be taken whole).
export function applyEdits(text, edits) {
  for (const [start, removed, inserted] of edits) {
    if (start + removed > text.length) return null;
    text = text.slice(0, start) + inserted + text.slice(start + removed);
  }
  return text;
}

// A refresh the page asks for (<meta http-equiv="refresh">) is made a word browsers do not act
// on, its length kept: the desktop's preview shows a page and never leaves it.
function disarmRefresh(doc) {
  Array.prototype.forEach.call(querySelectorAll.call(doc, 'meta[http-equiv]'), (m) => {
    const v = getAttribute.call(m, 'http-equiv');
    const word = v.replace(/^[\t\n\f\r ]+|[\t\n\f\r ]+$/g, '');
    if (word.toLowerCase() === 'refresh') {
      const at = v.indexOf(word);
      setAttribute.call(m, 'http-equiv', `${v.slice(0, at)}x${v.slice(at + 1)}`);
    }
  });
}

// The text of the page last put into each of the desktop's documents.
const shownText = new WeakMap();

// The desktop's preview: the new page into the window's document, the seller's place kept; a
// preview kept at its bottom stays there, so a new last line is seen whole.
export function updateWindowPage(win, html) {
  const doc = win.document;
  const x = win.scrollX;
  const y = win.scrollY;
  let se = scrollingElement.call(doc);
  const atBottom = se && y > 0 && y + win.innerHeight >= scrollHeight.call(se) - 2;
  const fresh = parsePage(html);
  disarmRefresh(fresh);
  updateDocument(doc, fresh);
  shownText.set(doc, html);
  se = scrollingElement.call(doc);
  win.scrollTo(x, atBottom && se ? scrollHeight.call(se) : y);
}

// The same with the engine's edits to the page last put there; false when there is none or they
// do not fit it (the page must then be given whole).
export function editWindowPage(win, edits) {
  const before = shownText.get(win.document);
  const html = before === undefined ? null : applyEdits(before, edits);
  if (html === null) return false;
  updateWindowPage(win, html);
  return true;
}

// A loaded page to the seller's place, given in device pixels (the window scrolls in CSS
// pixels, which differ from them at a display scale other than 1).
export function scrollToDevicePixels(win, x, y) {
  win.scrollTo(x / win.devicePixelRatio, y / win.devicePixelRatio);
}
