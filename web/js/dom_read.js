// Reading a listing's document as the browser built it, never as the listing would have it:
// through the prototypes' own getters, so that <img name="body"> or <img name="images"> (named
// elements shadow a document's properties) cannot change what is measured or checked.
const getter = (proto, name) => Object.getOwnPropertyDescriptor(proto, name).get;

const documentElement = getter(Document.prototype, 'documentElement');
const body = getter(Document.prototype, 'body');
const images = getter(Document.prototype, 'images');
const scrollHeight = getter(Element.prototype, 'scrollHeight');
const getAttribute = Element.prototype.getAttribute;
const complete = getter(HTMLImageElement.prototype, 'complete');
const naturalWidth = getter(HTMLImageElement.prototype, 'naturalWidth');

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
