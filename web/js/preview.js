// A preview of the listing's page. What buyers see runs nothing here: the page is shown in a
// frame sandboxed without scripts, forms or navigation of this page. A link the seller clicks
// opens in a tab of its own, as the desktop opens it in the browser: the page is given a
// <base target="_blank"> (only here; the copied HTML is the engine's), the frame may open such
// tabs, and the frame itself is never navigated (frame-src 'none').
//
// The frame shares our origin (allow-same-origin) so that each new page is put into its
// document in place, as the desktop does, instead of loading a new document per keystroke:
// the browser fetches a picture or style sheet once, only what changed is laid out again, and we
// read the page where it is shown (through shown_page.js, which nothing in the listing can
// shadow; the desktop puts its pages in place with the same module). No script
// of the listing runs in it, so sharing the origin gives the listing nothing.
//
// The frame is as tall as its page and the box around it scrolls: the seller's place is the
// box's, and a new page does not move it.
import {
  applyEdits, asBuyersSeeIt, brokenImageSources, keepOnlyFirst, onAnyLoad, pageHeight, parsePage, rootOf,
  updateDocument,
} from './shown_page.js';

// The head every shown page gets: links open tabs, and a fetched picture or style sheet does not
// say where the listing is being made (a referrer policy of the listing's own is taken out).
const HEAD = '<!DOCTYPE html><meta name="referrer" content="no-referrer"><base target="_blank">';

const LONG_PAGE = 200_000;  // characters
const PAUSE_MS = 300;

export class LivePreview {
  constructor(scrollBox, frame) {
    this.box = scrollBox;
    // The box scrolls the page: it takes the keyboard's focus so that arrows and Page Down can.
    scrollBox.tabIndex = 0;
    scrollBox.setAttribute('role', 'region');
    scrollBox.setAttribute('aria-label', 'プレビュー');
    this.frame = frame;
    this.html = null;
    this.doc = null;         // the frame's document, once our empty page is in it
    this.root = null;        // its root element, watched for changes of size
    this.height = 0;
    this.later = null;       // a long page waiting for a pause
    this.pending = false;    // a measure is asked for the next frame
    this.onMeasured = null;  // told the shown document (the preview window checks images)
    this.resize = new ResizeObserver(() => this.measureSoon());
    this.resize.observe(scrollBox);
    this.resize.observe(frame);
    frame.addEventListener('load', () => this.loaded());
    frame.srcdoc = HEAD;
  }

  loaded() {
    const doc = this.frame.contentDocument;
    if (!doc || doc.URL !== 'about:srcdoc') {
      // The frame left the page by itself (a link with a target of its own, which the policy
      // refuses): our empty page again, and the listing into it.
      this.doc = null;
      this.frame.srcdoc = HEAD;
      return;
    }
    this.doc = doc;
    // Pictures and style sheets change the page's height when they arrive.
    onAnyLoad(doc, () => this.measureSoon());
    if (this.html !== null) this.put();
  }

  show(html) {
    this.html = html;
    clearTimeout(this.later);
    if (!this.doc) return;
    // A long page takes the browser a while to lay out: it waits for a pause in the typing,
    // so that keys are never held up behind pages nobody will see.
    if (html.length > LONG_PAGE) this.later = setTimeout(() => this.put(), PAUSE_MS);
    else this.put();
  }

  // What changed since the page last shown (the engine's edits); the page is taken whole from
  // `whole` when there is none to change or the edits do not fit it.
  edit(edits, whole) {
    const html = this.html === null ? null : applyEdits(this.html, edits);
    this.show(html ?? whole());
  }

  put() {
    if (!this.doc) return;
    const parsed = parsePage(HEAD + this.html);
    keepOnlyFirst(parsed, 'meta[name="referrer" i]');
    asBuyersSeeIt(parsed);
    updateDocument(this.doc, parsed);
    // The page's root grows and shrinks with what arrives; one it replaced is let go.
    const root = rootOf(this.doc);
    if (root !== this.root) {
      if (this.root) this.resize.unobserve(this.root);
      this.root = root;
      this.resize.observe(root);
    }
    this.measure();
  }

  measureSoon() {
    if (this.pending) return;
    this.pending = true;
    requestAnimationFrame(() => {
      this.pending = false;
      this.measure();
    });
  }

  // Measured as tall as the box, so that a page's 100% heights mean what they mean on the
  // desktop, and never shorter than the box.
  measure() {
    if (!this.doc) return;
    const keep = this.box.scrollTop;
    const boxHeight = this.box.clientHeight;
    this.frame.style.height = `${boxHeight}px`;
    const height = Math.max(pageHeight(this.doc), boxHeight);
    this.frame.style.height = `${height}px`;
    this.box.scrollTop = keep;
    this.height = height;
    if (this.onMeasured) this.onMeasured(this.doc);
  }

  brokenImages() {
    return this.doc ? brokenImageSources(this.doc) : [];
  }
}
