// A preview of the listing's page. What buyers see runs nothing here: the page is shown in a
// frame sandboxed without scripts, forms, pop-ups, navigation of this page or our origin.
//
// Such a frame cannot be asked where it is scrolled, and each new page would start at the top.
// So the frame is as tall as its page and the box around it scrolls: the seller's place is the
// box's, and a new page does not move it. The page's height is measured in a second, hidden
// frame, sandboxed the same way but readable by us (same origin, still no scripts).
import { el } from './binder.js';

export class LivePreview {
  constructor(scrollBox, frame) {
    this.box = scrollBox;
    this.frame = frame;
    this.measure = el('iframe', { sandbox: 'allow-same-origin', 'aria-hidden': 'true',
      tabindex: '-1', class: 'measure', title: '' });
    document.body.append(this.measure);
    this.html = null;
    this.height = 0;
    this.measure.addEventListener('load', () => this.measured());
    new ResizeObserver(() => this.remeasure()).observe(scrollBox);
    this.onMeasured = null;  // told the measured document (the preview window checks images)
  }

  // Shows the page; resolves once the frame has loaded it.
  show(html) {
    this.html = html;
    const loaded = new Promise((resolve) => {
      this.frame.addEventListener('load', () => resolve(performance.now()), { once: true });
    });
    this.frame.srcdoc = html;
    this.remeasure();
    return loaded;
  }

  remeasure() {
    if (this.html === null) return;
    const width = this.frame.clientWidth || this.box.clientWidth;
    this.measure.style.width = `${width}px`;
    this.measure.style.height = `${this.box.clientHeight}px`;
    this.measure.srcdoc = this.html;
  }

  measured() {
    const doc = this.measure.contentDocument;
    if (!doc || !doc.documentElement) return;
    const h = Math.max(doc.documentElement.scrollHeight, doc.body ? doc.body.scrollHeight : 0);
    // Never shorter than the box, so that a page's 100% heights mean the same as on the desktop.
    const height = Math.max(h, this.box.clientHeight);
    if (height !== this.height) {
      this.height = height;
      this.frame.style.height = `${height}px`;
    }
    if (this.onMeasured) this.onMeasured(doc);
  }
}
