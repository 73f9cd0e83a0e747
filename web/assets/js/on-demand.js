// Functions of modules that load when first called, so that start-up runs only what the window
// shows (a dialog's module, and the libraries it brings, load when it first opens).

// A function that imports `path` and calls its export `name`. A second call while the module is
// still arriving does nothing and resolves undefined (one dialog at a time).
export function onDemand(path, name) {
  let arriving = false;
  return async (...args) => {
    if (arriving) return undefined;
    arriving = true;
    let module;
    try {
      module = await import(path);
    } finally {
      arriving = false;
    }
    return module[name](...args);
  };
}
