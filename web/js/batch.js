// 一括作成… and デザインを選ぶ… in the browser: the same engine work as the desktop's (an
// offscreen copy of the listing, one job), with a file picker in and a download out. The job
// runs a few milliseconds at a time between frames, so the page keeps answering and キャンセル
// stops it at once, with nothing handed over.
import { el } from './binder.js';
import { showMessage } from './dialogs.js';
import { baseName } from './files.js';

const STEP_MS = 12;

function pickSheet() {
  return new Promise((resolve) => {
    const input = el('input', { type: 'file', accept: '.csv,.tsv,.txt,text/csv,text/plain',
      id: 'filBatch', hidden: '' });
    const done = (file) => { input.remove(); resolve(file); };
    input.addEventListener('change', () => done(input.files[0] || null));
    input.addEventListener('cancel', () => done(null));
    document.body.append(input);
    input.click();
  });
}

function dialog(id, title, body, buttons) {
  const d = el('dialog', { id, class: 'box wide', 'aria-label': title }, [
    el('div', { class: 'box-title', text: title }), body,
    el('div', { class: 'box-buttons' }, buttons),
  ]);
  document.body.append(d);
  return d;
}

// The mapping: a choice of section over every column, the first rows below.
// The rules (which column takes a section, the file-name column, how much of a cell shows) are
// the engine's: `engine` answers them as it answers the window's.
function askMapping(name, sheet, engine) {
  return new Promise((resolve) => {
    const all = sheet.targets;
    const selects = sheet.headers.map((h, c) => {
      const s = el('select', { 'aria-label': `${h} を入れる欄`, 'data-column': String(c) },
        [el('option', { value: '', text: '（使わない）' }), ...all.map((t) => el('option', { value: t, text: t }))]);
      s.value = sheet.mapped[c] || '';
      return s;
    });
    const make = el('button', { type: 'button', id: 'cmdBatchMake', text: '作成' });
    const none = el('span', { class: 'label' });
    const update = () => {
      const any = selects.some((s) => s.value);
      make.disabled = !any;
      none.textContent = any ? '' : '入れる欄を1つ以上選んでください';
    };
    selects.forEach((s, c) => {
      s.addEventListener('change', () => {
        const kept = JSON.parse(engine.keepTargetIn(selects.map((o) => o.value), c));
        selects.forEach((o, i) => { o.value = kept[i]; });
        update();
      });
    });
    const table = el('table', { class: 'sheet' }, [
      el('thead', {}, [el('tr', {}, sheet.headers.map((h) => el('th', { text: h }))),
        el('tr', {}, selects.map((s) => el('th', {}, [s])))]),
      el('tbody', {}, sheet.rows.map((r) => el('tr', {}, r.map((cell) =>
        el('td', { text: cell.replace(/\n/g, '↵').slice(0, sheet.shownCellChars), title: cell.slice(0, sheet.cellTipChars) }))))),
    ]);
    const header = el('input', { type: 'text', id: 'txtBatchHeader', value: sheet.defaultHeader });
    // Bulk-listing tools want the description in a column of their own.
    const target = el('select', { id: 'cmbBatchReplace' }, [el('option', { value: '-1', text: '新しい列を追加する' }),
      ...sheet.headers.map((h, c) => el('option', { value: String(c), text: `「${h}」列に入れる` }))]);
    // What the engine decided between columns that wanted the same section, and what it says of
    // the headers (one on two columns, the added one equal to one the sheet has).
    const notes = el('div', { class: 'box-text batch-notes', id: 'lblBatchNotes', role: 'status' });
    const showNotes = () => {
      const added = target.value === '-1' ? (header.value || sheet.defaultHeader) : '';
      const all = [...sheet.notes, ...JSON.parse(engine.headerNotes(added))];
      notes.replaceChildren(...all.map((n) => el('div', { text: n })));
      notes.hidden = !all.length;
    };
    target.addEventListener('change', () => { header.disabled = target.value !== '-1'; showNotes(); });
    header.addEventListener('input', showNotes);
    const html = el('input', { type: 'checkbox', id: 'chkBatchHtml' });
    const nameColumn = el('select', { id: 'cmbBatchName', disabled: '' },
      [el('option', { value: '-1', text: '（行番号）' }),
        ...sheet.headers.map((h, c) => el('option', { value: String(c), text: h }))]);
    nameColumn.value = String(sheet.nameColumn);
    html.addEventListener('change', () => { nameColumn.disabled = !html.checked; });
    const body = el('div', { class: 'box-body' }, [
      el('div', { class: 'box-text', text: 'どの列をどの欄に入れるか選んでください（見出しが欄の名前や欄の見出しと同じ列は選んであります）。選ばなかった欄は今の見出しと本文のままです。改行は貼り付けたときと同じく <BR> になります。' }),
      notes,
      el('div', { class: 'sheet-scroll' }, [table]),
      el('div', { class: 'row' }, [el('label', {}, ['説明を入れる列 ', target]),
        el('label', {}, [' 追加する列の見出し ', header])]),
      el('div', { class: 'row' }, [el('label', {}, [html, ' 1行ずつHTMLファイルも作る']),
        el('label', {}, [' ファイル名にする列 ', nameColumn])]),
    ]);
    const cancel = el('button', { type: 'button', text: 'キャンセル' });
    const d = dialog('dlgBatch', `一括作成 — ${name}`, body, [none, make, cancel]);
    const finish = (value) => { d.close(); d.remove(); resolve(value); };
    make.addEventListener('click', () => finish({
      columns: selects.map((s) => s.value),
      header: header.value || sheet.defaultHeader,
      nameColumn: html.checked ? Number(nameColumn.value) : -2,
      replaceColumn: Number(target.value),
    }));
    cancel.addEventListener('click', () => finish(null));
    d.addEventListener('cancel', (e) => { e.preventDefault(); finish(null); });
    update();
    showNotes();
    d.showModal();
  });
}

