// Modules that load when first needed or after the window's first frame, so that start-up loads
// and runs only what draws the tree and the open page and takes keys (a dialog's module, and the
// libraries it brings, load when it first opens).

const HIDDEN_WAIT_MS = 1000;
const loading = new Map(); // path → the promise of its module or style sheet

// The module at `path` (next to this file), imported once; a failed import is tried again at the
// next call.
export function load(path) {
  let module = loading.get(path);
  if (!module) {
    module = import(path);
    loading.set(path, module);
    module.catch(() => loading.delete(path));
  }
  return module;
}

// Adds the style sheet at `href` to the window, after the others, once; resolves when it has
// loaded (or failed: the window then goes on without it).
export function styleSheet(href) {
  let sheet = loading.get(href);
  if (!sheet) {
    const link = document.createElement('link');
    link.rel = 'stylesheet';
    link.href = href;
    sheet = new Promise((resolve) => {
      link.onload = resolve;
      link.onerror = resolve;
    });
    loading.set(href, sheet);
    document.head.append(link);
  }
  return sheet;
}

// A function that imports `path` and calls its export `name`. A second call while the module is
// still arriving does nothing and resolves undefined (one dialog at a time).
export function onDemand(path, name) {
  let arriving = false;
  return async (...args) => {
    if (arriving) return undefined;
    arriving = true;
    let module;
    try {
      module = await load(path);
    } finally {
      arriving = false;
    }
    return module[name](...args);
  };
}

// A function that gives the one object make(module) builds from the module at `path`, loading it
// at the first call; the object, once built, is also at `.now`.
export function onDemandObject(path, make) {
  let made = null;
  const get = () => {
    if (!made) {
      made = load(path).then((module) => (get.now = make(module)));
      made.catch(() => { made = null; });
    }
    return made;
  };
  get.now = null;
  return get;
}

// Runs fn once the next frame has been drawn (after the second animation frame from now), or after
// a second in a hidden window, which draws none.
export function afterNextFrame(fn) {
  let done = false;
  const once = () => {
    if (done) return;
    done = true;
    fn();
  };
  requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(once, 0)));
  setTimeout(once, HIDDEN_WAIT_MS);
}

// A button whose menu comes with a module that may not be in yet: a click, ↓ or ↑ before then
// loads it and calls open(object) (get: an onDemandObject); after, the menu's own handlers answer.
export function openOnFirstUse(button, get, open, onError) {
  const first = () => get().then(open).catch(onError);
  button.addEventListener('click', (event) => {
    if (get.now) return;
    // The document's click would close the menu this click opens.
    event.stopPropagation();
    first();
  });
  button.addEventListener('keydown', (event) => {
    if (get.now || (event.key !== 'ArrowDown' && event.key !== 'ArrowUp')) return;
    event.preventDefault();
    first();
  });
}

let holding = false; // a field is holding keys (one feature at a time)

// Loads get()'s object (an onDemandObject) for a feature that takes typing as soon as it is asked
// for. While it arrives, a field out of sight has the focus, so that what is typed meanwhile (an
// input method's text too) lands there and not in the page; the focus then goes back where it
// was. Resolves { object, typed: { text, enter } } (enter: an Enter pressed meanwhile, as
// { shiftKey }, else null), or null when Escape cancelled it or another feature is arriving.
export async function loadHoldingKeys(get) {
  if (get.now) return { object: get.now, typed: null };
  if (holding) return null;
  holding = true;
  const before = document.activeElement;
  const field = document.createElement('input');
  field.className = 'key-holder';
  field.tabIndex = -1;
  let cancelled = false;
  let enter = null;
  const release = () => {
    if (!holding) return;
    holding = false;
    if (document.activeElement === field && before && before.isConnected && typeof before.focus === 'function') before.focus();
    field.remove();
  };
  field.addEventListener('keydown', (event) => {
    if (event.isComposing) return;
    if (event.key === 'Escape') {
      cancelled = true;
      release();
    } else if (event.key === 'Enter') enter = { shiftKey: event.shiftKey };
    else return;
    event.preventDefault();
  });
  document.body.append(field);
  field.focus({ preventScroll: true });
  try {
    const object = await get();
    return cancelled ? null : { object, typed: { text: field.value, enter } };
  } finally {
    release();
  }
}
