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
