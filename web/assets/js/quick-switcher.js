// The quick switcher (Ctrl+K): a box over the window that finds a page by part of its title and,
// on Shift+Enter, the pages whose text holds the words.
import { openDialog } from './dialogs.js';
import { element } from './element.js';
import { messages } from './messages.js';
import { MAX_ROWS, prepare, rankPages } from './switcher-rank.js';
import { displayTitle } from './tree-model.js';
import { styleSheet } from './on-demand.js';

// The dialog's own style sheet, which start-up does without.
await styleSheet('/assets/css/switcher.css');

const PATH_SEPARATOR = ' › ';

// The titles of a page's ancestors, outermost first, joined for the row's second line.
export function parentPath(pages, entry) {
  const titles = [];
  const seen = new Set();
  const page = pages.page(entry.id) || entry;
  for (let parent = pages.page(page.parentId ?? null); parent && !seen.has(parent.id); parent = pages.page(parent.parentId ?? null)) {
    seen.add(parent.id);
    titles.unshift(displayTitle(parent));
  }
  return titles.join(PATH_SEPARATOR);
}

// A title with its matched letters marked.
function markedTitle(title, positions) {
  if (!positions.length) return [title];
  const marked = new Set(positions);
  const parts = [];
  let run = '';
  let inMark = false;
  for (let i = 0; i <= title.length; i++) {
    const on = marked.has(i);
    if (i === title.length || on !== inMark) {
      if (run) parts.push(inMark ? element('mark', { text: run }) : run);
      run = '';
      inMark = on;
    }
    if (i < title.length) run += title[i];
  }
  return parts;
}

// The choices under the field: the title matches, then (after a content search) the pages whose
// text matched, each a list of its own. DOM only.
export class SwitcherList {
  constructor(pages) {
    this.pages = pages;
    this.titles = this.listbox('switcherTitles', messages.titleMatches);
    this.bodies = this.listbox('switcherBodies', messages.bodyMatches);
    this.bodiesHeading = element('div', { class: 'switcher-heading', text: messages.bodyMatches, hidden: true });
    this.empty = element('div', { class: 'switcher-none', hidden: true });
    this.searching = element('div', { class: 'switcher-none', hidden: true });
    this.node = element('div', { class: 'switcher-list' },
      this.titles, this.empty, this.bodiesHeading, this.bodies, this.searching);
    this.bodies.hidden = true;
    this.options = [];
  }

  listbox(id, label) {
    const node = element('div', { class: 'switcher-listbox', id });
    node.setAttribute('role', 'listbox');
    node.setAttribute('aria-label', label);
    return node;
  }

  option(id, index, children) {
    const node = element('div', { class: 'switcher-option', id: 'switcher-option-' + index }, ...children);
    node.setAttribute('role', 'option');
    node.setAttribute('aria-selected', 'false');
    node.dataset.id = id;
    return node;
  }

  // rows: [{ entry, positions }] from rankPages.
  showTitles(rows, typed) {
    this.options = rows.map(({ entry, positions }, index) => {
      const path = parentPath(this.pages, entry);
      return this.option(entry.id, index, [
        element('span', { class: 'switcher-title' }, ...markedTitle(displayTitle(entry), positions)),
        path ? element('span', { class: 'switcher-path', text: path }) : null,
      ]);
    });
    this.titles.replaceChildren(...this.options);
    this.titles.hidden = !this.options.length;
    this.empty.textContent = typed ? messages.noMatch : messages.noPages;
    this.empty.hidden = this.options.length > 0;
    this.showBodies(undefined);
  }

  // hits: the content search's results; null while it runs, undefined for no search.
  showBodies(hits) {
    this.options = this.options.filter((node) => this.titles.contains(node));
    const base = this.options.length;
    const nodes = (hits || []).map((hit, i) => this.option(hit.id, base + i, [
      element('span', { class: 'switcher-title', text: displayTitle({ title: hit.title }) }),
      element('span', { class: 'switcher-path' },
        hit.snippet.before, element('mark', { text: hit.snippet.match }), hit.snippet.after),
    ]));
    this.options.push(...nodes);
    this.bodies.replaceChildren(...nodes);
    this.bodies.hidden = !nodes.length;
    this.bodiesHeading.hidden = hits === undefined;
    this.searching.textContent = hits === null ? messages.searching : messages.noBodyMatch;
    this.searching.hidden = hits === undefined || nodes.length > 0;
  }
}

// pages: the tree store; recent: page ids, newest first; search(query) resolves to the content
// search's results; typed: what was typed while this module arrived ({ text, enter }, see
// loadHoldingKeys), taken as if typed into the box. Resolves to the chosen page id, or null.
export function openQuickSwitcher({ pages, recent, search, typed = null }) {
  const prepared = prepare(pages.exportList());
  return openDialog((dialog, close) => {
    dialog.classList.add('switcher');
    dialog.setAttribute('aria-label', messages.goToPage);
    const list = new SwitcherList(pages);
    const input = element('input', {
      type: 'text', class: 'switcher-input', placeholder: messages.switcherPlaceholder, autocomplete: 'off', spellcheck: false,
    });
    input.setAttribute('role', 'combobox');
    input.setAttribute('aria-label', messages.pageTitle);
    input.setAttribute('aria-expanded', 'true');
    input.setAttribute('aria-controls', list.titles.id + ' ' + list.bodies.id);
    input.setAttribute('aria-autocomplete', 'list');
    let active = 0;
    let searched = 0;

    const setActive = (index) => {
      const options = list.options;
      if (options[active]) options[active].setAttribute('aria-selected', 'false');
      active = options.length ? (index + options.length) % options.length : 0;
      const node = options[active];
      if (node) {
        node.setAttribute('aria-selected', 'true');
        input.setAttribute('aria-activedescendant', node.id);
        node.scrollIntoView({ block: 'nearest' });
      } else input.removeAttribute('aria-activedescendant');
    };
    const filter = () => {
      searched++;
      list.showTitles(rankPages(prepared, input.value, recent, MAX_ROWS), input.value.trim() !== '');
      active = 0;
      setActive(0);
    };
    const searchBodies = async () => {
      const query = input.value.trim();
      if (!query) return;
      const asked = ++searched;
      list.showBodies(null);
      let hits = [];
      try {
        hits = ((await search(query)).results || []).filter((hit) => !hit.trashed && hit.snippet && hit.snippet.match);
      } catch {
        hits = [];
      }
      if (asked !== searched || !dialog.isConnected) return;
      const titleCount = list.options.length;
      list.showBodies(hits);
      setActive(hits.length ? titleCount : active);
    };

    input.addEventListener('input', filter);
    input.addEventListener('keydown', (event) => {
      if (event.isComposing) return;
      if (event.key === 'ArrowDown') setActive(active + 1);
      else if (event.key === 'ArrowUp') setActive(active - 1);
      else if (event.key === 'Enter' && event.shiftKey) searchBodies();
      else if (event.key === 'Enter') {
        const node = list.options[active];
        if (node) close(node.dataset.id);
      } else return;
      event.preventDefault();
    });
    list.node.addEventListener('mousedown', (event) => event.preventDefault());
    list.node.addEventListener('click', (event) => {
      const node = event.target.closest('[role="option"]');
      if (node) close(node.dataset.id);
    });

    dialog.append(input, list.node, element('p', {
      class: 'switcher-hint', text: messages.switcherHint,
    }));
    if (typed) input.value = typed.text;
    filter();
    requestAnimationFrame(() => {
      input.focus();
      if (typed && typed.enter) input.dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter', shiftKey: typed.enter.shiftKey }));
    });
  });
}
