// Modal dialogs and the single toast.
import { holdFocus } from './dialog-focus.js';
import { element } from './element.js';
import { messages } from './messages.js';

// How long a toast about a failed file or store action stays.
export const FILE_ERROR_TOAST_MS = 8000;

let dialogCount = 0;

// A dialog is named by its heading, so a screen reader says what opened.
function nameByHeading(dialog) {
  const heading = dialog.querySelector('h2');
  if (!heading || dialog.hasAttribute('aria-label') || dialog.hasAttribute('aria-labelledby')) return;
  heading.id ||= 'dialog-title-' + ++dialogCount;
  dialog.setAttribute('aria-labelledby', heading.id);
}

export function openDialog(build) {
  return new Promise((resolve) => {
    const dialog = element('dialog', { class: 'dialog' });
    const giveFocusBack = holdFocus(dialog);
    let done = false;
    const close = (value) => {
      if (done) return;
      done = true;
      if (dialog.open) dialog.close();
      dialog.remove();
      giveFocusBack();
      resolve(value);
    };
    dialog.addEventListener('cancel', (event) => {
      event.preventDefault();
      close(null);
    });
    build(dialog, close);
    nameByHeading(dialog);
    document.body.append(dialog);
    dialog.showModal();
  });
}

export async function confirmDialog({ title, message, okLabel = messages.ok, danger = false }) {
  const result = await openDialog((dialog, close) => {
    const ok = element('button', {
      type: 'button', class: danger ? 'danger' : 'primary', text: okLabel,
      onclick: () => close(true),
    });
    // A question that needs an answer: read out with its message as soon as it opens.
    dialog.setAttribute('role', 'alertdialog');
    const text = element('p', { text: message, id: 'dialog-message-' + ++dialogCount });
    dialog.setAttribute('aria-describedby', text.id);
    dialog.append(
      element('h2', { text: title }),
      text,
      element('div', { class: 'dialog-actions' },
        element('button', { type: 'button', text: messages.cancel, onclick: () => close(false) }),
        ok),
    );
    requestAnimationFrame(() => ok.focus());
  });
  return result === true;
}

export function formDialog({ title, fields = [], okLabel = messages.ok, extra = null }) {
  return openDialog((dialog, close) => {
    const inputs = new Map();
    const submit = () => {
      const values = {};
      for (const [name, input] of inputs) values[name] = input.value;
      close(values);
    };
    const form = element('div', { class: 'dialog-form' });
    for (const field of fields) {
      const input = element('input', { type: field.type || 'text', value: field.value ?? '' });
      if (field.min !== undefined) input.min = String(field.min);
      if (field.max !== undefined) input.max = String(field.max);
      input.addEventListener('keydown', (event) => {
        if (event.key === 'Enter' && !event.isComposing) {
          event.preventDefault();
          submit();
        }
      });
      inputs.set(field.name, input);
      form.append(element('label', { class: 'field' }, element('span', { text: field.label }), input));
    }
    dialog.append(
      element('h2', { text: title }),
      form,
      element('div', { class: 'dialog-actions' },
        extra ? element('button', { type: 'button', text: extra.label, onclick: () => close({ __extra: true }) }) : null,
        element('button', { type: 'button', text: messages.cancel, onclick: () => close(null) }),
        element('button', { type: 'button', class: 'primary', text: okLabel, onclick: submit })),
    );
    const first = inputs.values().next().value;
    if (first) requestAnimationFrame(() => { first.focus(); first.select(); });
  });
}

let toastTimer = 0;

function hideToast(toast) {
  clearTimeout(toastTimer);
  toastTimer = 0;
  toast.hidden = true;
}

// An error is read out at once (an alert); other toasts wait for a pause in speech.
export function showToast(message, { actionLabel, onAction, ms = 4000, error = false } = {}) {
  const toast = document.getElementById('toast');
  if (!toast) return;
  clearTimeout(toastTimer);
  toast.setAttribute('role', error ? 'alert' : 'status');
  toast.setAttribute('aria-live', error ? 'assertive' : 'polite');
  toast.replaceChildren(element('span', { class: 'toast-text', text: message }));
  if (actionLabel) {
    toast.append(element('button', {
      type: 'button', class: 'toast-action', text: actionLabel,
      onclick: () => {
        hideToast(toast);
        if (onAction) onAction();
      },
    }));
  }
  toast.hidden = false;
  toastTimer = setTimeout(() => hideToast(toast), ms);
}