// Steps the job between frames; false when キャンセル was pressed. The sheet's bytes and the
// .html files made in each step are taken into `parts` and `pages`, out of the engine's memory
// (which never shrinks). Resolves with true when made, false when cancelled, or the error the
// engine found.
function runWithProgress(session, parts, pages) {
  return new Promise((resolve) => {
    const bar = el('progress', { id: 'prgBatch' });
    const text = el('div', { class: 'box-text', text: '表を読んでいます…' });
    const cancel = el('button', { type: 'button', id: 'cmdBatchCancel', text: 'キャンセル' });
    const d = dialog('dlgBatchProgress', '一括作成', el('div', { class: 'box-body' }, [text, bar]), [cancel]);
    let stopped = false;
    const finish = (ok) => { d.close(); d.remove(); resolve(ok); };
    cancel.addEventListener('click', () => { stopped = true; session.batchCancel(); finish(false); });
    d.addEventListener('cancel', (e) => { e.preventDefault(); cancel.click(); });
    d.showModal();
    const tick = () => {
      if (stopped) return;
      let r;
      try {
        r = JSON.parse(session.batchStep(STEP_MS));
      } catch (e) {
        // The engine could not go on (out of memory, say): the job is over, nothing handed over.
        session.batchCancel();
        return finish(`${e && e.message ? e.message : e}`);
      }
      if (r.error) return finish(r.error);
      const made = session.batchTake();
      if (made.length) parts.push(made);
      pages.push(...session.batchTakePages());
      if (!r.reading) {
        bar.max = r.rows || 1;
        bar.value = r.done;
        text.textContent = `説明を作っています… ${r.done} / ${r.rows} 行`;
      }
      if (r.finished) finish(true);
      else setTimeout(tick, 0);
    };
    setTimeout(tick, 0);
  });
}

