// A pop-up menu of buttons at the pointer or under its button, closed by a click elsewhere, Escape,
// Tab or leaving the window; the arrow keys, Home and End move between its items.
import { element } from './element.js';

export class ContextMenu {
  // focusAfter() names the element that gets the focus back when the menu closes with it.
  constructor(menu, focusAfter) {
    this.menu = menu;
    this.focusAfter = focusAfter;
    document.addEventListener('click', (event) => {
      if (!menu.hidden && !menu.contains(event.target)) this.close();
    });
    document.addEventListener('keydown', (event) => {
      if (event.key === 'Escape' && !menu.hidden) this.close();
    });
    menu.addEventListener('keydown', (event) => {
      const items = [...menu.querySelectorAll('[role="menuitem"]')];
      const index = items.indexOf(document.activeElement);
      const target = {
        ArrowDown: (index + 1) % items.length, ArrowUp: (index - 1 + items.length) % items.length,
        Home: 0, End: items.length - 1,
      }[event.key];
      if (target !== undefined) {
        event.preventDefault();
        items[target].focus();
      } else if (event.key === 'Tab') {
        event.preventDefault();
        this.close();
      }
    });
    window.addEventListener('blur', () => this.close());
  }

  // Shows the menu under the button that opens it (kept inside the window, and toward the middle
  // of it), and tells the button.
  openUnder(button, items) {
    const box = button.getBoundingClientRect();
    this.trigger = button;
    button.setAttribute('aria-expanded', 'true');
    this.open(items, box.left < window.innerWidth / 2 ? box.left : box.right, box.bottom + 4);
  }

  // Shows the menu at (x, y) with items [{ label, action, danger, disabled, title }]; an item
  // { group, items } is a labelled group of items after a line, { separator: true } a line.
  open(items, x, y) {
    const menu = this.menu;
    // The focus goes back where it was: the row or button the menu was opened from.
    if (!menu.contains(document.activeElement)) this.returnTo = document.activeElement;
    menu.replaceChildren(...items.map((item) => this.entry(item)));
    menu.hidden = false;
    menu.style.left = '0px';
    menu.style.top = '0px';
    const box = menu.getBoundingClientRect();
    const left = Math.max(8, Math.min(x, window.innerWidth - box.width - 8));
    const top = Math.max(8, Math.min(y, window.innerHeight - box.height - 8));
    menu.style.left = left + 'px';
    menu.style.top = top + 'px';
    menu.querySelector('[role="menuitem"]').focus();
  }

  entry({ label, action, danger = false, disabled = false, title = '', group, items, separator }) {
    const line = () => {
      const node = element('div', { class: 'menu-separator' });
      node.setAttribute('role', 'separator');
      return node;
    };
    if (separator) return line();
    if (group) {
      // The heading is seen; the group's name is what is heard.
      const heading = element('div', { class: 'menu-heading', text: group });
      heading.setAttribute('aria-hidden', 'true');
      const node = element('div', { class: 'menu-group' }, line(), heading, ...items.map((entry) => this.entry(entry)));
      node.setAttribute('role', 'group');
      node.setAttribute('aria-label', group);
      return node;
    }
    const button = element('button', {
      type: 'button', class: danger ? 'menu-item danger' : 'menu-item', text: label, tabIndex: -1,
      onclick: (event) => {
        event.stopPropagation();
        if (disabled) return;
        this.close();
        action();
      },
    });
    button.setAttribute('role', 'menuitem');
    if (title) button.title = title;
    // A disabled item can still be reached, so that it is heard; it does nothing.
    if (disabled) button.setAttribute('aria-disabled', 'true');
    return button;
  }

  close() {
    const menu = this.menu;
    if (menu.hidden) return;
    const hadFocus = menu.contains(document.activeElement);
    menu.hidden = true;
    menu.replaceChildren();
    if (this.trigger) this.trigger.setAttribute('aria-expanded', 'false');
    this.trigger = null;
    const back = this.returnTo;
    this.returnTo = null;
    if (hadFocus) {
      const target = back && back.isConnected && back !== document.body ? back : this.focusAfter();
      if (target) target.focus();
    }
  }
}
