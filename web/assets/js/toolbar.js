// The formatting toolbar above the editor, with its link and table dialogs.
import { IMAGE_TYPES, safeLink } from './content-rules.js';
import { element, formDialog, showToast } from './dialogs.js';
import { linkDialog } from './page-picker.js';
import { rovingFocus } from './roving-focus.js';
import { escapeHtml } from './sanitize.js';
import { displayTitle } from './tree-model.js';

function clamp(value, low, high) {
  const number = Number(value);
  const whole = Number.isFinite(number) ? Math.trunc(number) : 1;
  return Math.min(high, Math.max(low, whole));
}

export class Toolbar {
  // pages() lists the live pages a link may lead to.
  constructor(container, editor, pages) {
    this.container = container;
    this.editor = editor;
    this.stateButtons = [];
    this.pages = pages;
    this.build();
  }

  button(label, title, action, { state = null, className = '' } = {}) {
    const button = element('button', {
      type: 'button', class: ('tb-btn ' + className).trim(), text: label, title,
    });
    // The name holds the visible text, so that speech control finds the button by what it shows.
    button.setAttribute('aria-label', title.includes(label) ? title : label + '（' + title + '）');
    button.addEventListener('mousedown', (event) => event.preventDefault());
    button.addEventListener('click', action);
    if (state) this.stateButtons.push([button, state]);
    return button;
  }

  color(label, title, command, initial) {
    const input = element('input', { type: 'color', value: initial, title });
    input.setAttribute('aria-label', title);
    input.addEventListener('input', () => this.editor.exec(command, input.value));
    return element('label', { class: 'tb-color', title }, element('span', { text: label }), input);
  }

  build() {
    const ed = this.editor;
    const cmd = (name) => () => ed.exec(name);
    const sep = () => element('span', { class: 'tb-sep' });

    this.select = element('select', { class: 'tb-select', title: '段落の種類' });
    this.select.setAttribute('aria-label', '段落の種類');
    for (const [value, label] of [['p', '本文'], ['h1', '見出し 1'], ['h2', '見出し 2'], ['h3', '見出し 3']]) {
      this.select.append(element('option', { value, text: label }));
    }
    this.select.addEventListener('change', () => ed.setBlock(this.select.value));

    this.fileInput = element('input', {
      type: 'file', accept: IMAGE_TYPES.join(','), multiple: true, hidden: true,
    });
    this.fileInput.addEventListener('change', () => {
      const files = [...this.fileInput.files];
      this.fileInput.value = '';
      if (files.length) ed.insertImageFiles(files);
    });

    this.container.replaceChildren(
      this.select, sep(),
      this.button('B', '太字 (Ctrl+B)', cmd('bold'), { state: 'bold', className: 'tb-bold' }),
      this.button('I', '斜体 (Ctrl+I)', cmd('italic'), { state: 'italic', className: 'tb-italic' }),
      this.button('U', '下線 (Ctrl+U)', cmd('underline'), { state: 'underline', className: 'tb-underline' }),
      this.button('S', '取り消し線', cmd('strikeThrough'), { state: 'strikeThrough', className: 'tb-strike' }),
      this.color('文字', '文字色', 'foreColor', '#c62828'),
      this.color('背景', '背景色', 'hiliteColor', '#fff59d'),
      this.button('消去', '書式を消す', cmd('removeFormat')),
      sep(),
      this.button('左', '左揃え', cmd('justifyLeft'), { state: 'justifyLeft' }),
      this.button('中', '中央揃え', cmd('justifyCenter'), { state: 'justifyCenter' }),
      this.button('右', '右揃え', cmd('justifyRight'), { state: 'justifyRight' }),
      sep(),
      this.button('• 箇条', '箇条書き', cmd('insertUnorderedList'), { state: 'insertUnorderedList' }),
      this.button('1. 番号', '番号付きリスト', cmd('insertOrderedList'), { state: 'insertOrderedList' }),
      this.button('引用', '引用', () => ed.toggleBlock('blockquote')),
      this.button('コード', 'コード', () => ed.toggleBlock('pre')),
      this.button('―', '区切り線', cmd('insertHorizontalRule')),
      sep(),
      this.button('リンク', 'リンク', () => this.linkDialog()),
      this.button('画像', '画像を追加', () => this.fileInput.click()),
      this.button('表', '表を追加', () => this.tableDialog()),
      sep(),
      this.button('↶', '元に戻す (Ctrl+Z)', cmd('undo')),
      this.button('↷', 'やり直す (Ctrl+Y)', cmd('redo')),
      this.fileInput,
    );
    for (const [button] of this.stateButtons) button.setAttribute('aria-pressed', 'false');
    rovingFocus(this.container, '.tb-select, .tb-btn, .tb-color input');
  }

  refresh() {
    for (const [button, state] of this.stateButtons) {
      const on = this.editor.queryState(state);
      button.classList.toggle('active', on);
      button.setAttribute('aria-pressed', on ? 'true' : 'false');
    }
    const block = this.editor.currentBlock();
    this.select.value = ['h1', 'h2', 'h3'].includes(block) ? block : 'p';
  }

  async linkDialog() {
    const link = this.editor.currentLink();
    const result = await linkDialog({ link, pages: this.pages() });
    if (!result) return;
    if (result.unlink) {
      this.editor.setLink('');
      return;
    }
    if (result.page) {
      // A new link without selected text reads as the page's title, not as its address.
      const href = '#' + result.page.id;
      if (link || this.editor.selectedText()) this.editor.setLink(href);
      else this.editor.insertHtml('<a href="' + href + '">' + escapeHtml(displayTitle(result.page)) + '</a>');
      return;
    }
    const url = result.url.trim();
    if (!safeLink(url)) {
      showToast('http、https、mailto の URL を入力してください。');
      return;
    }
    this.editor.setLink(url);
  }

  async tableDialog() {
    const result = await formDialog({
      title: '表を追加',
      fields: [
        { name: 'rows', label: '行数', type: 'number', value: '3', min: 1, max: 50 },
        { name: 'cols', label: '列数', type: 'number', value: '3', min: 1, max: 20 },
      ],
      okLabel: '追加',
    });
    if (!result || result.__extra) return;
    const rows = clamp(result.rows, 1, 50);
    const cols = clamp(result.cols, 1, 20);
    const row = '<tr>' + '<td><br></td>'.repeat(cols) + '</tr>';
    this.editor.insertHtml('<table><tbody>' + row.repeat(rows) + '</tbody></table><p><br></p>', true);
  }
}
