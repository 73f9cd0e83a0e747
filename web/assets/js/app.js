// Entry module: builds the page tree, editor and toolbar, wires them to the window, and starts up.
import { api, setLeaving } from './api.js';
import { Backlinks } from './backlinks.js';
import { OPEN_BACKUP_ACTION, OPEN_BACKUP_LABEL, backupsFolder, watchBackups } from './backups.js';
import { confirmDialog, element, openDialog, showToast } from './dialogs.js';
import { Editor } from './editor.js';
import { createExport, pickSaveTarget, sanitizeFileName, writeTarget } from './export.js';
import { collectGarbage } from './images.js';
import { followPageLinks } from './page-links.js';
import { SearchResults } from './search-results.js';
import { clearHighlight, highlightMatches } from './search-text.js';
import { Toolbar } from './toolbar.js';
import { PageTree, displayTitle, isPageId, loadSidebarWidth, saveSidebarWidth } from './tree.js';

export const WELCOME_HTML = '<h2>Ferncard へようこそ</h2>' +
  '<p>左の一覧でページを追加・削除し、この右側で文字や画像を見たまま編集できます。編集内容は自動で保存されます。</p>' +
  '<ul><li>ページの追加は「新規ページ」、一覧の右クリックで子ページも作れます。</li>' +
  '<li>画像は貼り付け（Ctrl+V）やドラッグで追加し、クリックすると大きさを変えられます。</li>' +
  '<li>一覧の行はドラッグで並べ替えられます。</li></ul>';

const GC_DELAY_MS = 3000;
const MIN_SIDEBAR = 160;
const MAX_SIDEBAR_RATIO = 0.6;
const SPLITTER_STEP = 20;
const FILE_ERROR_TOAST_MS = 8000;
const EXPORT_DONE_TOAST_MS = 6000;
const EXPORTING_TOAST_MS = 60000;
const CLOSE_CHECK_MS = 500;

const $ = (id) => document.getElementById(id);
const ui = {
  fileBtn: $('fileBtn'), fileName: $('fileName'), status: $('status'), exportBtn: $('exportBtn'),
  aboutBtn: $('aboutBtn'), banner: $('banner'), layout: document.querySelector('.layout'),
  sidebar: $('sidebar'), newPageBtn: $('newPageBtn'), filter: $('filter'), tree: $('tree'),
  trashBtn: $('trashBtn'), trashList: $('trashList'), splitter: $('splitter'),
  emptyState: $('emptyState'), page: $('page'), title: $('title'), toolbar: $('toolbar'),
  editorWrap: $('editorWrap'), editor: $('editor'), contextMenu: $('contextMenu'),
  searchResults: $('searchResults'), backlinks: $('backlinks'),
};

let fileStatus = { product: 'Ferncard', version: '', file: '', fileName: '', isDefault: true, port: 0 };
let bannerKind = '';
let running = false; // window events act only once start-up has finished

// ---- Banner ----

function showBanner(kind, message, actions = []) {
  bannerKind = kind;
  ui.banner.replaceChildren(element('span', { class: 'banner-text', text: message }));
  if (actions.length) {
    ui.banner.append(element('span', { class: 'banner-actions' },
      ...actions.map(({ label, handler }) => element('button', { type: 'button', text: label, onclick: handler }))));
  }
  ui.banner.dataset.kind = kind;
  ui.banner.hidden = false;
}

function hideBanner() {
  bannerKind = '';
  ui.banner.hidden = true;
  ui.banner.replaceChildren();
  delete ui.banner.dataset.kind;
}

// ---- Save indicator ----

function twoDigits(value) {
  return String(value).padStart(2, '0');
}

function setStatus(state, message = '') {
  const status = ui.status;
  if (state === 'error') {
    status.textContent = '保存失敗';
    status.classList.add('error');
    status.title = message || '';
    // An open conflict stays on show until the user resolves it.
    if (message && bannerKind !== 'conflict') showBanner('save', message);
    return;
  }
  status.classList.remove('error');
  status.title = '';
  if (state === 'saving') status.textContent = '保存中…';
  else if (state === 'saved') {
    const now = new Date();
    status.textContent = '保存済み ' + twoDigits(now.getHours()) + ':' + twoDigits(now.getMinutes());
  } else status.textContent = '';
  if (bannerKind === 'save') hideBanner();
}

