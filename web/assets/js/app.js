// Entry module: builds the page tree, editor and toolbar, wires them to the window, and starts up.
import { NO_RECORD, api, onHistoryFailure, setLeaving } from './api.js';
import { dropEarly } from './boot.js';
import { Banner, SaveStatus } from './banner.js';
import { FILE_ERROR_TOAST_MS, showToast } from './dialogs.js';
import { Editor } from './editor.js';
import { transfers } from './editor-events.js';
import { collectGarbage } from './images.js';
import { messageOf, messages } from './messages.js';
import { followPageLinks } from './page-links.js';
import { pageFromHash } from './page-route.js';
import { noteOpened, recentPages } from './recent-pages.js';
import { afterNextFrame, load, loadHoldingKeys, onDemand, onDemandObject, openOnFirstUse } from './on-demand.js';
import { clearHighlight, highlightMatches } from './search-text.js';
import { attachSplitter } from './splitter.js';
import { Toolbar } from './toolbar.js';
import { TreeController } from './tree-controller.js';
import { pageToOpen } from './tree-model.js';
import { TreeStore } from './tree-store.js';
import { TreeView } from './tree-view.js';
import { TreeViewState } from './view-state.js';
import { windowTitle } from './window-title.js';

const GC_DELAY_MS = 3000;

// The dialogs load when first opened (the quick switcher holds the keys typed meanwhile).
const quickSwitcher = onDemandObject('./quick-switcher.js', (module) => module);
const openExportDialog = onDemand('./export-dialog.js', 'openExportDialog');
const openHistoryDialog = onDemand('./history-dialog.js', 'openHistoryDialog');
const openShortcuts = onDemand('./shortcuts.js', 'openShortcuts');

const $ = (id) => document.getElementById(id);
const ui = {
  fileBtn: $('fileBtn'), fileMenu: $('fileMenu'), fileName: $('fileName'), status: $('status'), exportBtn: $('exportBtn'),
  aboutBtn: $('aboutBtn'), historyBtn: $('historyBtn'), banner: $('banner'), layout: document.querySelector('.layout'),
  sidebar: $('sidebar'), newPageBtn: $('newPageBtn'), filter: $('filter'), tree: $('tree'),
  trashBtn: $('trashBtn'), trashList: $('trashList'), splitter: $('splitter'),
  emptyState: $('emptyState'), page: $('page'), title: $('title'), toolbar: $('toolbar'),
  editorWrap: $('editorWrap'), editor: $('editor'), contextMenu: $('contextMenu'),
  searchResults: $('searchResults'), backlinks: $('backlinks'),
  switcherBtn: $('switcherBtn'), helpMenu: $('helpMenu'), skipLink: $('skipLink'),
};

let fileStatus = { product: 'Ferncard', version: '', file: '', fileName: '', isDefault: true, readOnly: false, port: 0 };
let running = false; // window events act only once start-up has finished

// ---- Modules ----

const banner = new Banner(ui.banner);
const status = new SaveStatus(ui.status, banner);
const setStatus = (state, message) => status.set(state, message);
const reportError = (error) => setStatus('error', messageOf(error));

const pages = new TreeStore();
pages.bindError(reportError);

const editor = new Editor({
  titleInput: ui.title, body: ui.editor, wrap: ui.editorWrap, pages,
  onStatus: setStatus,
  onSelectionChange: () => toolbar.refresh(),
  onConflict: () => {
    load('./conflict-banner.js').then(({ showConflictBanner }) => showConflictBanner({ banner, editor })).catch(reportError);
  },
});

const treeView = new TreeView({
  container: ui.tree, trashButton: ui.trashBtn, trashList: ui.trashList, contextMenu: ui.contextMenu,
});
const tree = new TreeController({
  store: pages,
  view: treeView,
  state: new TreeViewState(),
  onSelect: switchEditor,
  onCreated: focusTitle,
  onRenamed: (id) => {
    if (editor.pageId === id) {
      const entry = pages.page(id);
      ui.title.value = entry ? entry.title || '' : '';
    }
  },
  onError: reportError,
});

const toolbar = new Toolbar(ui.toolbar, editor,
  () => pages.livePages().filter((entry) => entry.id !== editor.pageId));

const searchResults = onDemandObject('./search-results.js', ({ SearchResults }) => new SearchResults({
  container: ui.searchResults, onOpen: openFromSearch, onLeave: () => ui.filter.focus(),
}));
const backlinks = onDemandObject('./backlinks.js', ({ Backlinks }) => new Backlinks({
  container: ui.backlinks, pages, onOpen: openPage,
}));

const helpMenu = onDemandObject('./help-menu.js', ({ attachHelpMenu }) => attachHelpMenu({
  button: ui.aboutBtn, menu: ui.helpMenu, onShortcuts: showShortcuts,
  onAbout: () => { fileMenu().then((menu) => menu.openAbout()).catch(reportError); },
}));

