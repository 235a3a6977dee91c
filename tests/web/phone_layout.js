// How a browser laid out a listing's page `width` px wide, read inside the page's document, and
// what in it a buyer would not want: on a phone, a page wider than the screen, a title beside
// its body, a body or the Yu-Pack zone list in a narrow column, a picture narrower than the
// screen's 80 % or out of its shape (the test pictures are 1200 × 900); on a computer, titles
// not beside their bodies or a page not 700–770 px wide. Chromium's and WebKit's tests both run
// it (as an expression whose value is this function).
(function phoneLayout(doc, width) {
  const view = doc.defaultView;
  const box = (e) => {
    const r = e.getBoundingClientRect();
    return { left: r.left, right: r.right, top: r.top, bottom: r.bottom, width: r.width, height: r.height };
  };
  const inner = (e) => {
    const s = view.getComputedStyle(e);
    return e.clientWidth - parseFloat(s.paddingLeft) - parseFloat(s.paddingRight);
  };
  const sections = doc.querySelector('tbody[style*="flex"]')?.parentElement;
  const rows = [...(sections?.querySelectorAll(':scope > tbody > tr') ?? [])].map((tr) => {
    const [title, body] = tr.children;
    return { title: box(title), body: box(body), bodyLine: inner(body) };
  });
  const zone = [...doc.querySelectorAll('td')].find((td) => td.textContent.startsWith('＜') && td.children.length < 20);
  const laid = { scroll: doc.documentElement.scrollWidth, table: sections ? box(sections) : null, rows,
    zone: zone ? inner(zone) : null, photos: [...doc.querySelectorAll('img.photo')].map(box), faults: [] };
  const fault = (ok, what) => { if (!ok) laid.faults.push(`${width} px: ${what}`); };
  fault(laid.scroll <= width, `the page is ${laid.scroll} px wide`);
  for (const p of laid.photos) {
    fault(Math.abs(p.width / p.height / (4 / 3) - 1) < 0.03, `a picture drawn ${p.width} × ${p.height}`);
    if (width < 600) fault(p.width >= 0.8 * width, `a picture ${p.width} px wide`);
  }
  if (!sections) return laid;
  if (width < 600) {
    for (const r of rows) {
      fault(r.title.bottom <= r.body.top + 0.5, 'a title beside its body');
      fault(r.bodyLine >= 0.8 * width, `a body's lines ${r.bodyLine} px`);
    }
    if (zone) fault(laid.zone >= 0.7 * width, `the zone list's lines ${laid.zone} px`);
  } else {
    fault(laid.table.width >= 700 && laid.table.width <= 770, `the page ${laid.table.width} px wide`);
    for (const r of rows) {
      fault(r.title.right <= r.body.left + 0.5 && Math.abs(r.title.top - r.body.top) < 0.5, 'a title above its body');
    }
  }
  return laid;
})
