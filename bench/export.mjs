// The sanitizer's throughput beside the bare parser, and the export of a branch sharing images.
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { inBrowser, openWindow, row, smoke, TIMEOUT_MS, work } from './harness.mjs';
import { officeHtml, pageHtml, pageIdOf } from './inputs.mjs';

export async function sanitizeAndExportRuns(app) {
  const office = officeHtml(smoke ? 20000 : 1024 * 1024);
  const inputs = await exportInputs(app);
  // The sanitizer and the export share one browser: a launch costs seconds.
  const { rates, exported } = await inBrowser(app, async (page) => {
    await openWindow(page, app);
    const rates = await sanitizeRates(page, office);
    return { rates, exported: await exportTimings(page, inputs) };
  }, 6 * TIMEOUT_MS) ?? {};
  sanitizeRows(rates);
  exportRows(inputs, exported);
}

// The throughput (MB/s) of sanitizeHtml, of bare DOMParser and of the floor below, each on the same
// string every time and on a copy the browser has never seen (as every paste and stored body is:
// the browser keeps its own conversion of a string once it has read it).
export function sanitizeRates(page, html) {
  return page.evaluate(async (html) => {
    const { sanitizeHtml } = await import('/assets/js/sanitize.js');
    const unseen = () => JSON.parse(JSON.stringify(html));
    const rate = (fn, input) => {
      let runs = 0;
      let spent = 0;
      while (runs < 3 || spent < 300) {
        const text = input();
        const began = performance.now();
        fn(text);
        spent += performance.now() - began;
        runs++;
      }
      return (html.length * runs) / (spent / 1000) / 1e6;
    };
    // The floor of any cleaner that leaves a clean tree (the editor inserts trees, not text): the
    // parse, then only the writes that this input's clean tree differs by, planned beforehand
    // (each style the sanitizer rewrites, every other attribute removed, the empty office
    // elements removed), then the tree written out.
    const keptStyles = new Map();
    for (const [, text] of html.matchAll(/style='([^']*)'/g)) {
      if (keptStyles.has(text)) continue;
      const probe = new DOMParser().parseFromString(sanitizeHtml(`<span style='${text}'>x</span>`), 'text/html');
      keptStyles.set(text, probe.body.firstChild.getAttribute('style'));
    }
    const floor = (text) => {
      const doc = new DOMParser().parseFromString(text, 'text/html');
      for (const element of doc.body.querySelectorAll('*')) {
        if (element.localName.includes(':')) {
          element.remove();
          continue;
        }
        for (const name of element.getAttributeNames()) {
          const kept = name === 'style' ? keptStyles.get(element.getAttribute(name)) : null;
          if (kept === null || kept === undefined) element.removeAttribute(name);
          else if (kept !== element.getAttribute(name)) element.setAttribute(name, kept);
        }
      }
      return doc.body.innerHTML;
    };
    const sides = { sanitize: sanitizeHtml, parse: (text) => new DOMParser().parseFromString(text, 'text/html'), floor };
    // Taken in turns, the best of each: a pause of the machine or a collection of the other's
    // garbage then weighs on neither side alone.
    const best = { same: {}, unseen: {}, floorSame: floor(html) === sanitizeHtml(html) };
    for (let round = 0; round < 5; round++) {
      for (const [name, fn] of Object.entries(sides)) {
        best.same[name] = Math.max(best.same[name] ?? 0, rate(fn, () => html));
        best.unseen[name] = Math.max(best.unseen[name] ?? 0, rate(fn, unseen));
      }
    }
    return best;
  }, html);
}

export function sanitizeRows(rates) {
  for (const [input, label] of [['same', ''], ['unseen', ', a copy never read before']]) {
    const rate = rates?.[input] ?? {};
    const share = rate.sanitize / rate.parse;
    row('client', `sanitizeHtml on office HTML${label}`, rate.sanitize ?? NaN, 'MB/s', 'bare DOMParser', rate.parse ?? NaN,
      share, '≥ 0.5 of DOMParser', share >= 0.5);
    // A floor that does not give the sanitizer's output would prove nothing: it then counts as missed.
    const floorShare = rate.floor / rate.parse;
    row('client', `the floor of cleaning it in place (parse, the writes, written out)${label}`, rate.floor ?? NaN, 'MB/s',
      'bare DOMParser', rate.parse ?? NaN, floorShare, rates?.floorSame ? '—' : 'the same output as sanitizeHtml',
      Boolean(rates?.floorSame));
    row('client', `sanitizeHtml on office HTML${label}, against that floor`, rate.sanitize ?? NaN, 'MB/s', 'the floor',
      rate.floor ?? NaN, rate.sanitize / rate.floor, '—', true);
  }
}

