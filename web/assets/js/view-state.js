// The window's remembered view: open rows, the selected page and the sidebar width.
import { isPageId } from './tree-model.js';

const STORAGE_KEY = 'ferncard.view';

function readView() {
  try {
    const value = JSON.parse(localStorage.getItem(STORAGE_KEY) || '{}');
    return value && typeof value === 'object' && !Array.isArray(value) ? value : {};
  } catch {
    return {};
  }
}

function writeView(changes) {
  try {
    localStorage.setItem(STORAGE_KEY, JSON.stringify({ ...readView(), ...changes }));
  } catch {
    // Without storage the view is simply not remembered.
  }
}

export function loadSidebarWidth() {
  const width = readView().sidebarWidth;
  return typeof width === 'number' ? width : undefined;
}

export function saveSidebarWidth(width) {
  writeView({ sidebarWidth: width });
}

// The open rows and the page selected when the window was last used.
export class TreeViewState {
  constructor() {
    const view = readView();
    this.expanded = new Set(Array.isArray(view.expanded) ? view.expanded.filter(isPageId) : []);
    this.lastSelected = isPageId(view.selectedId) ? view.selectedId : null;
  }

  save(selectedId) {
    writeView({ expanded: [...this.expanded], selectedId });
  }
}
