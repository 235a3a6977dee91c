// A preview of the listing's page. What buyers see runs nothing here: the page is shown in a
// frame sandboxed without scripts, forms, navigation of this page or our origin. A link the
// seller clicks opens in a tab of its own, as the desktop opens it in the browser: the page
// is given a <base target="_blank"> (only here; the copied HTML is the engine's), the frame
// may open such tabs, and the frame itself is never navigated (frame-src 'none').
//
// Such a frame cannot be asked where it is scrolled, and each new page would start at the top.
// So the frame is as tall as its page and the box around it scrolls: the seller's place is the
// box's, and a new page does not move it. The page's height is measured in a second, hidden
// frame, sandboxed the same way but readable by us (same origin, still no scripts).
import { el } from './binder.js';
import { pageHeight } from './dom_read.js';

const LINKS_OPEN_TABS = '<base target="_blank">';

export class LivePreview {
  constructor(scrollBox, frame) {
    this.box = scrollBox;
    this.frame = frame;
    this.measure = el('iframe', { sandbox: 'allow-same-origin', 'aria-hidden': 'true',
      tabindex: '-1', class: 'measure', title: '' });
    document.body.append(this.measure);
    this.html = null;
    this.height = 0;
    this.measuring = false;  // a page is being measured
    this.stale = false;      // the page shown has not been measured yet
    this.onMeasured = null;  // told the measured document (the preview window checks images)
    // While the frame loads a page, newer pages wait and only the newest is loaded next: a
    // new srcdoc would cancel the load, and quick typing would show nothing until it paused.
    this.loading = false;
    this.waiting = null;
    this.frame.addEventListener('load', () => {
      if (!this.loading && this.html !== null) {
        // The frame left the page by itself (a link with a target of its own, which the
        // policy refuses): the page is shown again.
        this.load(this.html);
        return;
      }
      this.loading = false;
      if (this.waiting !== null) {
        const next = this.waiting;
        this.waiting = null;
        this.load(next);
      } else {
        // Measuring waits for the shown page, so that it never delays what the seller sees.
        this.remeasure();
      }
    });
    this.measure.addEventListener('load', () => this.measured());
    new ResizeObserver(() => { this.stale = true; this.remeasure(); }).observe(scrollBox);
  }

  show(html) {
    this.html = html;
    this.stale = true;
    // A load that never ended (it should not happen) does not hold the preview for long.
    if (this.loading && performance.now() - this.loadStarted < 2000) this.waiting = html;
    else this.load(html);
  }

  load(html) {
    this.loading = true;
    this.loadStarted = performance.now();
    this.frame.srcdoc = LINKS_OPEN_TABS + html;
  }

  remeasure() {
    if (this.html === null || this.measuring || !this.stale) return;
    this.measuring = true;
    this.stale = false;
    this.measure.style.width = `${this.frame.clientWidth || this.box.clientWidth}px`;
    this.measure.style.height = `${this.box.clientHeight}px`;
    this.measure.srcdoc = LINKS_OPEN_TABS + this.html;
  }

  measured() {
    this.measuring = false;
    const doc = this.measure.contentDocument;
    if (doc) {
      const h = pageHeight(doc);
      // Never shorter than the box, so that a page's 100% heights mean what they mean on the
      // desktop.
      const height = Math.max(h, this.box.clientHeight);
      if (height !== this.height) {
        this.height = height;
        this.frame.style.height = `${height}px`;
      }
      if (this.onMeasured) this.onMeasured(doc);
    }
    this.remeasure();
  }
}
