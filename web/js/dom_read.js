// Reading and replacing a listing's document as the browser built it, never as the listing would
// have it: through the prototypes' own getters and methods, so that <img name="body"> or
// <img name="images"> (named elements shadow a document's properties) cannot change what is
// measured, checked or shown.
const getter = (proto, name) => Object.getOwnPropertyDescriptor(proto, name).get;

const documentElement = getter(Document.prototype, 'documentElement');
const body = getter(Document.prototype, 'body');
const images = getter(Document.prototype, 'images');
const scrollHeight = getter(Element.prototype, 'scrollHeight');
const getAttribute = Element.prototype.getAttribute;
const complete = getter(HTMLImageElement.prototype, 'complete');
const naturalWidth = getter(HTMLImageElement.prototype, 'naturalWidth');
const adoptNode = Document.prototype.adoptNode;
const replaceChild = Node.prototype.replaceChild;
const listen = EventTarget.prototype.addEventListener;
const querySelectorAll = Document.prototype.querySelectorAll;
const remove = Element.prototype.remove;

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

// Puts `parsed`'s whole tree in place of `doc`'s, in the same document (the frame keeps its
// size and nothing is loaded twice).
export function replaceDocument(doc, parsed) {
  replaceChild.call(doc, adoptNode.call(doc, documentElement.call(parsed)), documentElement.call(doc));
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