// `bytes`: one array of bytes, or the parts of one.
function download(bytes, name) {
  const url = URL.createObjectURL(new Blob(Array.isArray(bytes) ? bytes : [bytes], { type: 'application/octet-stream' }));
  const a = el('a', { href: url, download: name });
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

// The pages ({name, bytes}) into a folder the seller picks, where the browser allows it; else
// one download each.
async function deliverPages(pages) {
  if (!pages.length) return;
  let dir = null;
  if (typeof window.showDirectoryPicker === 'function') {
    dir = await window.showDirectoryPicker({ mode: 'readwrite' }).catch(() => null);
    if (!dir) return;  // the seller chose no folder: no file after file of downloads instead
  }
  for (const { name, bytes } of pages) {
    if (dir) {
      const handle = await dir.getFileHandle(name, { create: true });
      const w = await handle.createWritable();
      await w.write(bytes);
      await w.close();
    } else {
      download(bytes, name);
    }
  }
}

function showSummary(result, outputName) {
  const list = el('ul', { class: 'findings', id: 'lstBatchFindings' }, result.findings.map((f) =>
    el('li', { text: `${f.row ? `${f.row}行目` : '全行共通'}: ${f.text}` })));
  const close = el('button', { type: 'button', text: '閉じる' });
  const d = dialog('dlgBatchSummary', '一括作成', el('div', { class: 'box-body' }, [
    el('div', { class: 'box-text', id: 'lblBatchSummary', text: `${result.summary}\n保存しました: ${outputName}` }),
    result.findings.length ? list : null,
  ]), [close]);
  return new Promise((resolve) => {
    const finish = () => { d.close(); d.remove(); resolve(); };
    close.addEventListener('click', finish);
    d.addEventListener('cancel', (e) => { e.preventDefault(); finish(); });
    d.showModal();
  });
}

const fail = (text) => showMessage({ title: 'Bidquill', icon: 'warning',
  text: `一括作成できませんでした。\r\n${text}\r\n\r\n何も書き込んでいません。` });

// The sheet and what was made from it leave the engine's memory once handed over.
function forget(engine, path) {
  const FS = engine.FS;
  if (!FS.analyzePath(path).exists) return;
  if (FS.isDir(FS.stat(path).mode)) {
    for (const name of FS.readdir(path)) if (name !== '.' && name !== '..') forget(engine, `${path}/${name}`);
    FS.rmdir(path);
  } else {
    FS.unlink(path);
  }
}

export async function startBatch(engine) {
  const file = await pickSheet();
  if (!file) return undefined;
  try {
    return await runBatch(engine, file);
  } finally {
    forget(engine, '/batch/in');
    forget(engine, '/batch/out');
  }
}

async function runBatch(engine, file) {
  const session = engine.session;
  for (const dir of ['/batch', '/batch/in', '/batch/out']) {
    if (!engine.FS.analyzePath(dir).exists) engine.FS.mkdir(dir);
  }
  const input = `/batch/in/${baseName(file.name).replace(/[\0]/g, '_') || 'items.csv'}`;
  engine.writeFile(input, new Uint8Array(await file.arrayBuffer()));
  const sheet = JSON.parse(session.batchSheet(input));
  if (sheet.error) return fail(`${file.name}\r\n${sheet.error}`);
  const choice = await askMapping(file.name, sheet, {
    headerNotes: (added) => session.batchHeaderNotes(added),
    keepTargetIn: (columns, column) => session.batchKeepTargetIn(columns, column),
  });
  if (!choice) return undefined;
  const started = JSON.parse(session.batchStart(input, choice.columns, choice.header, choice.nameColumn,
    choice.replaceColumn));
  if (started.error) return fail(`${file.name}\r\n${started.error}`);
  const parts = [];
  const pages = [];
  const ran = await runWithProgress(session, parts, pages);
  if (typeof ran === 'string') return fail(`${file.name}\r\n${ran}`);
  if (!ran) {
    return showMessage({ title: 'Bidquill', icon: 'information', text: '一括作成をキャンセルしました。何も書き込んでいません。' });
  }
  const output = `/batch/out/${sheet.outputName.replace(/[/\\\0]/g, '_')}`;
  const result = JSON.parse(session.batchFinish(output));
  if (result.error) return fail(result.error);
  download(parts, sheet.outputName);
  await deliverPages(pages);
  return showSummary(result, sheet.outputName);
}

// The gallery: every design as two small pictures of the seller's own listing, as a computer
// shows it and as a phone lays it out (375 CSS px). The frames run no script and reach nothing
// of the page (sandbox without allow-scripts or allow-same-origin), and take neither the focus
// nor the mouse: each card's button is what Tab reaches, in reading order, and Enter takes it.
export function chooseDesign(engine, run) {
  const { intro, designs } = JSON.parse(engine.session.designs());
  if (!designs.length) {
    return showMessage({ title: 'Bidquill', icon: 'warning', text: 'デザインが見つかりません。ページを読み込み直してください。' });
  }
  return new Promise((resolve) => {
    let d;
    const finish = (file) => { d.close(); d.remove(); resolve(file ? run(['open-design', file]) : null); };
    const sample = (s, kind, caption) => {
      const frame = el('iframe', { class: `design-sample ${kind}`, sandbox: '', referrerpolicy: 'no-referrer',
        title: `${s.name}（${caption}）`, tabindex: '-1', 'aria-hidden': 'true' });
      frame.srcdoc = s.page;
      return el('figure', { class: 'design-frame' }, [el('div', { class: 'design-view' }, [frame]),
        el('figcaption', { text: caption })]);
    };
    const cards = designs.map((s) => {
      const use = el('button', { type: 'button', class: 'design-use', text: 'このデザインにする', 'data-design': s.name,
        'aria-label': `このデザインにする（${s.name}）` });
      use.disabled = Boolean(s.error);
      use.addEventListener('click', () => finish(s.file));
      const pictures = s.error ? el('div', { class: 'box-text', text: s.error })
        : el('div', { class: 'design-pictures' }, [sample(s, 'computer', 'パソコン'), sample(s, 'phone', 'スマートフォン')]);
      const card = el('div', { class: 'design-card', role: 'group', 'aria-label': s.name },
        [el('div', { class: 'design-name', text: s.name }), pictures, use]);
      // A click on the pictures takes the card as a click on its button does.
      card.addEventListener('dblclick', () => { if (!use.disabled) finish(s.file); });
      return card;
    });
    const cancel = el('button', { type: 'button', text: 'キャンセル' });
    cancel.addEventListener('click', () => finish(null));
    d = dialog('dlgGallery', 'デザインを選ぶ', el('div', { class: 'box-body' }, [
      el('div', { class: 'box-text', text: intro }),
      el('div', { class: 'design-grid' }, cards),
    ]), [cancel]);
    d.addEventListener('cancel', (e) => { e.preventDefault(); finish(null); });
    d.showModal();
    d.querySelector('.design-use:not(:disabled)')?.focus({ preventScroll: true });
  });
}
