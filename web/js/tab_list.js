// A list of tabs as a screen reader and the keyboard expect it: one Tab stop (the shown tab),
// the arrow keys, Home and End move along the list and show the tab they reach.
export function tabList(list, tabs, pages, start = 0) {
  const show = (k) => {
    tabs.forEach((tab, i) => {
      tab.setAttribute('aria-selected', i === k ? 'true' : 'false');
      tab.tabIndex = i === k ? 0 : -1;
      pages[i].hidden = i !== k;
    });
  };
  tabs.forEach((tab, i) => {
    tab.setAttribute('role', 'tab');
    pages[i].setAttribute('role', 'tabpanel');
    tab.addEventListener('click', () => show(i));
  });
  list.setAttribute('role', 'tablist');
  list.addEventListener('keydown', (e) => {
    const at = tabs.indexOf(document.activeElement);
    if (at < 0) return;
    const to = { ArrowRight: at + 1, ArrowLeft: at - 1, Home: 0, End: tabs.length - 1 }[e.key];
    if (to === undefined) return;
    e.preventDefault();
    const k = (to + tabs.length) % tabs.length;
    show(k);
    tabs[k].focus();
  });
  show(start);
  return { show: (page) => show(pages.indexOf(page)) };
}
