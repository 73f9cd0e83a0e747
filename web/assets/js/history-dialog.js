// The page history dialog: a page's kept versions by time, the chosen one shown with what was
// removed and added since marked word by word, and 「この版に戻す」 to write it back.
import { openDialog, showToast } from './dialogs.js';
import { element } from './element.js';
import { historyApi } from './history-api.js';
import { messages } from './messages.js';
import { sanitizeToNodes } from './sanitize.js';
import { markChanges } from './text-diff.js';
import { styleSheet } from './on-demand.js';
import { DAY_MS, HOUR_MS, MINUTE_MS, clockTime, twoDigits } from './time.js';

// The dialog's own style sheet, which start-up does without.
await styleSheet('/assets/css/history.css');

// "5 分前", "3 時間前", "昨日", "12 日前": how long ago, as a person says it.
export function relativeTime(time, now = Date.now()) {
  const age = Math.max(0, now - time);
  if (age < MINUTE_MS) return messages.justNow;
  if (age < HOUR_MS) return messages.minutesAgo(Math.floor(age / MINUTE_MS));
  const then = new Date(time);
  const today = new Date(now);
  today.setHours(0, 0, 0, 0);
  const days = Math.ceil((today.getTime() - then.getTime()) / DAY_MS);
  if (days <= 0) return messages.hoursAgo(Math.floor(age / HOUR_MS));
  if (days === 1) return messages.yesterday;
  if (days < 31) return messages.daysAgo(days);
  if (days < 365) return messages.monthsAgo(Math.floor(days / 30));
  return messages.yearsAgo(Math.floor(days / 365));
}

export function absoluteTime(time) {
  const d = new Date(time);
  return d.getFullYear() + '/' + twoDigits(d.getMonth() + 1) + '/' + twoDigits(d.getDate()) + ' ' +
    clockTime(d);
}

function sizeText(bytes) {
  return bytes < 1024 ? bytes + ' B' : (bytes / 1024).toFixed(bytes < 10240 ? 1 : 0) + ' KB';
}

// An image that no longer exists makes way for a note instead of a broken picture.
function noteMissingImages(root) {
  for (const image of root.querySelectorAll('img')) {
    image.addEventListener('error', () => {
      image.replaceWith(element('span', { class: 'history-missing-image', text: messages.imageGone }));
    }, { once: true });
  }
}

// pageId, title; current: the page's body now (HTML); trashed: the page is in the trash, so
// nothing is written back; restore(html): writes a version back, resolving true when saved.
export async function openHistoryDialog({ pageId, title, current, trashed = false, restore }) {
  const revisions = await historyApi.revisions(pageId);
  const currentNode = element('div');
  currentNode.append(sanitizeToNodes(current).fragment);
  let chosen = null;
  let chosenBody = null;
  let showing = 0;

  await openDialog((dialog, close) => {
    dialog.classList.add('history-dialog');
    const list = element('div', { class: 'history-list', role: 'listbox', tabIndex: -1 });
    list.setAttribute('aria-label', messages.versions);
    const counts = element('span', { class: 'history-counts' });
    const text = element('div', { class: 'history-text page-body' });
    const restoreButton = element('button', {
      type: 'button', class: 'primary', text: messages.restoreVersion, disabled: true, hidden: trashed,
      onclick: async () => {
        if (chosenBody === null) return;
        restoreButton.disabled = true;
        if (await restore(chosenBody)) {
          close(true);
          showToast(messages.restoredVersion(absoluteTime(chosen.time)));
        } else {
          restoreButton.disabled = false;
          showToast(messages.restoreNeedsSave);
        }
      },
    });

    const choose = async (revision, option) => {
      for (const other of list.children) other.setAttribute('aria-selected', String(other === option));
      chosen = revision;
      chosenBody = null;
      restoreButton.disabled = true;
      const shown = ++showing;
      text.replaceChildren(element('p', { class: 'muted', text: messages.loading }));
      let body;
      try {
        body = await historyApi.revision(pageId, revision.id);
      } catch (error) {
        if (shown === showing) text.replaceChildren(element('p', { class: 'history-error', text: error.message }));
        return;
      }
      if (shown !== showing) return;
      const { fragment } = sanitizeToNodes(body);
      text.replaceChildren(fragment);
      noteMissingImages(text);
      const { removed, added } = markChanges(text, currentNode);
      counts.textContent = messages.difference(removed, added);
      chosenBody = body;
      restoreButton.disabled = false;
    };

    const now = Date.now();
    for (const revision of revisions) {
      const option = element('button', { type: 'button', class: 'history-option', role: 'option' },
        element('span', { class: 'history-when', text: relativeTime(revision.time, now) }),
        element('span', { class: 'history-date', text: absoluteTime(revision.time) + ' ・ ' + sizeText(revision.size) }));
      option.dataset.id = revision.id;
      option.setAttribute('aria-selected', 'false');
      option.addEventListener('click', () => { choose(revision, option); });
      list.append(option);
    }
    list.addEventListener('keydown', (event) => {
      if (event.key !== 'ArrowDown' && event.key !== 'ArrowUp') return;
      const options = [...list.children];
      const at = options.indexOf(document.activeElement);
      const next = options[Math.min(options.length - 1, Math.max(0, at + (event.key === 'ArrowDown' ? 1 : -1)))];
      if (!next) return;
      event.preventDefault();
      next.focus();
      next.click();
    });

    const note = trashed
      ? messages.trashedHistoryNote
      : messages.historyNote;
    dialog.append(
      element('h2', { text: messages.historyHeading(title || messages.untitled) }),
      element('p', { class: 'muted history-note', text: note }));
    if (revisions.length) {
      dialog.append(element('div', { class: 'history-body' }, list,
        element('section', { class: 'history-preview', ariaLabel: messages.chosenVersion },
          element('div', { class: 'history-legend' },
            element('del', { class: 'diff-removed', text: messages.removedWords }),
            element('ins', { class: 'diff-added', text: messages.addedWords }),
            counts),
          text)));
    } else {
      dialog.append(element('p', { class: 'history-empty', text: messages.noVersions }));
    }
    dialog.append(element('div', { class: 'dialog-actions' },
      restoreButton,
      element('button', { type: 'button', text: messages.close, onclick: () => close(false) })));
    if (list.firstElementChild) {
      list.firstElementChild.click();
      requestAnimationFrame(() => list.firstElementChild && list.firstElementChild.focus());
    }
  });
}
