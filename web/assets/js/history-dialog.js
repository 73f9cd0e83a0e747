// The page history dialog: a page's kept versions by time, the chosen one shown with what was
// removed and added since marked word by word, and 「この版に戻す」 to write it back.
import { element, openDialog, showToast } from './dialogs.js';
import { historyApi } from './history-api.js';
import { sanitizeToNodes } from './sanitize.js';
import { markChanges } from './text-diff.js';

const MINUTE = 60 * 1000;
const HOUR = 60 * MINUTE;
const DAY = 24 * HOUR;

function twoDigits(value) {
  return String(value).padStart(2, '0');
}

// "5 分前", "3 時間前", "昨日", "12 日前": how long ago, as a person says it.
export function relativeTime(time, now = Date.now()) {
  const age = Math.max(0, now - time);
  if (age < MINUTE) return 'たった今';
  if (age < HOUR) return Math.floor(age / MINUTE) + ' 分前';
  const then = new Date(time);
  const today = new Date(now);
  today.setHours(0, 0, 0, 0);
  const days = Math.ceil((today.getTime() - then.getTime()) / DAY);
  if (days <= 0) return Math.floor(age / HOUR) + ' 時間前';
  if (days === 1) return '昨日';
  if (days < 31) return days + ' 日前';
  if (days < 365) return Math.floor(days / 30) + ' か月前';
  return Math.floor(days / 365) + ' 年前';
}

export function absoluteTime(time) {
  const d = new Date(time);
  return d.getFullYear() + '/' + twoDigits(d.getMonth() + 1) + '/' + twoDigits(d.getDate()) + ' ' +
    twoDigits(d.getHours()) + ':' + twoDigits(d.getMinutes());
}

function sizeText(bytes) {
  return bytes < 1024 ? bytes + ' B' : (bytes / 1024).toFixed(bytes < 10240 ? 1 : 0) + ' KB';
}

// An image that no longer exists makes way for a note instead of a broken picture.
function noteMissingImages(root) {
  for (const image of root.querySelectorAll('img')) {
    image.addEventListener('error', () => {
      image.replaceWith(element('span', { class: 'history-missing-image', text: '（画像はもうありません）' }));
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
    list.setAttribute('aria-label', '以前の版');
    const counts = element('span', { class: 'history-counts' });
    const text = element('div', { class: 'history-text page-body' });
    const restoreButton = element('button', {
      type: 'button', class: 'primary', text: 'この版に戻す', disabled: true, hidden: trashed,
      onclick: async () => {
        if (chosenBody === null) return;
        restoreButton.disabled = true;
        if (await restore(chosenBody)) {
          close(true);
          showToast(absoluteTime(chosen.time) + ' の版に戻しました。');
        } else {
          restoreButton.disabled = false;
          showToast('保存できないため、この版に戻せませんでした。');
        }
      },
    });

    const choose = async (revision, option) => {
      for (const other of list.children) other.setAttribute('aria-selected', String(other === option));
      chosen = revision;
      chosenBody = null;
      restoreButton.disabled = true;
      const shown = ++showing;
      text.replaceChildren(element('p', { class: 'muted', text: '読み込んでいます…' }));
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
      counts.textContent = removed || added ? '今との違い: ' + removed + ' 語削除・' + added + ' 語追加' : '今と同じ内容です';
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
      ? 'このページはごみ箱にあります。以前の版を見ることはできますが、戻すにはまずページを復元してください。'
      : '保存するとき、置き換えられる前の内容が 10 分に 1 回まで残ります。';
    dialog.append(
      element('h2', { text: '履歴: ' + (title || '無題のページ') }),
      element('p', { class: 'muted history-note', text: note }));
    if (revisions.length) {
      dialog.append(element('div', { class: 'history-body' }, list,
        element('section', { class: 'history-preview', ariaLabel: '選んだ版の内容' },
          element('div', { class: 'history-legend' },
            element('del', { class: 'diff-removed', text: 'この版にあり、今はない語' }),
            element('ins', { class: 'diff-added', text: '今の版で加わった語' }),
            counts),
          text)));
    } else {
      dialog.append(element('p', { class: 'history-empty', text: 'このページにはまだ以前の版がありません。' }));
    }
    dialog.append(element('div', { class: 'dialog-actions' },
      restoreButton,
      element('button', { type: 'button', text: '閉じる', onclick: () => close(false) })));
    if (list.firstElementChild) {
      list.firstElementChild.click();
      requestAnimationFrame(() => list.firstElementChild && list.firstElementChild.focus());
    }
  });
}