const fileMenu = onDemandObject('./file-menu.js', ({ FileMenu }) => new FileMenu({
  fileStatus: () => fileStatus, editor, banner, button: ui.fileBtn, menu: ui.fileMenu,
  // The import and its libraries load only when asked for.
  onImport: async () => (await import('./import-dialog.js')).openImportDialog({
    store: pages,
    // The new branch is shown open.
    open: async (id) => {
      if ((await tree.select(id)) && !tree.state.expanded.has(id)) tree.toggle(id);
    },
  }),
}));

function openPage(id) {
  tree.select(id).catch(reportError);
}

function showPageArea(hasPage) {
  ui.page.hidden = !hasPage;
  ui.emptyState.hidden = hasPage;
  ui.historyBtn.disabled = !hasPage;
}

// ---- History ----

// The history of the open page, or (read only) of a page in the trash.
async function openHistory(id, trashed) {
  if (!running || !id) return;
  if (!trashed && !(await editor.flush())) {
    showToast(messages.historyNeedsSave);
    return;
  }
  try {
    const entry = pages.page(id);
    const current = trashed ? (await api.getPage(id)).html : ui.editor.innerHTML;
    await openHistoryDialog({
      pageId: id, title: entry ? entry.title : '', current, trashed,
      restore: (html) => (editor.pageId === id ? editor.restoreBody(html) : false),
    });
  } catch (error) {
    showToast(messages.historyUnreadable(messageOf(error)), { ms: FILE_ERROR_TOAST_MS });
  }
}

// A history that could not be written is said once; the saves themselves went through.
let historyFailureShown = false;
onHistoryFailure((message) => {
  if (historyFailureShown) return;
  historyFailureShown = true;
  status.noteOnce(message);
});

async function switchEditor(id) {
  try {
    await editor.open(id);
  } catch (error) {
    showToast(messageOf(error), { error: true });
    return false;
  }
  showPageArea(id !== null);
  noteOpened(id);
  showSearchMatches();
  // During start-up the line under the page (and its module) waits for the first frame.
  const showBacklinks = () => backlinks().then((line) => { if (editor.pageId === id) line.show(id); }, () => {});
  if (running) showBacklinks();
  else afterNextFrame(showBacklinks);
  return true;
}

// ---- Search ----

// While the filter holds text, its matches in the open page are highlighted.
function showSearchMatches() {
  if (ui.filter.value.trim() && editor.pageId) highlightMatches(ui.editor, ui.filter.value);
  else clearHighlight();
}

async function openFromSearch(id) {
  if (!pages.isLivePage(id)) {
    showToast(messages.pageInTrash);
    return;
  }
  if (await tree.select(id)) showSearchMatches();
}

function setFilter(text) {
  tree.setFilter(text);
  searchResults().then((results) => results.update(text), reportError);
  if (!text.trim()) clearHighlight();
}

function focusTitle() {
  ui.title.focus();
  ui.title.select();
}

// ---- New page ----

async function newPage() {
  if (!running) return;
  const selected = tree.selectedId ? pages.page(tree.selectedId) : null;
  const options = selected
    ? { parentId: selected.parentId ?? null, afterId: selected.id }
    : { parentId: null };
  const id = await tree.createPage(options);
  if (id && tree.selectedId === id) focusTitle();
}

// ---- Keyboard ----

// Only one dialog at a time: a shortcut pressed inside one does nothing.
const dialogOpen = () => Boolean(document.querySelector('dialog[open]'));

async function openSwitcher() {
  if (!running || dialogOpen()) return;
  const loaded = await loadHoldingKeys(quickSwitcher);
  if (!loaded || dialogOpen()) return;
  const id = await loaded.object.openQuickSwitcher({ pages, recent: recentPages(), search: api.search, typed: loaded.typed });
  if (!id) return;
  // The focus the dialog gave back leaves first, so the list's tab stop moves to the chosen page.
  if (document.activeElement) document.activeElement.blur();
  if (await tree.select(id)) ui.editor.focus();
}

function showShortcuts() {
  if (!dialogOpen()) openShortcuts().catch(reportError);
}

// The skip link leads past the top bar and the page list to the body of the open page.
function skipToPage(event) {
  event.preventDefault();
  if (!ui.page.hidden) ui.editor.focus();
  else ui.newPageBtn.focus();
}

// ---- Global handlers ----