// ---- Modules ----

const tree = new PageTree({
  container: ui.tree, trashButton: ui.trashBtn, trashList: ui.trashList, contextMenu: ui.contextMenu,
  onSelect: switchEditor,
  onError: (error) => setStatus('error', error && error.message ? error.message : String(error)),
});

const editor = new Editor({
  titleInput: ui.title, body: ui.editor, wrap: ui.editorWrap, tree,
  onStatus: setStatus,
  onSelectionChange: () => toolbar.refresh(),
  onConflict: showConflictBanner,
});

const toolbar = new Toolbar(ui.toolbar, editor);
toolbar.pages = () => tree.livePages().filter((entry) => entry.id !== editor.pageId);

const searchResults = new SearchResults({
  container: ui.searchResults, onOpen: openFromSearch, onLeave: () => ui.filter.focus(),
});
const backlinks = new Backlinks({
  container: ui.backlinks, tree, onOpen: (id) => { tree.select(id).catch(tree.onError); },
});

tree.onCreated = focusTitle;
tree.onRenamed = (id) => {
  if (editor.pageId === id) {
    const entry = tree.page(id);
    ui.title.value = entry ? entry.title || '' : '';
  }
};

function showPageArea(hasPage) {
  ui.page.hidden = !hasPage;
  ui.emptyState.hidden = hasPage;
}

async function switchEditor(id) {
  let switched;
  try {
    switched = await editor.open(id);
  } catch (error) {
    showToast(error && error.message ? error.message : String(error));
    return false;
  }
  if (!switched) {
    showToast('保存できないため、ページを切り替えられません。');
    return false;
  }
  showPageArea(id !== null);
  showSearchMatches();
  backlinks.show(id);
  return true;
}

// ---- Search ----

// While the filter holds text, its matches in the open page are highlighted.
function showSearchMatches() {
  if (ui.filter.value.trim() && editor.pageId) highlightMatches(ui.editor, ui.filter.value);
  else clearHighlight();
}

async function openFromSearch(id) {
  if (!tree.isLivePage(id)) {
    showToast('このページはごみ箱にあります。');
    return;
  }
  if (await tree.select(id)) showSearchMatches();
}

function setFilter(text) {
  tree.setFilter(text);
  searchResults.update(text);
  if (!text.trim()) clearHighlight();
}

function focusTitle() {
  ui.title.focus();
  ui.title.select();
}

function showConflictBanner() {
  showBanner('conflict', 'このページは別のウィンドウで更新されました。', [
    {
      label: '最新を読み込む（こちらの変更を破棄）',
      handler: async () => {
        const ok = await confirmDialog({
          title: '最新を読み込む', message: 'このウィンドウでの未保存の変更を破棄します。',
          okLabel: '破棄して読み込む', danger: true,
        });
        if (!ok) return;
        try {
          await editor.discardAndReload();
          hideBanner();
        } catch (error) {
          // The page stays as it is, still in conflict, and the banner stays to try again.
          showToast('最新の内容を読み込めませんでした: ' + messageOf(error), { ms: FILE_ERROR_TOAST_MS });
        }
      },
    },
    {
      label: 'こちらの内容で上書き',
      handler: async () => {
        hideBanner();
        try {
          await editor.overwrite();
        } catch (error) {
          showToast('上書きできませんでした: ' + messageOf(error), { ms: FILE_ERROR_TOAST_MS });
          if (editor.conflict) showConflictBanner();
        }
      },
    },
  ]);
}

// ---- New page ----

async function newPage() {
  if (!running) return;
  const selected = tree.selectedId ? tree.page(tree.selectedId) : null;
  const options = selected
    ? { parentId: selected.parentId ?? null, afterId: selected.id }
    : { parentId: null };
  const id = await tree.createPage(options);
  if (id && tree.selectedId === id) focusTitle();
}