// A branch of pages sharing images: one top page with the rest below it, three images on each.
async function exportInputs(app) {
  const [count, imageCount] = smoke ? [20, 5] : [1000, 100];
  const images = [];
  for (let i = 0; i < imageCount; i++) {
    const bytes = Buffer.concat([Buffer.from('\x89PNG\r\n\x1a\n', 'latin1'), crypto.randomBytes(16 * 1024)]);
    const answer = await app.api('POST', '/api/images', bytes, { 'Content-Type': 'application/octet-stream' });
    images.push((await answer.json()).id);
  }
  const ids = Array.from({ length: count }, (_, n) => pageIdOf(0x100000 + n));
  const body = (n) => pageHtml(1024) +
    [0, 1, 2].map((k) => `<p><img src="/api/images/${images[(n * 3 + k) % imageCount]}"></p>`).join('');
  for (let n = 0; n < count; n += 8) {
    await Promise.all(ids.slice(n, n + 8).map((id, i) => app.api('PUT', `/api/pages/${id}`, body(n + i),
      { 'If-Match': '"0"', 'Content-Type': 'text/plain; charset=utf-8' })));
  }
  const current = await app.api('GET', '/api/tree');
  const tree = JSON.parse(await current.text());
  tree.pages.push(...ids.map((id, n) => ({ id, parentId: n === 0 ? null : ids[0], order: (n + 3) * 1000,
    title: `出力 ${n}`, createdAt: 1700000000000, updatedAt: 1700000000000, deletedAt: null })));
  await app.api('PUT', '/api/tree', JSON.stringify(tree),
    { 'If-Match': current.headers.get('etag'), 'Content-Type': 'application/json' });
  return { ids, images };
}

// The export as the window makes it (the tree's list of the branch, then the export module),
// counting image requests; then the same bodies and images fetched one after another, which give
// the text and pictures the file holds (each picture as the base64 a file without scripts needs);
// then the file opened from disk in the same browser.
async function exportTimings(page, { ids, images }) {
  let imageFetches = 0;
  page.on('request', (request) => { if (/\/api\/images\/[0-9a-f]{32}$/.test(request.url())) imageFetches++; });
  const exported = await page.evaluate(async (rootId) => {
    const { createExport } = await import('/assets/js/export.js');
    const { exportList, indexOf, parseTree } = await import('/assets/js/tree-model.js');
    const doc = parseTree(await (await fetch('/api/tree', { cache: 'no-store' })).text());
    const list = exportList(indexOf(doc), rootId);
    const began = performance.now();
    const { text, missing } = await createExport('bench', list);
    return { ms: performance.now() - began, pages: list.length, missing, text };
  }, ids[0]);
  const fetches = imageFetches;
  const direct = await page.evaluate(async (inputs) => {
    const began = performance.now();
    let bytes = 0;
    for (const id of inputs.ids) bytes += new Blob([await (await fetch('/api/pages/' + id, { cache: 'no-store' })).text()]).size;
    for (const id of inputs.images) {
      bytes += Math.ceil((await (await fetch('/api/images/' + id, { cache: 'no-store' })).arrayBuffer()).byteLength / 3) * 4;
    }
    return { ms: performance.now() - began, bytes };
  }, { ids, images });
  const file = path.join(work, 'export.html');
  fs.writeFileSync(file, exported.text);
  const opening = await openExported(page, file);
  return { ...exported, text: undefined, fileBytes: fs.statSync(file).size, fetches, direct, opening };
}

// The exported file opened from disk: from the request to the first frame drawn after its layout,
// its load event, beside an empty page opened the same way.
async function openExported(page, file) {
  const viewer = await page.context().newPage();
  const empty = path.join(work, 'empty.html');
  fs.writeFileSync(empty, '<!doctype html><title>empty</title><p>empty</p>');
  const open = async (name) => {
    const began = Date.now();
    await viewer.goto(pathToFileURL(name).href, { waitUntil: 'load' });
    await viewer.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
    return Date.now() - began;
  };
  const result = { empty: await open(empty), ms: await open(file) };
  await viewer.close();
  return result;
}

function exportRows({ ids, images }, result) {
  if (result && (result.pages !== ids.length || result.missing)) {
    throw new Error(`export: ${result.pages} of ${ids.length} pages, ${result.missing} images missing`);
  }
  const ms = result?.ms ?? Infinity;
  row('client', `export of ${ids.length} pages sharing ${images.length} images`, ms, 'ms',
    'same bodies and images fetched', result?.direct?.ms ?? NaN, ms / result?.direct?.ms, '< 5000 ms', ms < 5000);
  row('client', 'export: image fetches', result?.fetches ?? NaN, 'fetches', 'images used', images.length,
    (result?.fetches ?? NaN) / images.length, 'each image once', result?.fetches === images.length);
  const size = result?.fileBytes ?? NaN;
  const content = result?.direct?.bytes ?? NaN;
  row('client', 'export: file size', size / 1e6, 'MB', 'text + pictures (base64)', content / 1e6, size / content,
    '≤ 1.1 of text + pictures', size / content <= 1.1);
  const opened = result?.opening?.ms ?? Infinity;
  row('client', 'export: the file opened in the browser', opened, 'ms', 'an empty file opened',
    result?.opening?.empty ?? NaN, opened / result?.opening?.empty, '< 2000 ms', opened < 2000);
}

// A second instance, with documents handed to it the way a later start does; each is opened
