// The editor's saving: the body autosaved a pause after the last change, the title a shorter
// pause after its last key, each body written only over the version it was read as (a newer
// one from another window is a conflict for the user to settle), failed writes retried.
// Functions of the editor, whose fields hold the state: dirty, saving, etag, lastSaved, conflict.
import { api, isConflict, isRefusal } from './api.js';
import { messages } from './messages.js';
import { sanitizeHtml } from './sanitize.js';

const SAVE_DELAY_MS = 800;
const TITLE_DELAY_MS = 400;
const RETRY_DELAY_MS = 5000;

// The save indicator; while a conflict is open it keeps saying so.
export function report(editor, state, message) {
  editor.reported = state;
  if (editor.conflict && state !== 'error') editor.onStatus('error', messages.conflictStatus);
  else editor.onStatus(state, message);
}

export function markDirty(editor) {
  if (!editor.pageId) return;
  editor.dirty = true;
  editor.report('saving');
  if (!editor.conflict) schedule(editor, SAVE_DELAY_MS);
}

export function schedule(editor, ms = SAVE_DELAY_MS) {
  clearTimeout(editor.saveTimer);
  editor.saveTimer = setTimeout(() => { save(editor, false, true); }, ms);
}

// The title is committed a moment after its last change.
export function scheduleTitle(editor) {
  clearTimeout(editor.titleTimer);
  editor.titleTimer = setTimeout(() => { commitTitle(editor); }, TITLE_DELAY_MS);
  editor.report('saving');
}

// Resolves only when no save is in flight and nothing is dirty (true), or with false as soon as
// a save this call waited for failed. Every caller waits for the follow-up saves of the others.
// An autosave leaves the body alone while an input method composition is open (it would store
// the half-typed reading); the composition's end starts the next one.
export async function save(editor, keepalive = false, auto = false) {
  for (;;) {
    clearTimeout(editor.saveTimer);
    editor.saveTimer = 0;
    if (editor.saving) {
      if (!(await editor.saving)) return false;
      continue;
    }
    if (!editor.dirty || !editor.pageId) return true;
    if (auto && editor.composing) return true;
    if (editor.conflict) return false;
    const once = saveOnce(editor, keepalive);
    editor.saving = once;
    let ok;
    try {
      ok = await once;
    } finally {
      if (editor.saving === once) editor.saving = null;
    }
    if (!ok) return false;
  }
}

async function saveOnce(editor, keepalive) {
  const id = editor.pageId;
  const html = sanitizeHtml(editor.body.innerHTML);
  if (html === editor.lastSaved) {
    editor.dirty = false;
    editor.report('saved');
    return true;
  }
  editor.dirty = false;
  editor.report('saving');
  const keepRevision = editor.keepRevision;
  editor.keepRevision = false;
  try {
    const etag = await api.putPage(id, html, editor.etag, keepalive, { keepRevision });
    if (editor.pageId !== id) return true;
    editor.etag = etag;
    editor.lastSaved = html;
    editor.report(editor.dirty ? 'saving' : 'saved');
    editor.pages.touch(id);
    return true;
  } catch (error) {
    if (editor.pageId !== id) return false;
    editor.dirty = true;
    editor.keepRevision ||= keepRevision;
    if (isConflict(error)) {
      editor.conflict = true;
      editor.onStatus('error', messages.conflictStatus);
      editor.onConflict();
    } else if (isRefusal(error)) {
      editor.onStatus('error', error.message);
    } else {
      editor.onStatus('error', error.message);
      schedule(editor, RETRY_DELAY_MS);
    }
    return false;
  }
}

export async function commitTitle(editor) {
  if (!editor.titleTimer) return true;
  clearTimeout(editor.titleTimer);
  editor.titleTimer = 0;
  if (!editor.pageId) return true;
  const ok = await editor.pages.rename(editor.pageId, editor.titleInput.value);
  if (ok && !editor.dirty) editor.report('saved');
  return ok;
}

// Waits for the page's image insertions, then commits the title and the body.
export async function flush(editor) {
  while (editor.uploads.size) await Promise.all(editor.uploads);
  const titleOk = await commitTitle(editor);
  const bodyOk = await save(editor, false);
  return titleOk && bodyOk;
}

// The window is being hidden or closed: title and body go out at once.
export function saveNow(editor) {
  commitTitle(editor).catch(() => {});
  save(editor, true);
}

// Settles a conflict for this window's body: written over the newer version, which stays in the
// page's history.
export async function overwrite(editor) {
  if (!editor.pageId) return;
  const { etag } = await api.getPage(editor.pageId);
  editor.etag = etag;
  editor.lastSaved = null;
  editor.conflict = false;
  editor.keepRevision = true;
  markDirty(editor);
  await save(editor, false);
}