// ---- Splitter ----

function setSidebarWidth(value) {
  const width = Math.round(Math.min(window.innerWidth * MAX_SIDEBAR_RATIO, Math.max(MIN_SIDEBAR, value)));
  ui.sidebar.style.width = width + 'px';
  saveSidebarWidth(width);
  editor.imageTool.reposition();
}

function attachSplitter() {
  const stored = loadSidebarWidth();
  if (typeof stored === 'number') setSidebarWidth(stored);
  ui.splitter.addEventListener('pointerdown', (event) => {
    if (event.button !== 0) return;
    event.preventDefault();
    ui.splitter.setPointerCapture(event.pointerId);
    ui.splitter.classList.add('dragging');
  });
  ui.splitter.addEventListener('pointermove', (event) => {
    if (ui.splitter.hasPointerCapture(event.pointerId)) setSidebarWidth(event.clientX);
  });
  const stop = (event) => {
    if (ui.splitter.hasPointerCapture(event.pointerId)) ui.splitter.releasePointerCapture(event.pointerId);
    ui.splitter.classList.remove('dragging');
  };
  ui.splitter.addEventListener('pointerup', stop);
  ui.splitter.addEventListener('pointercancel', stop);
  ui.splitter.addEventListener('keydown', (event) => {
    if (event.key !== 'ArrowLeft' && event.key !== 'ArrowRight') return;
    event.preventDefault();
    const current = ui.sidebar.getBoundingClientRect().width;
    setSidebarWidth(current + (event.key === 'ArrowLeft' ? -SPLITTER_STEP : SPLITTER_STEP));
  });
}

// ---- About, file menu and export ----

async function openAbout() {
  let status = fileStatus;
  try {
    status = await api.getStatus();
  } catch (error) {
    showToast(error.message);
    return;
  }
  const backups = await backupsFolder();
  await openDialog((dialog, close) => {
    const closeButton = element('button', { type: 'button', class: 'primary', text: '閉じる', onclick: () => close(null) });
    dialog.append(
      element('h2', { text: status.product + ' ' + status.version }),
      element('p', { class: 'about-maker', text: '© Calderwin. シンプルで安全なメモ帳。' }),
      element('p', { class: 'about-file', text: 'ファイルの場所: ' + status.file }),
      element('p', { class: 'muted', text: 'このファイルをコピーするとバックアップになります。' }),
      element('p', { class: 'about-backups', text: '自動バックアップの場所: ' + backups }),
      element('div', { class: 'dialog-actions' },
        element('button', {
          type: 'button', text: 'ファイルの場所を開く',
          onclick: () => api.openDataFolder().catch((error) => showToast(error.message)),
        }),
        closeButton));
    requestAnimationFrame(() => closeButton.focus());
  });
}

// ---- File menu ----

function messageOf(error) {
  return error && error.message ? error.message : String(error);
}

// Runs one file action of the program; resolves whether a file was opened.
async function runFileAction(action) {
  if (action === 'save-as' && !(await editor.flush())) {
    showToast('編集中の内容を保存できないため、中止しました。', { ms: FILE_ERROR_TOAST_MS });
    return false;
  }
  try {
    const result = await api.fileAction(action);
    if (!result || !result.opened) return false;
    showToast(result.name + ' を開きました。');
    return true;
  } catch (error) {
    showToast(messageOf(error), { ms: FILE_ERROR_TOAST_MS });
    return false;
  }
}

async function saveAs() {
  if (!(await runFileAction('save-as'))) return;
  // The copy lives on in its own window; this one is no longer needed.
  window.close();
  setTimeout(() => {
    showBanner('file', 'このウィンドウは元のファイル（' + fileStatus.fileName + '）のままです。不要なら閉じてください。');
  }, CLOSE_CHECK_MS);
}

