// The only code that talks to the server. Every failure becomes an ApiError.
import { takeEarly, takeEarlyTree } from './boot.js';
import { messages } from './messages.js';

// `code` says what failed: the server's error code ("conflict", "read_only", ...), "network" when
// the server could not be reached, or a code of the client's own ("unsaved": the open page could
// not be saved first). Callers decide by the code, never by the HTTP status.
export class ApiError extends Error {
  constructor(status, code, message) {
    super(message);
    this.name = 'ApiError';
    this.status = status;
    this.code = code;
  }
}

// Failures that trying again cannot mend: the document takes no writes, or the request is not let in.
const REFUSALS = new Set(['read_only', 'host_not_allowed', 'origin_not_allowed']);

export function isRefusal(error) {
  return Boolean(error) && REFUSALS.has(error.code);
}

// Another window wrote a newer version since this one was read.
export function isConflict(error) {
  return Boolean(error) && error.code === 'conflict';
}

// Bodies at or above this many UTF-8 bytes are never sent with keepalive:
// the browser refuses keepalive requests whose bodies together exceed 64 KiB.
const KEEPALIVE_LIMIT_BYTES = 60000;

// While the window is being hidden or closed, writes go out as keepalive requests, which the
// browser carries through even when the window goes away.
let leaving = false;

// Names this window to the server, whose newest search from a window replaces the one it has
// waiting.
const WINDOW_ID = Math.random().toString(36).slice(2, 12);

export function setLeaving(value) {
  leaving = Boolean(value);
}

// Called with the server's message when a page was saved but the body it replaced could not be
// kept in the page's history.
let historyFailed = () => {};

export function onHistoryFailure(handler) {
  historyFailed = handler;
}

export async function request(path, options = {}) {
  let response;
  try {
    // A read that start-up has already sent (boot.js) takes its answer.
    response = await ((!options.method && takeEarly(path)) || fetch(path, { credentials: 'same-origin', cache: 'no-store', ...options }));
  } catch {
    throw new ApiError(0, 'network', messages.unreachable);
  }
  if (!response.ok) {
    let code = String(response.status);
    let message = '';
    try {
      const body = JSON.parse(await response.text());
      if (body && typeof body === 'object') {
        if (body.error) code = String(body.error);
        if (body.message) message = String(body.message);
      }
    } catch {
      // A body that is not JSON says nothing more than the status.
    }
    throw new ApiError(response.status, code,
      message || messages.serverError(response.status));
  }
  return response;
}

// The version tag of a record that does not exist yet: a write under it makes the record.
export const NO_RECORD = '0';

function versionTag(response) {
  return (response.headers.get('ETag') || quoted(NO_RECORD)).replace(/"/g, '');
}

function quoted(tag) {
  return '"' + tag + '"';
}

export function utf8Length(text) {
  return new TextEncoder().encode(text).length;
}

export const api = {
  async getStatus() {
    return (await request('/api/status')).json();
  },

  async openDataFolder() {
    await request('/api/open-data-folder', { method: 'POST' });
  },

  async getRecent() {
    const body = await (await request('/api/recent')).json();
    return Array.isArray(body.recent) ? body.recent : [];
  },

  async getBackups() {
    return (await request('/api/backups')).json();
  },

  async fileAction(action) {
    return (await request('/api/file/' + action, { method: 'POST' })).json();
  },

  // The tree's text, its version tag and, when start-up has parsed it already, its document.
  async getTree() {
    // A failed early answer is asked again, so that its failure is read as any other.
    const early = takeEarlyTree();
    const read = early && (await early.catch(() => null));
    if (read && read.text !== null) return { text: read.text, etag: versionTag(read.response), doc: read.doc };
    const response = await request('/api/tree');
    const text = await response.text();
    return { text, etag: versionTag(response), doc: null };
  },

  async putTree(data, etag) {
    const body = JSON.stringify(data);
    const response = await request('/api/tree', {
      method: 'PUT',
      headers: { 'Content-Type': 'application/json', 'If-Match': quoted(etag) },
      body,
      keepalive: leaving && utf8Length(body) < KEEPALIVE_LIMIT_BYTES,
    });
    return versionTag(response);
  },

  async getPage(id) {
    const response = await request('/api/pages/' + id);
    const html = await response.text();
    return { html, etag: versionTag(response) };
  },

  // The first of the pages asked for (at most 100), in order, as [{ id, html }]: as many as one
  // answer holds. An answer may leave out even the first, whose body is then read with getPage.
  async getPages(ids) {
    const { pages } = await (await request('/api/pages?ids=' + ids.join(','))).json();
    return pages.map((page) => ({ id: page.id, html: page.body }));
  },

  // keepRevision: the body this write replaces is kept in the page's history, however recent
  // its last kept version (a restore, an overwrite of another window's version).
  async putPage(id, html, etag, keepalive = false, { keepRevision = false } = {}) {
    const response = await request('/api/pages/' + id + (keepRevision ? '?revision=keep' : ''), {
      method: 'PUT',
      headers: { 'Content-Type': 'text/plain; charset=utf-8', 'If-Match': quoted(etag) },
      body: html,
      keepalive: (Boolean(keepalive) || leaving) && utf8Length(html) < KEEPALIVE_LIMIT_BYTES,
    });
    try {
      const answer = JSON.parse(await response.text());
      if (answer && answer.history === 'failed') historyFailed(String(answer.message || ''));
    } catch {
      // The save is done; an unreadable answer only says nothing about the history.
    }
    return versionTag(response);
  },

  async deletePage(id) {
    await request('/api/pages/' + id, { method: 'DELETE' });
  },

  async uploadImage(blob) {
    const response = await request('/api/images', {
      method: 'POST',
      headers: { 'Content-Type': 'application/octet-stream' },
      body: blob,
    });
    return (await response.json()).id;
  },

  async getImage(id) {
    return (await request('/api/images/' + id, { cache: 'default' })).blob();
  },

  async listImages() {
    const body = await (await request('/api/images')).json();
    return Array.isArray(body.images) ? body.images : [];
  },

  // Pages whose title or text holds the query: { results, total } as the server ranks them.
  async search(query) {
    return (await request('/api/search?q=' + encodeURIComponent(query) + '&window=' + WINDOW_ID)).json();
  },

  // Pages whose bodies link to the page.
  async linksTo(id) {
    return (await request('/api/search?links=' + encodeURIComponent(id) + '&window=' + WINDOW_ID)).json();
  },

  async deleteImage(id) {
    await request('/api/images/' + id, { method: 'DELETE' });
  },
};
