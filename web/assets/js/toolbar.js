// The formatting toolbar above the editor, with its link and table dialogs.
import { IMAGE_TYPES, safeLink } from './content-rules.js';
import { formDialog, showToast } from './dialogs.js';
import { element } from './element.js';
import { messages } from './messages.js';
import { onDemand } from './on-demand.js';
import { rovingFocus } from './roving-focus.js';
import { escapeHtml } from './sanitize.js';
import { displayTitle } from './tree-model.js';

// The link dialog and its page picker load when first opened.
const linkDialog = onDemand('./page-picker.js', 'linkDialog');

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

    this.select = element('select', { class: 'tb-select', title: messages.blockType });
    this.select.setAttribute('aria-label', messages.blockType);
    for (const [value, label] of messages.blockTypes) {
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
      this.button('B', messages.bold, cmd('bold'), { state: 'bold', className: 'tb-bold' }),
      this.button('I', messages.italic, cmd('italic'), { state: 'italic', className: 'tb-italic' }),
      this.button('U', messages.underline, cmd('underline'), { state: 'underline', className: 'tb-underline' }),
      this.button('S', messages.strike, cmd('strikeThrough'), { state: 'strikeThrough', className: 'tb-strike' }),
      this.color(messages.textColorLabel, messages.textColor, 'foreColor', '#c62828'),
      this.color(messages.backColorLabel, messages.backColor, 'hiliteColor', '#fff59d'),
      this.button(messages.clearFormatLabel, messages.clearFormat, cmd('removeFormat')),
      sep(),
      this.button(messages.alignLeftLabel, messages.alignLeft, cmd('justifyLeft'), { state: 'justifyLeft' }),
      this.button(messages.alignCenterLabel, messages.alignCenter, cmd('justifyCenter'), { state: 'justifyCenter' }),
      this.button(messages.alignRightLabel, messages.alignRight, cmd('justifyRight'), { state: 'justifyRight' }),
      sep(),
      this.button(messages.bulletsLabel, messages.bullets, cmd('insertUnorderedList'), { state: 'insertUnorderedList' }),
      this.button(messages.numbersLabel, messages.numbers, cmd('insertOrderedList'), { state: 'insertOrderedList' }),
      this.button(messages.quote, messages.quote, () => ed.toggleBlock('blockquote')),
      this.button(messages.code, messages.code, () => ed.toggleBlock('pre')),
      this.button('―', messages.rule, cmd('insertHorizontalRule')),
      sep(),
      this.button(messages.link, messages.link, () => this.linkDialog()),
      this.button(messages.imageLabel, messages.addImage, () => this.fileInput.click()),
      this.button(messages.tableLabel, messages.addTable, () => this.tableDialog()),
      sep(),
      this.button('↶', messages.undoLabel, cmd('undo')),
      this.button('↷', messages.redoLabel, cmd('redo')),
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
      showToast(messages.badUrl);
      return;
    }
    this.editor.setLink(url);
  }

  async tableDialog() {
    const result = await formDialog({
      title: messages.addTable,
      fields: [
        { name: 'rows', label: messages.rows, type: 'number', value: '3', min: 1, max: 50 },
        { name: 'cols', label: messages.columns, type: 'number', value: '3', min: 1, max: 20 },
      ],
      okLabel: messages.add,
    });
    if (!result || result.__extra) return;
    const rows = clamp(result.rows, 1, 50);
    const cols = clamp(result.cols, 1, 20);
    const row = '<tr>' + '<td><br></td>'.repeat(cols) + '</tr>';
    this.editor.insertHtml('<table><tbody>' + row.repeat(rows) + '</tbody></table><p><br></p>', true);
  }
}