async function openFileMenu() {
  let recent = [];
  try {
    recent = await api.getRecent();
  } catch {
    recent = [];
  }
  const choice = await openDialog((dialog, close) => {
    const actionButton = (label, value) => element('button', { type: 'button', text: label, onclick: () => close(value) });
    const closeButton = element('button', { type: 'button', class: 'primary', text: '閉じる', onclick: () => close(null) });
    dialog.classList.add('file-menu');
    dialog.append(
      element('h2', { text: 'ファイル' }),
      element('p', { class: 'file-menu-current', text: '開いているファイル: ' + fileStatus.fileName }),
      element('p', { class: 'muted', text: '編集内容はこのファイルに自動で保存されます。' }),
      element('div', { class: 'dialog-actions file-actions' },
        actionButton('新規作成…', 'new'),
        actionButton('開く…', 'open'),
        actionButton('別名で保存…', 'save-as'),
        actionButton(OPEN_BACKUP_LABEL, OPEN_BACKUP_ACTION)));
    if (recent.length) {
      dialog.append(
        element('h3', { text: '最近使ったファイル' }),
        element('div', { class: 'recent-files' }, ...recent.map((entry, index) => element('button', {
          type: 'button', text: String(entry.name ?? ''), title: String(entry.path ?? ''),
          disabled: entry.exists === false, onclick: () => close('recent/' + index),
        }))));
    }
    dialog.append(element('div', { class: 'dialog-actions' }, closeButton));
    requestAnimationFrame(() => closeButton.focus());
  });
  if (!choice) return;
  if (choice === 'save-as') await saveAs();
  else await runFileAction(choice);
}

// ---- Export ----

async function runExport(title, list) {
  const target = await pickSaveTarget(sanitizeFileName(title) + '.html');
  if (!target) return;
  if (!(await editor.flush())) {
    showToast('編集中の内容を保存できないため、出力を中止しました。', { ms: FILE_ERROR_TOAST_MS });
    return;
  }
  showToast('出力しています…', { ms: EXPORTING_TOAST_MS });
  try {
    const { text, missing } = await createExport(title, list);
    await writeTarget(target, text);
    let message = list.length + ' ページを出力しました: ' + target.fileName;
    if (missing > 0) message += '（読み込めなかった画像 ' + missing + ' 枚）';
    showToast(message, { ms: EXPORT_DONE_TOAST_MS });
  } catch (error) {
    showToast('出力できませんでした: ' + messageOf(error), { ms: FILE_ERROR_TOAST_MS });
  }
}

async function openExportDialog() {
  const selectedId = tree.selectedId && tree.isLivePage(tree.selectedId) ? tree.selectedId : null;
  const selected = selectedId ? tree.page(selectedId) : null;
  const title = selected ? displayTitle(selected) : '';
  const all = tree.exportList();
  const branch = selectedId ? tree.exportList(selectedId) : [];
  const choice = await openDialog((dialog, close) => {
    const button = (label, value, disabled, className = '') => element('button', {
      type: 'button', text: label, disabled, class: className, onclick: () => close(value),
    });
    const cancel = element('button', { type: 'button', text: 'キャンセル', onclick: () => close(null) });
    dialog.append(
      element('h2', { text: 'HTML 出力' }),
      element('p', { text: selected ? '選択中のページ: ' + title : 'ページが選択されていません。' }),
      element('p', { class: 'muted', text: '画像も含めて 1 つの HTML ファイルに保存します。ごみ箱のページは含みません。' }),
      element('div', { class: 'dialog-actions export-actions' },
        button('このページ', 'page', !selected, 'primary'),
        button('子ページも含める（' + branch.length + ' ページ）', 'branch', branch.length < 2),
        button('すべてのページ（' + all.length + ' ページ）', 'all', all.length === 0),
        cancel));
    requestAnimationFrame(() => cancel.focus());
  });
  // The save picker is asked for right away, while the click still counts as the user's action.
  if (choice === 'page') await runExport(title, branch.slice(0, 1));
  else if (choice === 'branch') await runExport(title, branch);
  else if (choice === 'all') await runExport(baseName(fileStatus.fileName), all);
}

// ---- Window title ----

function baseName(fileName) {
  return String(fileName || '').replace(/\.fcard$/i, '') || 'Ferncard';
}