function attachHandlers() {
  ui.newPageBtn.addEventListener('click', () => { newPage().catch(reportError); });
  openOnFirstUse(ui.aboutBtn, helpMenu, (menu) => menu.open(), reportError);
  ui.historyBtn.addEventListener('click', () => { openHistory(editor.pageId, false); });
  treeView.trash.bindHistory((id) => { openHistory(id, true); });
  ui.switcherBtn.addEventListener('click', () => { openSwitcher().catch(reportError); });
  ui.skipLink.addEventListener('click', skipToPage);
  ui.fileBtn.addEventListener('click', () => { if (running) fileMenu().then((menu) => menu.open()).catch(reportError); });
  // ↓ or ↑ opens the file menu as a click does, also before its module is in (then the menu's own).
  ui.fileBtn.addEventListener('keydown', (event) => {
    if (fileMenu.now || (event.key !== 'ArrowDown' && event.key !== 'ArrowUp')) return;
    event.preventDefault();
    ui.fileBtn.click();
  });
  ui.exportBtn.addEventListener('click', () => {
    if (running) openExportDialog({ pages, selectedId: tree.selectedId, fileName: fileStatus.fileName, editor }).catch(reportError);
  });
  ui.filter.addEventListener('input', () => setFilter(ui.filter.value));
  ui.filter.addEventListener('keydown', (event) => {
    if (event.isComposing) return;
    if (event.key === 'Escape') {
      ui.filter.value = '';
      setFilter('');
    } else if (!(event.key === 'ArrowDown' && searchResults.now?.focusFirst())) return;
    event.preventDefault();
  });
  followPageLinks(ui.editorWrap, pages, openPage);

  document.addEventListener('keydown', (event) => {
    const key = event.key.toLowerCase();
    if (event.ctrlKey && !event.shiftKey && !event.altKey && key === 's') {
      event.preventDefault();
      editor.flush();
    } else if (event.altKey && !event.ctrlKey && (key === 'n' || event.code === 'KeyN')) {
      event.preventDefault();
      newPage().catch(reportError);
    } else if (event.ctrlKey && !event.shiftKey && !event.altKey && (key === 'k' || event.code === 'KeyK')) {
      event.preventDefault();
      openSwitcher().catch(reportError);
    } else if (event.ctrlKey && !event.altKey && (key === '/' || event.code === 'Slash')) {
      event.preventDefault();
      showShortcuts();
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
      if (tree.selectedId && !pages.isLivePage(tree.selectedId)) await tree.select(pages.firstPageId());
    })().catch(() => {});
  });
  window.addEventListener('hashchange', () => {
    if (!running) return;
    const id = pageFromHash(location.hash);
    if (id && pages.isLivePage(id)) openPage(id);
  });
}

// ---- Start-up ----

async function start() {
  attachSplitter({ splitter: ui.splitter, sidebar: ui.sidebar, onResize: () => editor.imageTool.reposition() });
  attachHandlers();

  // One round of requests: the status and the tree are asked for together.
  const toOpen = (model) => pageToOpen(model, [pageFromHash(location.hash), tree.lastSelected]);
  const [loaded, etag] = await Promise.all([api.getStatus(), tree.load(toOpen)]);
  fileStatus = loaded;
  ui.fileName.textContent = fileStatus.fileName;
  ui.fileName.title = fileStatus.file;
  document.title = windowTitle(fileStatus.fileName);
  if (fileStatus.readOnly) {
    (await load('./read-only.js')).lockForReading({
      ui, banner, pages, fileName: fileStatus.fileName,
      onSaveCopy: () => { fileMenu().then((menu) => menu.saveAs()).catch(reportError); },
    });
  }

  if (etag === NO_RECORD && !fileStatus.readOnly) {
    const title = fileStatus.isDefault ? messages.welcomeTitle : messages.firstPageTitle;
    const id = await tree.createPage({ parentId: null, title, select: false });
    if (id && fileStatus.isDefault) {
      try {
        await api.putPage(id, messages.welcomeHtml, NO_RECORD);
      } catch (error) {
        reportError(error);
      }
    }
  }

  const chosen = toOpen(pages.model);
  showPageArea(chosen !== null);
  if (chosen) await tree.select(chosen);
  // A failure reported during start-up (the welcome page's body, say) stays on show.
  if (!status.failed) {
    setStatus(chosen ? 'saved' : '');
    status.clear();
  }
  running = true;
  dropEarly();
  // What the first frame does not show loads after it, unless first used sooner.
  afterNextFrame(() => {
    load('./backups.js').then(({ watchBackups }) => watchBackups(ui.status)).catch(() => {});
    for (const loaded of [fileMenu(), helpMenu(), searchResults(), backlinks(), quickSwitcher(), load('./page-picker.js'),
      transfers()]) loaded.catch(() => {});
  });

  if (fileStatus.readOnly) return;
  setTimeout(() => {
    // Without the history's images nothing is cleaned up: they may be all that shows a picture.
    load('./history-api.js')
      .then(({ historyApi }) => historyApi.images().then((kept) => collectGarbage(pages.allPageIds(), kept)))
      .catch(() => {});
  }, GC_DELAY_MS);
}

start().catch((error) => {
  ui.layout.hidden = true;
  banner.show('fatal', error && error.message ? error.message : messages.startFailed);
});
