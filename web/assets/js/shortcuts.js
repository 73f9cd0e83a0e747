// The 「キーボードショートカット」 dialog: every key the window answers to, in one list.
import { element, openDialog } from './dialogs.js';

export const SHORTCUTS = [
  ['全体', [
    ['Ctrl+K', 'ページへ移動（クイックスイッチャー）'],
    ['Ctrl+/', 'キーボードショートカットの一覧'],
    ['Alt+N', '新規ページ'],
    ['Ctrl+S', '今すぐ保存'],
    ['Tab / Shift+Tab', '次 / 前の操作部分へ'],
    ['Esc', 'ダイアログやメニューを閉じる'],
  ]],
  ['クイックスイッチャー', [
    ['↑ / ↓', '候補を選ぶ'],
    ['Enter', '選んだページを開く'],
    ['Shift+Enter', '本文に語を含むページを検索'],
  ]],
  ['ページ一覧', [
    ['↑ / ↓', '前 / 次のページ'],
    ['← / →', '閉じる・親へ / 開く・子へ'],
    ['Home / End', '最初 / 最後のページ'],
    ['文字キー', 'その文字で始まるページへ'],
    ['Enter', 'ページを開く'],
    ['F2', '名前を変更'],
    ['Delete', 'ごみ箱へ移動'],
    ['Shift+F10', 'メニューを開く'],
    ['Alt+↑ / Alt+↓', 'ページを上 / 下へ移動'],
    ['Alt+→', '上のページの子にする'],
    ['Alt+←', '親の階層から出す'],
  ]],
  ['編集', [
    ['Enter（タイトル）', '本文へ移る'],
    ['Ctrl+B / Ctrl+I / Ctrl+U', '太字 / 斜体 / 下線'],
    ['Ctrl+Z / Ctrl+Y', '元に戻す / やり直す'],
    ['← / →（書式バー）', '書式ボタンを選ぶ'],
    ['Shift+← / Shift+→', '隣の画像を選ぶ'],
    ['Alt+F10', '選んだ画像の操作バーへ（Esc で戻る）'],
    ['Ctrl+クリック', 'リンクを開く'],
  ]],
];

export function openShortcuts() {
  return openDialog((dialog, close) => {
    dialog.classList.add('shortcuts');
    const closeButton = element('button', { type: 'button', class: 'primary', text: '閉じる', onclick: () => close(null) });
    const sections = SHORTCUTS.map(([heading, rows]) => element('table', { class: 'shortcut-table' },
      element('caption', { text: heading }),
      element('tbody', {}, ...rows.map(([keys, meaning]) => element('tr', {},
        element('th', { scope: 'row' }, ...keys.split(' / ').flatMap((key, i) => [i ? ' / ' : null, element('kbd', { text: key })])),
        element('td', { text: meaning }))))));
    dialog.append(
      element('h2', { text: 'キーボードショートカット' }),
      element('div', { class: 'shortcut-list', tabIndex: 0 }, ...sections),
      element('div', { class: 'dialog-actions' }, closeButton));
    const list = dialog.querySelector('.shortcut-list');
    list.setAttribute('role', 'region');
    list.setAttribute('aria-label', 'ショートカットの一覧');
    requestAnimationFrame(() => closeButton.focus());
  });
}