export function windowTitle(fileName) {
  const base = baseName(fileName);
  return base === 'Ferncard' ? 'Ferncard' : base + ' - Ferncard';
}

function pageFromHash() {
  const match = /^#\/p\/([0-9a-f-]{36})$/.exec(location.hash);
  return match ? match[1] : null;
}

// ---- Global handlers ----

function attachHandlers() {
  ui.newPageBtn.addEventListener('click', () => { newPage().catch(tree.onError); });
  ui.aboutBtn.addEventListener('click', () => { openAbout(); });
  ui.fileBtn.addEventListener('click', () => { if (running) openFileMenu(); });
  ui.exportBtn.addEventListener('click', () => { if (running) openExportDialog(); });
  ui.filter.addEventListener('input', () => setFilter(ui.filter.value));
  ui.filter.addEventListener('keydown', (event) => {
    if (event.isComposing) return;
    if (event.key === 'Escape') {
      ui.filter.value = '';
      setFilter('');
    } else if (!(event.key === 'ArrowDown' && searchResults.focusFirst())) return;
    event.preventDefault();
  });
  followPageLinks(ui.editorWrap, tree);

  document.addEventListener('keydown', (event) => {
    const key = event.key.toLowerCase();
    if (event.ctrlKey && !event.shiftKey && !event.altKey && key === 's') {
      event.preventDefault();
      editor.flush();
    } else if (event.altKey && !event.ctrlKey && (key === 'n' || event.code === 'KeyN')) {
      event.preventDefault();
      newPage().catch(tree.onError);
    }
  });

  document.addEventListener('visibilitychange', () => {
    const hidden = document.visibilityState === 'hidden';
    setLeaving(hidden);
    if (hidden) editor.saveNow();
  });
  window.addEventListener('pagehide', () => {
    setLeaving(true);
    editor.saveNow();
  });
  window.addEventListener('pageshow', () => setLeaving(false));
  window.addEventListener('beforeunload', (event) => {
    if (editor.hasUnsaved) {
      event.preventDefault();
      event.returnValue = '';
    }
  });
  window.addEventListener('focus', () => {
    if (!running) return;
    (async () => {
      await tree.reload();
      await editor.refreshIfChanged();
      if (tree.selectedId && !tree.isLivePage(tree.selectedId)) await tree.select(tree.firstPageId());
    })().catch(() => {});
  });
  window.addEventListener('hashchange', () => {
    if (!running) return;
    const id = pageFromHash();
    if (id && tree.isLivePage(id)) tree.select(id).catch(tree.onError);
  });
}

// ---- Start-up ----

async function start() {
  attachSplitter();
  attachHandlers();

  // One round of requests: the status and the tree are asked for together.
  const [status, etag] = await Promise.all([api.getStatus(), tree.load()]);
  fileStatus = status;
  ui.fileName.textContent = fileStatus.fileName;
  ui.fileName.title = fileStatus.file;
  document.title = windowTitle(fileStatus.fileName);

  if (etag === '0') {
    const title = fileStatus.isDefault ? 'はじめに' : '新しいページ';
    const id = await tree.createPage({ parentId: null, title, select: false });
    if (id && fileStatus.isDefault) {
      try {
        await api.putPage(id, WELCOME_HTML, '0');
      } catch (error) {
        tree.onError(error);
      }
    }
  }

  const candidates = [pageFromHash(), tree.lastSelected, tree.firstPageId()];
  const chosen = candidates.find((id) => isPageId(id) && tree.isLivePage(id)) || null;
  showPageArea(chosen !== null);
  if (chosen) await tree.select(chosen);
  // A failure reported during start-up (the welcome page's body, say) stays on show.
  if (!ui.status.classList.contains('error')) {
    setStatus(chosen ? 'saved' : '');
    ui.status.textContent = '';
  }
  running = true;
  watchBackups(ui.status);

  setTimeout(() => {
    collectGarbage(tree.allPageIds()).catch(() => {});
  }, GC_DELAY_MS);
}

start().catch((error) => {
  ui.layout.hidden = true;
  showBanner('fatal', error && error.message ? error.message : '起動できませんでした。');
});
