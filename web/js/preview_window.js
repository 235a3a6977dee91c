// The preview window: the page inside the auction page mock-up, the HTML tab, the phone width,
// and the checks before listing with their mend button — as the desktop's frmWeb.
import { el } from './binder.js';
import { LivePreview } from './preview.js';
import { tabList } from './tab_list.js';

export class PreviewWindow {
  // `described`: the engine's description of the window (the phone widths on offer).
  constructor(fix, described) {
    const frame = el('iframe', { id: 'frmWebBrowser', title: 'プレビュー',
      sandbox: 'allow-same-origin allow-popups allow-popups-to-escape-sandbox',
      scrolling: 'no', referrerpolicy: 'no-referrer' });
    const scroll = el('div', { class: 'preview-scroll framed' }, [frame]);
    this.source = el('textarea', { id: 'rtxtTag', readonly: '', spellcheck: 'false' });
    const phone = el('input', { id: 'chkPhone', type: 'checkbox' });
    const phoneWidth = el('select', { id: 'cmbPhoneWidth', 'aria-label': 'スマートフォンの画面の幅', disabled: '' },
      described.phoneWidths.map((w) => el('option', { value: String(w), text: `${w}px` })));
    phoneWidth.value = String(described.commonPhoneWidth);
    const showPhone = () => {
      phoneWidth.disabled = !phone.checked;
      frame.classList.toggle('phone', phone.checked);
      frame.style.width = phone.checked ? `${phoneWidth.value}px` : '';
    };
    phone.addEventListener('change', showPhone);
    phoneWidth.addEventListener('change', showPhone);
    const pages = [['プレビュー', scroll], ['HTMLタグ', this.source]];
    // The list of tabs holds the tabs only; the phone check stands beside it.
    const tabs = el('div', { class: 'tabs' });
    const titles = pages.map(([title]) => el('button', { type: 'button', text: title }));
    pages.forEach(([title, page]) => page.setAttribute('aria-label', title));
    tabs.append(...titles);
    const bar = el('div', { class: 'tab-bar' }, [tabs]);
    bar.append(el('span', { class: 'stretch' }), el('label', { class: 'check',
      title: '購入者がスマートフォンで見る幅でページを表示します' },
    [phone, el('span', { text: 'スマートフォンの幅で見る' })]), phoneWidth);
    this.tabs = tabList(tabs, titles, pages.map(([, p]) => p));
    this.findings = el('ul', { id: 'lstChecks' });
    this.size = el('div', { id: 'lblPageSize' });
    this.fixButton = el('button', { id: 'cmdFixLessThan', type: 'button', text: '「<」を &lt; に書き換える',
      title: 'タグにならない「<」を「&lt;」と書き換え、HTMLタグをもう一度コピーします' });
    this.fixButton.addEventListener('click', fix);
    const panel = el('div', { id: 'pnlChecks', class: 'checks' }, [
      el('div', { class: 'checks-title', text: '出品前の確認' }), this.findings, this.fixButton, this.size,
    ]);
    const close = el('button', { type: 'button', class: 'close', text: '閉じる' });
    close.addEventListener('click', () => this.dialog.close());
    this.title = el('span', { text: 'Bidquill' });
    this.dialog = el('dialog', { id: 'frmWeb', class: 'preview-window', 'aria-label': 'Bidquill' }, [
      el('div', { class: 'box-title' }, [this.title, close]),
      el('div', { class: 'preview-body' }, [el('div', { class: 'tabWeb' }, [bar, ...pages.map(([, p]) => p)]), panel]),
    ]);
    document.body.append(this.dialog);
    this.preview = new LivePreview(scroll, frame);
    this.preview.onMeasured = () => this.renderReport(this.preview.brokenImages());
    this.report = null;
  }

  showPage(html) { this.preview.show(html); }
  setSourceText(text) { this.source.value = text; }

  showReport(report) {
    this.report = report;
    this.renderReport(this.preview.brokenImages());
  }

  renderReport(broken) {
    const r = this.report;
    if (!r) return;
    const lines = r.findings.concat(broken.map((src) =>
      `画像「${src}」を読み込めませんでした。アドレスを確かめてください。`));
    this.findings.replaceChildren(...(lines.length ? lines : ['問題は見つかりませんでした。'])
      .map((t) => el('li', { text: t })));
    this.fixButton.hidden = !r.fixable;
    this.size.textContent = r.size;
  }

  // "プレビュー - " and the window's title: which listing it shows.
  showListingTitle(title) {
    this.title.textContent = `プレビュー - ${title}`;
    this.dialog.setAttribute('aria-label', this.title.textContent);
  }

  showAndFocus() {
    if (!this.dialog.open) this.dialog.showModal();
  }
}
